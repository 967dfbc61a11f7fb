// How many console cells text takes: full-width characters (kanji, kana, full-width forms)
// take two, as a Japanese console shows them.
#pragma once

#include <cstddef>
#include <string>

namespace qeb {

std::size_t CellWidth(wchar_t c);

// The longest start of `text` that fits into `cells`, never ending between the two halves of
// a surrogate pair.
std::wstring CutToCells(const std::wstring& text, std::size_t cells);

}  // namespace qeb
