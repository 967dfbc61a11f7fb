// Captures what the code under test writes to standard output, in-process:
// standard output points at a temporary file while the object lives.
#pragma once

#include <string>
#include <vector>

#include "util/UniqueOwner.h"

namespace qeb::test {

class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();

    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::string Bytes() const;
    std::vector<std::wstring> Lines() const;  // decoded from code page 932

private:
    std::wstring m_path;
    UniqueHandle m_file;
    HANDLE m_previous;
};

}  // namespace qeb::test
