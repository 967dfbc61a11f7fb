#include "util/Messages.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>
#include <vector>

#include "util/CodePage.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

std::wstring FormatFromString(const std::wstring& pattern, va_list* args) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                         pattern.c_str(), 0, 0, reinterpret_cast<LPWSTR>(&buffer), 0, args);
    UniqueLocalMemory owner(buffer);
    return buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
}

// msvcrt's formatter: wide %s there, whatever __USE_MINGW_ANSI_STDIO selects for swprintf.
int FormatInto(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) {
#ifdef _MSC_VER
    return _vsnwprintf_s(buffer, count, _TRUNCATE, format, args);
#else
    return _vsnwprintf(buffer, count, format, args);
#endif
}

std::wstring FormatPrintfList(const wchar_t* format, va_list args) {
    va_list sizing;
    va_copy(sizing, args);
    const int needed = _vscwprintf(format, sizing);
    va_end(sizing);
    if (needed <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(needed) + 1, L'\0');
    FormatInto(buffer.data(), buffer.size(), format, args);
    return std::wstring(buffer.data(), static_cast<size_t>(needed));
}

}  // namespace

std::wstring LoadText(unsigned id) {
    const wchar_t* text = nullptr;
    const int length =
        ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (text == nullptr || length <= 0) {
        return {};
    }
    return std::wstring(text, static_cast<size_t>(length));
}

namespace detail {

std::wstring FormatNumberedV(unsigned id, ...) {
    va_list args;
    va_start(args, id);
    std::wstring result = FormatFromString(LoadText(id), &args);
    va_end(args);
    return result;
}

std::wstring FormatPrintfV(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring result = FormatPrintfList(format, args);
    va_end(args);
    return result;
}

}  // namespace detail

std::wstring GetSystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    UniqueLocalMemory owner(buffer);
    return buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
}

std::wstring TrimLineEnd(std::wstring text) {
    if (!text.empty() && text.back() == L'\n') {
        text.pop_back();
    }
    if (!text.empty() && text.back() == L'\r') {
        text.pop_back();
    }
    return text;
}

std::string ToAnsi(const std::wstring& text) {
    return EncodeText(text, CP_ACP);
}

}  // namespace qeb
