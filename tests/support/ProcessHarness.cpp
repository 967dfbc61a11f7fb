#include "support/ProcessHarness.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>

#include "support/Scratch.h"
#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    }
};

}  // namespace

std::wstring ProcessResult::Text() const {
    return Decode(output, 932);
}

std::vector<std::wstring> ProcessResult::Lines() const {
    return SplitLines(Text());
}

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring BuildEnvironmentBlock(
    const std::map<std::wstring, std::optional<std::wstring>>& changes) {
    std::map<std::wstring, std::wstring, NameLess> variables;
    std::vector<std::wstring> driveEntries;  // "=C:=C:\..." entries keep their place in front
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        const size_t equals = text.find(L'=', 1);
        if (text[0] == L'=' || equals == std::wstring::npos) {
            driveEntries.push_back(text);
        } else {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    ::FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::wstring result;
    for (const std::wstring& entry : driveEntries) {
        result += entry + L'\0';
    }
    for (const auto& [name, value] : variables) {
        result += name + L'=' + value + L'\0';
    }
    return result + L'\0';
}

ProcessResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                         const ProcessOptions& options) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
    if (!::CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inheritable, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    UniqueHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                                   0, nullptr));

    std::wstring commandLine = QuoteArgument(program);
    for (const std::wstring& argument : arguments) {
        commandLine += L' ' + QuoteArgument(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.Get();
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = nul.Get();

    std::wstring environment = BuildEnvironmentBlock(options.environment);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(
            program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
            environment.data(),
            options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(), &startup,
            &info)) {
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    writeEnd.Reset();

    ProcessResult result;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(readEnd.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        result.output.append(buffer, read);
    }
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    result.exitCode = exitCode;
    return result;
}

BackgroundProcess::BackgroundProcess(const std::wstring& program,
                                     const std::vector<std::wstring>& arguments,
                                     const ProcessOptions& options) {
    std::wstring commandLine = QuoteArgument(program);
    for (const std::wstring& argument : arguments) {
        commandLine += L' ' + QuoteArgument(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring environment = BuildEnvironmentBlock(options.environment);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(
            program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
            CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
            options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(), &startup,
            &info)) {
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
    }
    ::CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_id = info.dwProcessId;
}

BackgroundProcess::~BackgroundProcess() {
    if (IsRunning()) {
        Terminate();
    }
    ::CloseHandle(m_process);
}

bool BackgroundProcess::IsRunning() const {
    return ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

void BackgroundProcess::Terminate() {
    ::TerminateProcess(m_process, 1);
    ::WaitForSingleObject(m_process, 10000);
}

std::optional<unsigned long> BackgroundProcess::Wait(unsigned long milliseconds) {
    if (::WaitForSingleObject(m_process, milliseconds) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(m_process, &exitCode);
    return exitCode;
}

bool IsProcessRunning(unsigned long id) {
    const UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

}  // namespace qeb::test
