#include "util/Console.h"

#include "util/CodePage.h"
#include "util/StatusLine.h"

#include <windows.h>

namespace qeb {
namespace {

unsigned g_codePage = CP_ACP;

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

void SetConsoleCodePage(unsigned codePage) {
    g_codePage = codePage;
}

void PrintLine(const std::wstring& text) noexcept {
    StatusLine::Get().Erase();
    try {
        const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE) {
            return;
        }
        const std::wstring line = text + L"\r\n";
        DWORD mode = 0;
        if (::GetConsoleMode(out, &mode)) {
            WriteConsoleText(out, line);
        } else {
            const std::string bytes = EncodeText(line, g_codePage);
            WriteBytes(out, bytes.data(), bytes.size());
        }
    } catch (...) {
        // Output is best effort: a failed line must not turn into a failed command.
    }
}

void PrintNarrowLine(const std::string& text) noexcept {
    StatusLine::Get().Erase();
    try {
        const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE) {
            return;
        }
        const std::string line = text + "\r\n";
        WriteBytes(out, line.data(), line.size());
    } catch (...) {
    }
}

}  // namespace qeb
