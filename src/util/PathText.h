// Rules on the text of Windows paths, without asking the file system.
#pragma once

#include <string>

namespace qeb {

// Puts exactly one backslash between the parts unless the left part is empty or
// ends in a separator or colon, or the right part starts with a separator.
std::wstring JoinPath(const std::wstring& left, const std::wstring& right);

// The path without its last element; a drive root keeps its backslash.
std::wstring DirectoryOf(const std::wstring& path);

}  // namespace qeb
