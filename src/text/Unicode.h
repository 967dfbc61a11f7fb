// UTF-8 and UTF-16, one into the other, strictly: every reader of text in the program takes
// the same view of what is well formed.
#pragma once

#include <cstddef>
#include <string>

namespace qeb {

// No unpaired surrogate.
bool IsWellFormedUtf16(const std::u16string& text);
// `text` must be well formed.
std::string Utf8Of(const std::u16string& text);
// The bytes of UTF-16 text in either byte order.
std::string Utf16Bytes(const std::u16string& text, bool bigEndian);
// Wide text of either width (UTF-16 where wchar_t has 16 bits, UTF-32 elsewhere); a lone
// surrogate becomes U+FFFD, so that the result is always valid UTF-8.
std::string ToUtf8(const std::wstring& text);
// False for anything but well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool Utf16OfUtf8(const char* text, std::size_t size, std::u16string& result);

// The length of the well-formed UTF-8 character at `text`, 0 when there is none, kUtf8Cut
// when the `size` bytes end inside one that may be well formed.
constexpr std::size_t kUtf8Cut = static_cast<std::size_t>(-1);
std::size_t Utf8SequenceAt(const unsigned char* text, std::size_t size);

}  // namespace qeb
