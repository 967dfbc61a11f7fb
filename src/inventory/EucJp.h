// EUC-JP to Shift_JIS, byte for byte, for companion files of that encoding.
#pragma once

namespace qeb {

// Converts zero-terminated EUC-JP bytes in place; the result is never longer. Half-width
// katakana and JIS X 0208 map exactly; a JIS X 0212 character, which Shift_JIS lacks, becomes
// the geta mark 81 AC; a lead byte at the end of the text is kept as it is.
void EucJpToShiftJis(char* text);

}  // namespace qeb
