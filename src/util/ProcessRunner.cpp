#include "util/ProcessRunner.h"

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <vector>

#include <stdexcept>

#include "util/PathText.h"
#include "util/Paths.h"

namespace qeb {
namespace {

// A terminated child ends soon after the request; its exit code is only final then.
constexpr DWORD kTerminationGraceMs = 5000;

constexpr ResultCode kUnspecifiedFailure = 0x80004005;  // E_FAIL
constexpr DWORD kNoticeInterval = 250;

ResultCode LastErrorAsResult() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? HresultFromWin32(error) : kUnspecifiedFailure;
}

STARTUPINFOW HiddenWindowStartup() {
    STARTUPINFOW startup{};
    ::GetStartupInfoW(&startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    return startup;
}

std::wstring ProgramWord(const std::wstring& commandLine) {
    const size_t start = commandLine.find_first_not_of(L" \t");
    if (start == std::wstring::npos) {
        return {};
    }
    const size_t end = commandLine.find_first_of(L" \t", start);
    return commandLine.substr(start, end == std::wstring::npos ? end : end - start);
}

std::wstring SystemDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// A job that ends every process in it when its last handle is closed: at the time limit,
// and when this program ends for whatever reason, nothing the child started runs on. The
// handle is not inheritable, so no child holds the job open.
UniqueHandle CreateKillOnCloseJob() {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && !::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                          sizeof limits)) {
        job.Reset();
    }
    return job;
}

// The whole tree when the child is in the job, else the child alone.
void StopChild(HANDLE process, HANDLE job, UINT exitCode) {
    if (job == nullptr || !::TerminateJobObject(job, exitCode)) {
        ::TerminateProcess(process, exitCode);
    }
    ::WaitForSingleObject(process, kTerminationGraceMs);
}

enum class Waited { Ended, TimedOut, Stopped, Failed };

// Waits for the process up to the limit or a stop request, with the notice between slices.
Waited WaitForChild(HANDLE process, HANDLE stop, DWORD timeLimitMs,
                    const WaitingNotice& whileWaiting) {
    const HANDLE handles[] = {process, stop};
    const DWORD count = stop != nullptr ? 2 : 1;
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        const ULONGLONG elapsed = ::GetTickCount64() - start;
        if (elapsed >= timeLimitMs) {
            return Waited::TimedOut;
        }
        const ULONGLONG left = timeLimitMs - elapsed;
        const DWORD slice =
            static_cast<DWORD>(whileWaiting ? std::min<ULONGLONG>(kNoticeInterval, left) : left);
        const DWORD waited = ::WaitForMultipleObjects(count, handles, FALSE, slice);
        if (waited == WAIT_OBJECT_0) {
            return Waited::Ended;
        }
        if (waited == WAIT_OBJECT_0 + 1) {
            return Waited::Stopped;
        }
        if (waited != WAIT_TIMEOUT) {
            return Waited::Failed;
        }
        if (whileWaiting) {
            whileWaiting(::GetTickCount64() - start);
        }
    }
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

