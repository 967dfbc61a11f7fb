// The privileges that let an administrator read and protect whatever the collection needs,
// whatever the files' own DACLs say: backup (read any file when it is opened with
// FILE_FLAG_BACKUP_SEMANTICS), restore and take ownership (give an output the owner that it
// must have). An elevated administrator's token holds them disabled.
#pragma once

namespace qeb {

// Enables each of them that the process token holds; once per process, later calls do nothing.
void EnableCollectionPrivileges();

}  // namespace qeb
