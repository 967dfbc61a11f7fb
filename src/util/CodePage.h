// Conversions between wide text and the bytes of a code page.
#pragma once

#include <optional>
#include <string>

namespace qeb {

// Characters the code page lacks become defaultChar (two bytes are read from it for a
// double-byte code page), or the code page's own
// default character when it is null.
std::string EncodeText(const std::wstring& text, unsigned codePage,
                       const char* defaultChar = nullptr);

// UTF-8, or nullopt for text that is no valid UTF-16 (a lone surrogate).
std::optional<std::string> EncodeUtf8(const std::wstring& text);

// Empty when the bytes cannot be converted.
std::wstring DecodeText(const std::string& bytes, unsigned codePage);

}  // namespace qeb
