// Exit codes that the entry point decides itself, not a command.
#pragma once

#include "util/ResultCode.h"

namespace qeb {

constexpr ResultCode kAlreadyRunning = 258;  // WAIT_TIMEOUT, passed on unconverted
constexpr ResultCode kBadArguments = 0x800700A0;

}  // namespace qeb
