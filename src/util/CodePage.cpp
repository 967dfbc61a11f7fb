#include "util/CodePage.h"

#include <windows.h>

namespace qeb {

std::string EncodeText(const std::wstring& text, unsigned codePage, const char* defaultChar) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int size =
        ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, defaultChar, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    const int converted = ::WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(),
                                                size, defaultChar, nullptr);
    bytes.resize(static_cast<size_t>(converted > 0 ? converted : 0));
    return bytes;
}

std::optional<std::string> EncodeUtf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length,
                                           nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, bytes.data(), size,
                          nullptr, nullptr);
    return bytes;
}

std::wstring DecodeText(const std::string& bytes, unsigned codePage) {
    if (bytes.empty()) {
        return {};
    }
    const int length = static_cast<int>(bytes.size());
    const int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(size), L'\0');
    const int converted =
        ::MultiByteToWideChar(codePage, 0, bytes.data(), length, text.data(), size);
    text.resize(static_cast<size_t>(converted > 0 ? converted : 0));
    return text;
}

}  // namespace qeb
