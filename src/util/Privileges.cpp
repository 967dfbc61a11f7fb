#include "util/Privileges.h"

#include <windows.h>

#include "util/UniqueOwner.h"

namespace qeb {
namespace {

void Enable(HANDLE token, const wchar_t* name) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
        // A privilege that the token lacks is passed over (ERROR_NOT_ALL_ASSIGNED).
        ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
}

bool EnableAll() {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            token.Receive())) {
        return false;
    }
    for (const wchar_t* name : {SE_BACKUP_NAME, SE_RESTORE_NAME, SE_TAKE_OWNERSHIP_NAME}) {
        Enable(token.Get(), name);
    }
    return true;
}

}  // namespace

void EnableCollectionPrivileges() {
    static const bool enabled = EnableAll();
    (void)enabled;
}

}  // namespace qeb
