// Stands in for the system tools that the commands run. It appends its exact
// command line (UTF-16, one line per run) to <its own path>.cmdline, its
// startup flags to <its own path>.startup and its priority class (hexadecimal) to
// <its own path>.priority, optionally sleeps, writes one recognisable line to the
// file after /report or after "epl <log>" (wevtutil's export), or else to standard
// output, and exits with the chosen code. Controlled by the environment:
//   QEB_FAKE_EXIT      "5", or "system:3,application:0,7": a code per argument
//                      word, the bare number for runs without such a word
//   QEB_FAKE_SLEEP_MS  milliseconds to sleep before writing the output
//   QEB_FAKE_HOLD      a file that it keeps open for writing (others may read) while it sleeps
//   QEB_FAKE_QUIET     any value: it writes nothing, as Wine's own tools do
//   QEB_FAKE_GRANDCHILD a file: it starts a copy of itself that sleeps two minutes, and
//                      writes "<its own id> <the copy's id>" there
#include <windows.h>

#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "ToolText.h"

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring ModulePath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    return std::wstring(buffer, length);
}

void WriteAll(HANDLE file, const void* data, size_t size) {
    DWORD written = 0;
    ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
}

void AppendToFile(const std::wstring& path, const void* data, size_t size) {
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        WriteAll(file, data, size);
        ::CloseHandle(file);
    }
}

void RecordRun(const std::wstring& modulePath) {
    const std::wstring line = std::wstring(::GetCommandLineW()) + L"\n";
    AppendToFile(modulePath + L".cmdline", line.data(), line.size() * sizeof(wchar_t));

    STARTUPINFOW startup{};
    ::GetStartupInfoW(&startup);
    wchar_t text[64] = {};
    swprintf(text, 64, L"flags=%lu show=%u\n", startup.dwFlags, startup.wShowWindow);
    const std::string bytes = ToUtf8(text);
    AppendToFile(modulePath + L".startup", bytes.data(), bytes.size());

    swprintf(text, 64, L"%lx\n", ::GetPriorityClass(::GetCurrentProcess()));
    const std::string priority = ToUtf8(text);
    AppendToFile(modulePath + L".priority", priority.data(), priority.size());
}

std::vector<std::wstring> Arguments(int argc, wchar_t** argv) {
    return std::vector<std::wstring>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool SameWord(const std::wstring& a, const wchar_t* b) {
    return _wcsicmp(a.c_str(), b) == 0;
}

// Entries "word:code" apply when an argument equals the word; a bare code applies otherwise.
DWORD ChosenExitCode(const std::vector<std::wstring>& arguments) {
    std::wistringstream rules(Variable(L"QEB_FAKE_EXIT"));
    DWORD fallback = 0;
    std::wstring rule;
    while (std::getline(rules, rule, L',')) {
        const size_t colon = rule.find(L':');
        if (colon == std::wstring::npos) {
            fallback = wcstoul(rule.c_str(), nullptr, 0);
            continue;
        }
        for (const std::wstring& argument : arguments) {
            if (SameWord(argument, rule.substr(0, colon).c_str())) {
                return wcstoul(rule.c_str() + colon + 1, nullptr, 0);
            }
        }
    }
    return fallback;
}

std::string OutputText(const std::wstring& modulePath, const std::vector<std::wstring>& arguments) {
    std::wstring text = L"QEB fake tool " + modulePath.substr(modulePath.find_last_of(L'\\') + 1);
    for (const std::wstring& argument : arguments) {
        text += L" [" + argument + L"]";
    }
    return ToUtf8(text + L"\r\n");
}

void WriteWholeFile(const std::wstring& path, const std::string& text) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        WriteAll(file, text.data(), text.size());
        ::CloseHandle(file);
    }
}

void WriteOutput(const std::vector<std::wstring>& arguments, const std::string& text) {
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (SameWord(arguments[i], L"/report")) {
            WriteWholeFile(arguments[i + 1], text);
            return;
        }
    }
    if (arguments.size() > 2 && SameWord(arguments[0], L"epl")) {
        WriteWholeFile(arguments[2], text);
        return;
    }
    WriteAll(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), text.size());
}

void StartSleepingCopy(const std::wstring& modulePath, const std::wstring& idFile) {
    ::SetEnvironmentVariableW(L"QEB_FAKE_GRANDCHILD", nullptr);
    const std::wstring ownSleep = Variable(L"QEB_FAKE_SLEEP_MS");
    ::SetEnvironmentVariableW(L"QEB_FAKE_SLEEP_MS", L"120000");
    std::wstring commandLine = L"\"" + modulePath + L"\"";
    // No standard handles of ours: a copy left running must not hold a test's pipe.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(modulePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                         nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    ::SetEnvironmentVariableW(L"QEB_FAKE_SLEEP_MS", ownSleep.empty() ? nullptr : ownSleep.c_str());
    const std::string ids =
        std::to_string(::GetCurrentProcessId()) + " " + std::to_string(info.dwProcessId);
    AppendToFile(idFile, ids.data(), ids.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring modulePath = ModulePath();
    const std::vector<std::wstring> arguments = Arguments(argc, argv);
    RecordRun(modulePath);
    if (const std::wstring idFile = Variable(L"QEB_FAKE_GRANDCHILD"); !idFile.empty()) {
        StartSleepingCopy(modulePath, idFile);
    }
    const std::wstring held = Variable(L"QEB_FAKE_HOLD");
    const HANDLE heldFile =
        held.empty() ? INVALID_HANDLE_VALUE
                     : ::CreateFileW(held.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::wstring sleep = Variable(L"QEB_FAKE_SLEEP_MS");
    if (!sleep.empty()) {
        ::Sleep(wcstoul(sleep.c_str(), nullptr, 10));
    }
    if (heldFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(heldFile);
    }
    if (Variable(L"QEB_FAKE_QUIET").empty()) {
        WriteOutput(arguments, OutputText(modulePath, arguments));
    }
    return static_cast<int>(ChosenExitCode(arguments));
}
