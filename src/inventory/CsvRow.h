// The list values of the settings file: comma-separated text with double-quote quoting.
#pragma once

#include <string>
#include <vector>

namespace qeb {

// Fields of the first row of comma-separated text with double-quote quoting; nothing at all
// when the text ends inside a quote.
void SplitCsvRow(const std::wstring& text, std::vector<std::wstring>& fields);

}  // namespace qeb
