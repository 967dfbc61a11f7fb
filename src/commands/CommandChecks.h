// Steps that all four commands share.
#pragma once

#include <string>

#include "commands/OptionTable.h"
#include "util/Messages.h"
#include "util/ResultCode.h"

namespace qeb {

// How a command uses its -dest: value besides as a path.
enum class DestinationUse {
    Path,
    // Also inside a cmd.exe command line, where a double quote ends the quoting and %NAME%
    // is expanded: a value with either would run or redirect something nobody asked for.
    CommandLine,
};

// -dest: must be given, shorter than 260 code units, and free of a double quote (which no
// Windows path holds) and, for a command line, of %; prints 102, 123 or 124 otherwise.
ResultCode CheckDestination(const std::wstring& dest, DestinationUse use);

// 124 naming the argument or option refused, or 102 naming the option that is missing.
void ReportRefusedOption(const OptionVerdict& verdict);

// Prints the help text unprocessed and returns 0.
ResultCode PrintUsage(PlainText help);

}  // namespace qeb
