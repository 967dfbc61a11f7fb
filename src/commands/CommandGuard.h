// Keeps exceptions inside a command: standard and file-system exceptions print
// their narrow text and give 0x80040206, anything else gives 0x80040205 silently.
#pragma once

#include <exception>

#include "commands/CommandResults.h"
#include "util/Console.h"

namespace qeb {

template <typename Body>
ResultCode RunGuarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& error) {
        PrintNarrowLine(error.what());
        return kStandardException;
    } catch (...) {
        return kUnknownException;
    }
}

}  // namespace qeb
