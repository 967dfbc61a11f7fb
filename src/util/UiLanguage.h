// The language in which the system shows its texts.
#pragma once

#include <string>

namespace qeb {

// The system's default UI language as a locale name such as ja-JP; empty when the system
// gives none.
std::wstring SystemUiLocaleName();

}  // namespace qeb
