#include "util/Console.h"

#include "util/CodePage.h"
#include "util/ConsoleLock.h"
#include "util/LineLog.h"
#include "util/StatusLine.h"
#include "util/ThreadOutput.h"

#include <windows.h>

#include <utility>

namespace qeb {
namespace {

unsigned g_codePage = CP_ACP;

LineLog& TheLog() {
    static LineLog log;
    return log;
}

bool IsUsable(HANDLE out) {
    return out != nullptr && out != INVALID_HANDLE_VALUE;
}

void WriteBytes(HANDLE out, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(size > 0x10000 ? 0x10000 : size);
        if (!::WriteFile(out, data, chunk, &written, nullptr) || written == 0) {
            return;
        }
        data += written;
        size -= written;
    }
}

void WriteConsoleText(HANDLE out, const std::wstring& text) {
    const wchar_t* data = text.data();
    size_t size = text.size();
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(size > 0x4000 ? 0x4000 : size);
        if (!::WriteConsoleW(out, data, chunk, &written, nullptr) || written == 0) {
            return;
        }
        data += written;
        size -= written;
    }
}

}  // namespace

unsigned long StartLineLog(const std::wstring& path, SECURITY_ATTRIBUTES* attributes,
                           std::function<void(unsigned long error)> onWriteFailure) {
    const std::lock_guard<std::recursive_mutex> lock(ConsoleMutex());
    return TheLog().Open(path, attributes, std::move(onWriteFailure));
}

void SetConsoleCodePage(unsigned codePage) {
    g_codePage = codePage;
}

void PrintLine(const std::wstring& text) noexcept {
    try {
        const std::wstring line = text + L"\r\n";
        if (LineLog* own = ThreadOutput::OfThisThread()) {
            own->Append(line);
            return;
        }
        const std::lock_guard<std::recursive_mutex> lock(ConsoleMutex());
        StatusLine::Get().Erase();
        const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        if (IsUsable(out) && ::GetConsoleMode(out, &mode)) {
            WriteConsoleText(out, line);
        } else if (IsUsable(out)) {
            const std::string bytes = EncodeText(line, g_codePage);
            WriteBytes(out, bytes.data(), bytes.size());
        }
        TheLog().Append(line);
    } catch (...) {
        // Output is best effort: a failed line must not turn into a failed command.
    }
}

void PrintNarrowLine(const std::string& text) noexcept {
    try {
        const std::string line = text + "\r\n";
        if (LineLog* own = ThreadOutput::OfThisThread()) {
            own->Append(DecodeText(line, CP_ACP));
            return;
        }
        const std::lock_guard<std::recursive_mutex> lock(ConsoleMutex());
        StatusLine::Get().Erase();
        const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
        if (IsUsable(out)) {
            WriteBytes(out, line.data(), line.size());
        }
        TheLog().Append(DecodeText(line, CP_ACP));
    } catch (...) {
    }
}

}  // namespace qeb
