// The last console line of a failed run: the system text of the result and its code.
#pragma once

#include <string>

#include "util/ResultCode.h"

namespace qeb {

// "%1%(0x%2$x)" with the system text, or "Faild (0x%1$x)" when there is none.
std::wstring FormatClosingLine(ResultCode result, const std::wstring& systemText);

// Prints the closing line for a non-zero result; nothing for 0.
void PrintClosingLine(ResultCode result);

}  // namespace qeb
