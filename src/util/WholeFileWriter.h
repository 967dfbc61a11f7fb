// Writes a file whole or not at all: the bytes go to a temporary sibling, which takes the
// file's place only when every byte was written and the file closed. An earlier file stays
// as it was when anything fails.
#pragma once

#include <string>

namespace qeb {

class WholeFileWriter {
public:
    enum class Step { None, Create, Write, Replace };
    struct Failure {
        Step step = Step::None;
        unsigned long error = 0;
        explicit operator bool() const { return step != Step::None; }
    };

    virtual ~WholeFileWriter() = default;
    Failure WriteWhole(const std::wstring& path, const std::string& bytes);

protected:
    // False with the Win32 error when not every byte could be written or the close failed.
    virtual bool WriteAll(void* file, const std::string& bytes, unsigned long& error);
    virtual bool Close(void* file, unsigned long& error);
};

}  // namespace qeb
