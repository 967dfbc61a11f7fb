// Runs a command line as a hidden child process and waits for it to end.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "util/ResultCode.h"

namespace qeb {

constexpr DWORD kChildTimeLimitMs = 3600000;

// Told the milliseconds since the start, a few times a second, while the child runs.
using WaitingNotice = std::function<void(unsigned long long elapsedMs)>;

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
