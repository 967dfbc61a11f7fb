// Where the inventory looks for a file's companion text and under which directory it
// lists the file.
#pragma once

#include <string>

namespace qeb {

// The path up to, and not including, its last backslash; empty when it has none.
std::wstring GroupDirectoryOf(const std::wstring& path);

// The same name with ".txt" for its extension, in the same directory.
std::wstring CompanionPath(const std::wstring& path);

}  // namespace qeb