DWORD MissingProgramError(const std::wstring& program) {
    const DWORD attributes = ::GetFileAttributesW(program.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return IsMissing(error) ? error : ERROR_SUCCESS;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

// A handle that a child inherits is inherited by every child created while it is open, so
// the handles for one child are made, handed over and closed while no other child is made.
std::mutex& ChildCreation() {
    static std::mutex creation;
    return creation;
}

// Created suspended, so that it is in the job before it can start anything.
bool CreateSuspendedChild(const ChildRun& run, PROCESS_INFORMATION& info, DWORD& error) {
    STARTUPINFOW startup = HiddenWindowStartup();
    std::vector<wchar_t> writableLine(run.commandLine.begin(), run.commandLine.end());
    writableLine.push_back(L'\0');
    const std::wstring applicationName = ApplicationNameFor(run.commandLine);
    const DWORD flags = CREATE_NEW_CONSOLE | CREATE_SUSPENDED |
                        (run.belowNormalPriority ? BELOW_NORMAL_PRIORITY_CLASS : 0);

    const std::lock_guard<std::mutex> lock(ChildCreation());
    UniqueFileHandle output;
    if (!run.standardOutput.empty()) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        output.Reset(::CreateFileW(run.standardOutput.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                   &inherited, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!output) {
            error = ::GetLastError();
            return false;
        }
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output.Get();
        startup.hStdError = output.Get();
    }
    if (!::CreateProcessW(applicationName.empty() ? nullptr : applicationName.c_str(),
                          writableLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                          &startup, &info)) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

ChildOutcome NotRun(ChildEnd end, DWORD error) {
    return ChildOutcome{end,
                        error != ERROR_SUCCESS ? HresultFromWin32(error) : kUnspecifiedFailure};
}

}  // namespace

std::wstring ApplicationNameFor(const std::wstring& commandLine) {
    if (_wcsicmp(ProgramWord(commandLine).c_str(), L"cmd") != 0) {
        return {};
    }
    const std::wstring directory = SystemDirectory();
    return directory.empty() ? std::wstring() : JoinPath(directory, L"cmd.exe");
}

ResultCode ReadExitCode(HANDLE process) {
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process, &exitCode)) {
        return LastErrorAsResult();
    }
    return exitCode;
}

ChildStop::ChildStop() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!m_event) {
        throw std::runtime_error("CreateEventW failed");
    }
}

void ChildStop::Request() noexcept {
    ::SetEvent(m_event.Get());
}

bool ChildStop::Requested() const noexcept {
    return ::WaitForSingleObject(m_event.Get(), 0) == WAIT_OBJECT_0;
}

ChildOutcome RunChild(const ChildRun& run) {
    if (run.stop != nullptr && run.stop->Requested()) {
        return ChildOutcome{ChildEnd::Stopped, kChildStopped};
    }
    if (!run.program.empty()) {
        if (const DWORD missing = MissingProgramError(run.program); missing != ERROR_SUCCESS) {
            return NotRun(ChildEnd::NotFound, missing);
        }
    }
    PROCESS_INFORMATION info{};
    DWORD error = ERROR_SUCCESS;
    if (!CreateSuspendedChild(run, info, error)) {
        return NotRun(IsMissing(error) ? ChildEnd::NotFound : ChildEnd::Failed, error);
    }
    const UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    // Again while it is suspended: Wine does not take the class from the creation flags.
    if (run.belowNormalPriority) {
        ::SetPriorityClass(process.Get(), BELOW_NORMAL_PRIORITY_CLASS);
    }
    UniqueHandle job = CreateKillOnCloseJob();
    if (job && !::AssignProcessToJobObject(job.Get(), process.Get())) {
        job.Reset();  // runs as before, without the job
    }
    ::ResumeThread(thread.Get());
    thread.Reset();

    const Waited waited =
        WaitForChild(process.Get(), run.stop != nullptr ? run.stop->Event() : nullptr,
                     run.timeLimitMs, run.whileWaiting);
    switch (waited) {
        case Waited::Ended:
            return ChildOutcome{ChildEnd::Exited, ReadExitCode(process.Get())};
        case Waited::TimedOut:
            StopChild(process.Get(), job.Get(), WAIT_TIMEOUT);
            return ChildOutcome{ChildEnd::TimedOut, ReadExitCode(process.Get())};
        case Waited::Stopped:
            StopChild(process.Get(), job.Get(), kChildStopped);
            return ChildOutcome{ChildEnd::Stopped, ReadExitCode(process.Get())};
        case Waited::Failed:
            break;
    }
    return ChildOutcome{ChildEnd::Failed, LastErrorAsResult()};
}

ResultCode RunProcess(const std::wstring& commandLine, DWORD timeLimitMs,
                      const WaitingNotice& whileWaiting) {
    ChildRun run;
    run.commandLine = commandLine;
    run.timeLimitMs = timeLimitMs;
    run.whileWaiting = whileWaiting;
    return RunChild(run).exitCode;
}

}  // namespace qeb
