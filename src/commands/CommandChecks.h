// Steps that all four commands share.
#pragma once

#include <string>

#include "util/Messages.h"
#include "util/ResultCode.h"

namespace qeb {

// -dest: must be given and shorter than 260 code units; prints 102 or 123 otherwise.
ResultCode CheckDestination(const std::wstring& dest);

// Prints the help text unprocessed and returns 0.
ResultCode PrintUsage(PlainText help);

}  // namespace qeb
