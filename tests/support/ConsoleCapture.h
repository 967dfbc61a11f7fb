// Captures what the code under test writes to standard output, in-process:
// standard output points at a temporary file while the object lives.
#pragma once

#include <string>
#include <vector>

#include "support/Scratch.h"
#include "util/ResultCode.h"
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

struct CapturedRun {
    ResultCode result;
    std::wstring output;  // decoded from code page 932
};

// Constructs the command from "QebInfo.exe WORD <options>" and executes it in-process.
template <typename Command>
CapturedRun ExecuteCaptured(const std::vector<std::wstring>& options) {
    std::vector<std::wstring> arguments{L"QebInfo.exe", L"WORD"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    ConsoleCapture capture;
    Command command(static_cast<int>(pointers.size()), pointers.data());
    const ResultCode result = command.Execute();
    return {result, Decode(capture.Bytes(), 932)};
}

}  // namespace qeb::test
