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

// A program started without waiting for it; ended at destruction if it still runs. It
// inherits no handles, so it holds none of the test's pipes.
class BackgroundProcess {
public:
    BackgroundProcess(const std::wstring& program, const std::vector<std::wstring>& arguments,
                      const ProcessOptions& options = {});
    ~BackgroundProcess();

    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool IsRunning() const;
    unsigned long Id() const { return m_id; }
    // Ends it and waits until it has ended.
    void Terminate();
    // The exit code, or nullopt when it still runs after `milliseconds`.
    std::optional<unsigned long> Wait(unsigned long milliseconds);

private:
    void* m_process = nullptr;
    unsigned long m_id = 0;
};

// True while a process with this id runs.
bool IsProcessRunning(unsigned long id);

// The environment block for CreateProcessW: ours with the changes applied.
std::wstring BuildEnvironmentBlock(
    const std::map<std::wstring, std::optional<std::wstring>>& changes);

}  // namespace qeb::test
