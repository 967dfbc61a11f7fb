// A new file that is not there until it is whole. It is made marked for deletion when its last
// handle closes (FileDispositionInfo), so that a failure, a kill or a full disk leaves nothing
// under its name; Keep() takes the mark off, RenameOver() first moves it into another file's
// place through its own handle. An earlier output can be marked too, to go with the handle
// unless it is kept.
#pragma once

#include <windows.h>

#include <string>

#include "util/UniqueOwner.h"

namespace qeb {

struct PendingFileOptions {
    DWORD access = GENERIC_WRITE;  // DELETE is added
    DWORD share = 0;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    bool protectedOutput = false;  // made with OutputProtection, else as its folder gives it
};

class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() = default;  // the handle's close removes a file still marked
    PendingFile(PendingFile&&) noexcept = default;
    PendingFile& operator=(PendingFile&&) noexcept = default;

    // Makes the file (CREATE_NEW); the Win32 error, 0 when `made` holds it.
    static unsigned long Create(const std::wstring& path, const PendingFileOptions& options,
                                PendingFile& made);

    // Marks an existing file in the same way, so that it goes when `held` is closed unless
    // kept; a missing file leaves `held` empty. The Win32 error, 0 on success.
    static unsigned long MarkExisting(const std::wstring& path, PendingFile& held);

    HANDLE Handle() const { return m_file.Get(); }
    explicit operator bool() const { return m_file.IsValid(); }

    // The file stays under its name when the handle closes. The Win32 error, 0 on success.
    unsigned long Keep();

    // Moves the file over `target` through its own handle, replacing what has that name, and
    // keeps it. A virus scanner or indexer that has the target open refuses the move for a
    // moment (ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION): it is tried again for about two
    // seconds. On failure the file is marked again. The Win32 error, 0 on success.
    unsigned long RenameOver(const std::wstring& target);

    // Closes the handle; the Win32 error of the close, 0 on success.
    unsigned long Close();

private:
    unsigned long Mark(bool deleteOnClose);

    UniqueFileHandle m_file;
};

}  // namespace qeb
