// EUC-JP and Shift_JIS, one into the other: companion files of that encoding are read as
// Shift_JIS, and PACK -mask looks for a name in EUC-JP members by its EUC-JP bytes.
#pragma once

#include <string>

namespace qeb {

// Converts zero-terminated EUC-JP bytes in place; the result is never longer. Half-width
// katakana and JIS X 0208 map exactly; a JIS X 0212 character, which Shift_JIS lacks, becomes
// the geta mark 81 AC; a lead byte at the end of the text is kept as it is.
void EucJpToShiftJis(char* text);

// The EUC-JP bytes of code page 932 text; empty when a character has none (the extensions of
// rows 13 and 89 to 92 and the user-defined area) or the text is no code page 932.
std::string ShiftJisToEucJp(const std::string& text);

}  // namespace qeb
