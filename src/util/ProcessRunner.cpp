#include "util/ProcessRunner.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "util/PathText.h"
#include "util/Paths.h"
#include "util/UniqueOwner.h"

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
void StopChild(HANDLE process, HANDLE job) {
    if (job == nullptr || !::TerminateJobObject(job, WAIT_TIMEOUT)) {
        ::TerminateProcess(process, WAIT_TIMEOUT);
    }
    ::WaitForSingleObject(process, kTerminationGraceMs);
}

// The result of waiting for the process up to the limit, with the notice between slices.
DWORD WaitWithNotices(HANDLE process, DWORD timeLimitMs, const WaitingNotice& whileWaiting) {
    if (!whileWaiting) {
        return ::WaitForSingleObject(process, timeLimitMs);
    }
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        const ULONGLONG elapsed = ::GetTickCount64() - start;
        if (elapsed >= timeLimitMs) {
            return WAIT_TIMEOUT;
        }
        const DWORD slice =
            static_cast<DWORD>(std::min<ULONGLONG>(kNoticeInterval, timeLimitMs - elapsed));
        const DWORD waited = ::WaitForSingleObject(process, slice);
        if (waited != WAIT_TIMEOUT) {
            return waited;
        }
        whileWaiting(::GetTickCount64() - start);
    }
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

ResultCode RunProcess(const std::wstring& commandLine, DWORD timeLimitMs,
                      const WaitingNotice& whileWaiting) {
    STARTUPINFOW startup = HiddenWindowStartup();
    std::vector<wchar_t> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back(L'\0');
    const std::wstring applicationName = ApplicationNameFor(commandLine);

    // Suspended until it is in the job, so that nothing it starts escapes the job.
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(applicationName.empty() ? nullptr : applicationName.c_str(),
                          writableLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NEW_CONSOLE | CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &info)) {
        return LastErrorAsResult();
    }
    const UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    UniqueHandle job = CreateKillOnCloseJob();
    if (job && !::AssignProcessToJobObject(job.Get(), process.Get())) {
        job.Reset();  // runs as before, without the job
    }
    ::ResumeThread(thread.Get());
    thread.Reset();

    const DWORD waited = WaitWithNotices(process.Get(), timeLimitMs, whileWaiting);
    if (waited == WAIT_FAILED) {
        return LastErrorAsResult();
    }
    if (waited == WAIT_TIMEOUT) {
        StopChild(process.Get(), job.Get());
    }
    return ReadExitCode(process.Get());
}

}  // namespace qeb
