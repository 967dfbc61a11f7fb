// Starts a program as a child process with a chosen environment and current
// directory and captures its standard output as exact bytes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qeb::test {

struct ProcessOptions {
    std::wstring currentDirectory;  // empty: the test's own
    // Variables to set (a value) or remove (nullopt); the rest is inherited.
    std::map<std::wstring, std::optional<std::wstring>> environment;
};

struct ProcessResult {
    unsigned long exitCode = 0;
    std::string output;  // standard output, byte for byte

    std::wstring Text() const;                // output decoded from code page 932
    std::vector<std::wstring> Lines() const;  // Text() split at CR LF
};

// Quotes an argument so that CommandLineToArgvW gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

ProcessResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                         const ProcessOptions& options = {});

// The environment block for CreateProcessW: ours with the changes applied.
std::wstring BuildEnvironmentBlock(
    const std::map<std::wstring, std::optional<std::wstring>>& changes);

}  // namespace qeb::test
