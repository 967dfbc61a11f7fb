// The Win32 calls through which outputs are made, held, protected, written and moved into
// place. Tests replace them to see the security descriptor, access, share mode and flags that
// each call gets, and to make a call fail: the properties that Wine does not enforce and so
// cannot show.
#pragma once

#include <windows.h>

namespace qeb {

struct OutputCalls {
    BOOL(WINAPI* createDirectory)(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes);
    HANDLE(WINAPI* createFile)(LPCWSTR path, DWORD access, DWORD share,
                               LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                               HANDLE model);
    BOOL(WINAPI* getObjectSecurity)
    (HANDLE object, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor, DWORD size,
     LPDWORD needed);
    BOOL(WINAPI* setObjectSecurity)
    (HANDLE object, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor);
    BOOL(WINAPI* writeFile)
    (HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
    BOOL(WINAPI* setFileInformation)
    (HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size);
};

// The process's calls: the system's own unless a test put others in.
OutputCalls& TheOutputCalls();

}  // namespace qeb
