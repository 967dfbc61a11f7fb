#include "support/ConsoleScreen.h"

#include <windows.h>

#include <stdexcept>
#include <thread>

#include "support/Scratch.h"
#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

constexpr DWORD_PTR kPseudoConsoleAttribute = 0x00020016;  // PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE

using CreatePseudoConsoleFn = HRESULT(WINAPI*)(COORD, HANDLE, HANDLE, DWORD, void**);
using ClosePseudoConsoleFn = void(WINAPI*)(void*);

template <typename Function>
Function Kernel32(const char* name) {
    const FARPROC function = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name);
    if (function == nullptr) {
        throw std::runtime_error(std::string(name) + " is missing");
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(function));
}

// Screen rows as the screen reader wrote them, one per line.
std::vector<std::wstring> Rows(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    std::vector<std::wstring> rows;
    const std::wstring text = Decode(ReadBytes(path), CP_UTF8);
    size_t start = 0;
    for (size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', start)) {
        rows.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return rows;
}

// The console's side of the pseudo console, drained so that its renderer never blocks.
class PseudoConsole {
public:
    PseudoConsole() {
        if (!::CreatePipe(m_inputRead.Receive(), m_inputWrite.Receive(), nullptr, 0) ||
            !::CreatePipe(m_outputRead.Receive(), m_outputWrite.Receive(), nullptr, 0)) {
            throw std::runtime_error("CreatePipe failed");
        }
        const auto create = Kernel32<CreatePseudoConsoleFn>("CreatePseudoConsole");
        if (FAILED(create(COORD{120, 40}, m_inputRead.Get(), m_outputWrite.Get(), 0, &m_console))) {
            throw std::runtime_error("CreatePseudoConsole failed");
        }
        m_drain = std::thread([this] {
            char buffer[4096];
            DWORD read = 0;
            while (::ReadFile(m_outputRead.Get(), buffer, sizeof buffer, &read, nullptr) &&
                   read > 0) {
            }
        });
    }

    ~PseudoConsole() {
        Kernel32<ClosePseudoConsoleFn>("ClosePseudoConsole")(m_console);
        m_outputWrite.Reset();
        m_inputWrite.Reset();
        m_drain.join();
    }

    PseudoConsole(const PseudoConsole&) = delete;
    PseudoConsole& operator=(const PseudoConsole&) = delete;

    void* Handle() const { return m_console; }

private:
    UniqueHandle m_inputRead;
    UniqueHandle m_inputWrite;
    UniqueHandle m_outputRead;
    UniqueHandle m_outputWrite;
    void* m_console = nullptr;
    std::thread m_drain;
};

}  // namespace

ScreenRun RunOnScreen(const std::wstring& program, const std::vector<std::wstring>& arguments,
                      const ProcessOptions& options, unsigned long intervalMs) {
    ScratchFolder screens(CurrentTestName() + L"_screens");
    const std::wstring prefix = screens / L"screen";
    std::wstring commandLine = QuoteArgument(ModuleDirectory() + L"\\console_screen.exe") + L" " +
                               QuoteArgument(prefix) + L" " + std::to_wstring(intervalMs) + L" " +
                               QuoteArgument(program);
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + QuoteArgument(argument);
    }

    PseudoConsole console;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    ::InitializeProcThreadAttributeList(attributes, 1, 0, &size);
    void* handle = console.Handle();
    ::UpdateProcThreadAttribute(attributes, 0, kPseudoConsoleAttribute, handle, sizeof handle,
                                nullptr, nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = attributes;
    std::wstring environment = BuildEnvironmentBlock(options.environment);
    PROCESS_INFORMATION info{};
    const BOOL started = ::CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, FALSE,
        EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT, environment.data(),
        options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(),
        &startup.StartupInfo, &info);
    ::DeleteProcThreadAttributeList(attributes);
    if (!started) {
        throw std::runtime_error("console_screen.exe could not be started");
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    ::WaitForSingleObject(process.Get(), 120000);

    ScreenRun run;
    run.exitCode = std::wcstoul(Decode(ReadBytes(prefix + L".exit"), CP_UTF8).c_str(), nullptr, 10);
    for (int snapshot = 0;; ++snapshot) {
        const std::wstring path = prefix + L"." + std::to_wstring(snapshot) + L".txt";
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            break;
        }
        run.whileRunning.push_back(Rows(path));
    }
    run.final = Rows(prefix + L".final.txt");
    return run;
}

}  // namespace qeb::test
