#include "util/Console.h"

#include "util/CodePage.h"
#include "util/OutputCalls.h"
#include "util/Paths.h"
#include "util/StatusLine.h"
#include "util/UniqueOwner.h"

#include <windows.h>

#include <utility>

namespace qeb {
namespace {

unsigned g_codePage = CP_ACP;

struct LineLog {
    UniqueFileHandle file;
    bool empty = false;
    std::function<void(unsigned long)> onWriteFailure;
};

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

void AppendToLog(const std::wstring& line) {
    LineLog& log = TheLog();
    if (!log.file) {
        return;
    }
    std::string bytes = EncodeText(line, CP_UTF8);
    if (log.empty) {
        bytes.insert(0, "\xEF\xBB\xBF");
    }
    DWORD written = 0;
    if (::WriteFile(log.file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    nullptr) &&
        written == bytes.size()) {
        log.empty = false;
        return;
    }
    const DWORD error = written == bytes.size() ? ::GetLastError() : ERROR_DISK_FULL;
    log.file.Reset();  // what is printed about the failure must not be logged again
    if (auto told = std::exchange(log.onWriteFailure, nullptr)) {
        told(error);
    }
}

}  // namespace

// Opened once and written through that handle only; a new log is made protected, and a link
// in the log's place is never written through.
unsigned long StartLineLog(const std::wstring& path, SECURITY_ATTRIBUTES* attributes,
                           std::function<void(unsigned long error)> onWriteFailure) {
    LineLog& log = TheLog();
    log.file.Reset(TheOutputCalls().createFile(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                               FILE_SHARE_READ, attributes, OPEN_ALWAYS,
                                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!log.file) {
        return ::GetLastError();
    }
    FILE_BASIC_INFO info{};
    if (!::GetFileInformationByHandleEx(log.file.Get(), FileBasicInfo, &info, sizeof info) ||
        (info.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        IsLink(path)) {
        log.file.Reset();
        return ERROR_CANT_ACCESS_FILE;
    }
    LARGE_INTEGER size{};
    log.empty = ::GetFileSizeEx(log.file.Get(), &size) && size.QuadPart == 0;
    log.onWriteFailure = std::move(onWriteFailure);
    return ERROR_SUCCESS;
}

void SetConsoleCodePage(unsigned codePage) {
    g_codePage = codePage;
}

void PrintLine(const std::wstring& text) noexcept {
    StatusLine::Get().Erase();
    try {
        const std::wstring line = text + L"\r\n";
        const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        if (IsUsable(out) && ::GetConsoleMode(out, &mode)) {
            WriteConsoleText(out, line);
        } else if (IsUsable(out)) {
            const std::string bytes = EncodeText(line, g_codePage);
            WriteBytes(out, bytes.data(), bytes.size());
        }
        AppendToLog(line);
    } catch (...) {
        // Output is best effort: a failed line must not turn into a failed command.
    }
}

void PrintNarrowLine(const std::string& text) noexcept {
    StatusLine::Get().Erase();
    try {
        const std::string line = text + "\r\n";
        const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
        if (IsUsable(out)) {
            WriteBytes(out, line.data(), line.size());
        }
        AppendToLog(DecodeText(line, CP_ACP));
    } catch (...) {
    }
}

}  // namespace qeb
