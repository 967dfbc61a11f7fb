// Path questions and output-directory creation on wide paths, used unchanged.
// A missing path is no failure; other status failures raise filesystem_error.
#pragma once

#include <string>

namespace qeb {

bool IsDirectory(const std::wstring& path);
bool PathExists(const std::wstring& path);

// True when the directory is there afterwards and was there or its last level
// was created here; creation failures raise filesystem_error.
bool EnsureDirectory(const std::wstring& path);

// The value of SystemRoot, or empty when it is not set.
std::wstring GetSystemRoot();

// Puts exactly one backslash between the parts unless the left part is empty or
// ends in a separator or colon, or the right part starts with a separator.
std::wstring JoinPath(const std::wstring& left, const std::wstring& right);

}  // namespace qeb
