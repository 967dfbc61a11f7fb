// Chooses the command by its word and runs it; prints the general usage text
// when no word or an unknown word is given.
#pragma once

#include "app/EntryResults.h"
#include "util/ResultCode.h"

namespace qeb {

ResultCode DispatchCommand(int argc, const wchar_t* const* argv);

}  // namespace qeb
