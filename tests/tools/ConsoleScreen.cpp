// Runs a program on the console it is attached to and writes what that console's screen
// shows: every few moments while the program runs, and once after it ended. The tests start
// it in a pseudo console, where it can read the screen that a program left, which a pipe
// never shows.
//   console_screen <prefix> <interval ms> <program> [argument ...]
// writes <prefix>.<n>.txt while the program runs, <prefix>.final.txt afterwards (UTF-8, one
// line per screen row, trailing blanks and empty rows at the end dropped) and the program's
// exit code to <prefix>.exit.
#include <windows.h>

#include <string>
#include <vector>

#include "ToolText.h"

namespace {

std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

void WriteFileText(const std::wstring& path, const std::string& text) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(file);
    }
}

std::wstring Screen(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(console, &info)) {
        return L"(no screen)";
    }
    std::vector<std::wstring> rows;
    std::vector<wchar_t> cells(static_cast<size_t>(info.dwSize.X));
    for (SHORT row = 0; row < info.dwSize.Y; ++row) {
        DWORD read = 0;
        ::ReadConsoleOutputCharacterW(console, cells.data(), info.dwSize.X, COORD{0, row}, &read);
        std::wstring text(cells.data(), read);
        text.erase(text.find_last_not_of(L' ') + 1);
        rows.push_back(text);
    }
    while (!rows.empty() && rows.back().empty()) {
        rows.pop_back();
    }
    std::wstring screen;
    for (const std::wstring& row : rows) {
        screen += row + L"\n";
    }
    return screen;
}

HANDLE OpenConsole(const wchar_t* name) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    return ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         &inheritable, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        return 2;
    }
    const std::wstring prefix = argv[1];
    const DWORD interval = wcstoul(argv[2], nullptr, 10);
    std::wstring commandLine = Quoted(argv[3]);
    for (int i = 4; i < argc; ++i) {
        commandLine += L" " + Quoted(argv[i]);
    }
    const HANDLE output = OpenConsole(L"CONOUT$");
    const HANDLE input = OpenConsole(L"CONIN$");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(argv[3], commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return 3;
    }
    ::CloseHandle(info.hThread);
    for (int snapshot = 0; ::WaitForSingleObject(info.hProcess, interval) == WAIT_TIMEOUT;
         ++snapshot) {
        WriteFileText(prefix + L"." + std::to_wstring(snapshot) + L".txt", ToUtf8(Screen(output)));
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(info.hProcess, &exitCode);
    WriteFileText(prefix + L".final.txt", ToUtf8(Screen(output)));
    WriteFileText(prefix + L".exit", std::to_string(exitCode));
    return 0;
}
