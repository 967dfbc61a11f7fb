// Keeps exceptions inside a command: standard and file-system exceptions print
// their narrow text and give 0x80040206, anything else gives 0x80040205 silently.
#pragma once

#include <exception>
#include <string>

#include "commands/CommandResults.h"
#include "util/Console.h"

namespace qeb {

// What every command needs before it reads or writes anything: the backup, restore and
// take-ownership privileges, and the one console line for an owner that the file system refuses.
void BeginCommand();

// With a -log: value, every line printed from now on is also appended to that file; a log
// that cannot be written is reported once and the command runs on.
void StartCommandLog(const std::wstring& path);

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
