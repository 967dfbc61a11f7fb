// Runs a command line as a hidden child process and waits for it to end.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "util/ResultCode.h"
#include "util/UniqueOwner.h"

namespace qeb {

constexpr DWORD kChildTimeLimitMs = 3600000;

// The exit code of a child that was stopped on request: ERROR_CANCELLED as an HRESULT.
constexpr ResultCode kChildStopped = 0x800704C7;

// Told the milliseconds since the start, a few times a second, while the child runs.
using WaitingNotice = std::function<void(unsigned long long elapsedMs)>;

// A request, from any thread, that the child of a run ends now with everything it started.
// Once requested, later runs that are given it start nothing.
class ChildStop {
public:
    ChildStop();
    ChildStop(const ChildStop&) = delete;
    ChildStop& operator=(const ChildStop&) = delete;

    void Request() noexcept;
    bool Requested() const noexcept;
    HANDLE Event() const noexcept { return m_event.Get(); }

private:
    UniqueHandle m_event;
};

struct ChildRun {
    std::wstring commandLine;
    DWORD timeLimitMs = kChildTimeLimitMs;
    WaitingNotice whileWaiting;
    const ChildStop* stop = nullptr;
    // The child and, by the system's rule, every process it starts.
    bool belowNormalPriority = false;
    // The tool that the line runs, directly or through cmd; when it is not there nothing is
    // started and the run ends as NotFound.
    std::wstring program;
    // A file made for the child's standard output and error; empty: the child gets no
    // standard handles at all.
    std::wstring standardOutput;
};

enum class ChildEnd {
    Exited,    // exitCode is the child's
    TimedOut,  // ended at the time limit; exitCode 0x102 as a rule
    Stopped,   // ended on request, or never started because of one; exitCode kChildStopped
    NotFound,  // the program is not there; exitCode the HRESULT of the reason
    Failed,    // could not be started or waited for; exitCode the HRESULT of the reason
};

struct ChildOutcome {
    ChildEnd end = ChildEnd::Failed;
    ResultCode exitCode = 0;
};

ChildOutcome RunChild(const ChildRun& run);

// The child's exit code; 0x102 when it was stopped at the time limit, and the
// HRESULT form of the error when it could not be started at all.
ResultCode RunProcess(const std::wstring& commandLine, DWORD timeLimitMs = kChildTimeLimitMs,
                      const WaitingNotice& whileWaiting = {});

// cmd.exe of the system directory when the program word is the bare "cmd", else empty:
// a bare name is looked up in the application's and the current directory first.
std::wstring ApplicationNameFor(const std::wstring& commandLine);

// The exit code of an ended process, or the HRESULT form of the reason it cannot be read.
ResultCode ReadExitCode(HANDLE process);

}  // namespace qeb
