// Writes a file whole or not at all: the bytes go to a temporary sibling, which takes the
// file's place only when every byte was written and flushed. An earlier file stays as it was
// when anything fails.
#pragma once

#include <optional>
#include <string>

#include "util/TemporarySibling.h"

namespace qeb {

class WholeFileWriter {
public:
    enum class Step { None, Create, Write, Replace };
    struct Failure {
        Step step = Step::None;
        unsigned long error = 0;
        explicit operator bool() const { return step != Step::None; }
    };

    // Inherited: the file takes the protection of the directory it lies in; Protected: it is
    // made with OutputProtection, for a place that others may reach.
    enum class Protection { Inherited, Protected };

    virtual ~WholeFileWriter() = default;
    Failure WriteWhole(const std::wstring& path, const std::string& bytes,
                       Protection protection = Protection::Inherited);
    // Only writes the file beside its place: `written` takes it there later (ReplaceTarget),
    // and removes it when dropped before.
    Failure WriteBeside(const std::wstring& path, const std::string& bytes, Protection protection,
                        std::optional<TemporarySibling>& written);

protected:
    // False with the Win32 error when not every byte could be written or flushed to the disk.
    virtual bool WriteAll(void* file, const std::string& bytes, unsigned long& error);
    virtual bool Flush(void* file, unsigned long& error);
};

}  // namespace qeb
