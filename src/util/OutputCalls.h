// The Win32 calls through which outputs are made, held and protected. Tests replace them to
// see the security descriptor, access, share mode and flags that each call gets: the
// properties that Wine does not enforce and so cannot show.
#pragma once

#include <windows.h>

#include <aclapi.h>

namespace qeb {

struct OutputCalls {
    BOOL(WINAPI* createDirectory)(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes);
    HANDLE(WINAPI* createFile)(LPCWSTR path, DWORD access, DWORD share,
                               LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                               HANDLE model);
    DWORD(WINAPI* setSecurity)(HANDLE object, SE_OBJECT_TYPE type, SECURITY_INFORMATION what,
                               PSID owner, PSID group, PACL dacl, PACL sacl);
};

// The process's calls: the system's own unless a test put others in.
OutputCalls& TheOutputCalls();

}  // namespace qeb
