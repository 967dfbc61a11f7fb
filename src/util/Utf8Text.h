// UTF-8 of wide text on every platform: UTF-16 where wchar_t has 16 bits, UTF-32 elsewhere.
#pragma once

#include <string>

namespace qeb {

// A lone surrogate becomes U+FFFD, so that the result is always valid UTF-8.
std::string ToUtf8(const std::wstring& text);

}  // namespace qeb
