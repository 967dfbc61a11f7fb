// A file made beside a target and then moved into its place: the target is replaced as a
// directory entry once the new content is whole, never written through, and an earlier file
// stays as it was when anything fails. Until then the file is a PendingFile, which goes with
// its handle however the run ends. Its name, ~QebInfo-<process>-<n>.tmp, is one that no
// ordinary file has; where it would pass the path limit it is addressed in the extended-length
// form. A run that the console ends removes it too (InterruptCleanup).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "util/PendingFile.h"

namespace qeb {

class InterruptCleanup;

class TemporarySibling {
public:
    // Names are tried until one is free: one that exists, or that another process has left
    // pending deletion, is passed over. The Win32 error, 0 when `temporary` is set.
    static unsigned long Create(const std::wstring& target, const PendingFileOptions& options,
                                std::optional<TemporarySibling>& temporary);

    ~TemporarySibling();
    TemporarySibling(TemporarySibling&& other) noexcept;
    TemporarySibling& operator=(TemporarySibling&&) = delete;
    TemporarySibling(const TemporarySibling&) = delete;
    TemporarySibling& operator=(const TemporarySibling&) = delete;

    const std::wstring& Path() const { return m_path; }
    HANDLE Handle() const { return m_file.Handle(); }

    // Moves the file over the target through its handle (PendingFile::RenameOver), which stays
    // open. The Win32 error of the move, 0 on success.
    unsigned long ReplaceTarget();
    // Closes the file; after ReplaceTarget it stays in the target's place.
    unsigned long Close() { return m_file.Close(); }

    // Whether a file name is one that this class gives its temporary files.
    static bool IsTemporaryName(const std::wstring& name);
    // Whether it is one that a run which has ended left behind: its process is gone.
    static bool IsLeftover(const std::wstring& name, unsigned long runningProcess);
    static void RemoveLeftover(const std::wstring& path);
    // Removes the leftovers that lie directly in a directory.
    static void RemoveLeftovers(const std::wstring& directory);

private:
    TemporarySibling(std::wstring path, std::wstring target, PendingFile file);

    std::wstring m_path;
    std::wstring m_target;
    PendingFile m_file;
    std::unique_ptr<InterruptCleanup> m_cleanup;
};

}  // namespace qeb
