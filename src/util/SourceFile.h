// A file read for the collection or the archive while its owner may still be writing it: a
// service's log, a database that its server holds open. Windows opens a file only when the
// share mode admits every handle already open on it, so a source is opened sharing read, write
// and delete; with backup semantics, so that the backup privilege reads it whatever its DACL
// says; for sequential reading; and never through a link put in its place since it was listed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "util/UniqueOwner.h"

namespace qeb {

struct SourceFile {
    UniqueFileHandle handle;
    std::uint64_t size = 0;  // when it was opened: all that is read of a file that still grows
    DWORD attributes = 0;
    FILETIME lastWrite{};
};

// The calls through which sources are opened and read, which tests replace: Wine shares
// every file and enforces no byte-range lock against a read, which Windows refuses with
// ERROR_LOCK_VIOLATION.
struct SourceCalls {
    HANDLE(WINAPI* openFile)(LPCWSTR path, DWORD access, DWORD share,
                             LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                             HANDLE model);
    BOOL(WINAPI* readFile)(HANDLE file, LPVOID data, DWORD size, LPDWORD read,
                           LPOVERLAPPED overlapped);
};
SourceCalls& TheSourceCalls();

// The Win32 error, 0 when `opened` holds the file; ERROR_CANT_ACCESS_FILE for a directory or a
// link. A reparse point that is no link (a deduplicated or cloud file) is opened through to its
// data, and only when that is still the file that was first opened.
unsigned long OpenSourceFile(const std::wstring& path, SourceFile& opened);

}  // namespace qeb
