// A file made beside a target and then moved into its place: the target is replaced as a
// directory entry once the new content is whole, never written through, and an earlier file
// stays as it was when anything fails. The temporary file is removed on every other path.
// Its name, ~QebInfo-<process>-<n>.tmp, is one that no ordinary file has; where it would pass
// the path limit it is addressed in the extended-length form. A run that the console ends
// removes it too (InterruptCleanup).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qeb {

class InterruptCleanup;

class TemporarySibling {
public:
    // Makes the temporary file with `create`, which must fail with ERROR_FILE_EXISTS (or
    // ERROR_ALREADY_EXISTS) for a name that is taken; names are tried until one is free.
    // Returns the Win32 error of `create` (0 when it made the file); `temporary` is set then.
    static unsigned long Create(const std::wstring& target,
                                const std::function<unsigned long(const std::wstring&)>& create,
                                std::optional<TemporarySibling>& temporary);

    ~TemporarySibling();
    TemporarySibling(TemporarySibling&& other) noexcept;
    TemporarySibling& operator=(TemporarySibling&&) = delete;
    TemporarySibling(const TemporarySibling&) = delete;
    TemporarySibling& operator=(const TemporarySibling&) = delete;

    const std::wstring& Path() const { return m_path; }

    // Whether a file name is one that this class gives its temporary files.
    static bool IsTemporaryName(const std::wstring& name);

    // Moves the file over the target, replacing whatever entry has its name. The Win32 error
    // of the move, 0 on success.
    unsigned long ReplaceTarget();

private:
    TemporarySibling(std::wstring path, std::wstring target);

    std::wstring m_path;
    std::wstring m_target;
    std::unique_ptr<InterruptCleanup> m_cleanup;
};

}  // namespace qeb
