// PACK -maskwords:<file>: the operator's own words and phrases to mask (company names, project
// code names). UTF-8 with or without its mark, or UTF-16 with its mark; one per line, blanks
// around it dropped; empty lines and lines that begin with '#' are skipped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qeb {

// False, with the 1-based number of the first line that is not text, holds a control
// character or is longer than 256 characters, or of the line past 10,000 words.
bool ParseMaskWords(const std::string& bytes, std::vector<std::u16string>& words,
                    std::size_t& badLine);

}  // namespace qeb
