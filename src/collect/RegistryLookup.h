// Reads one registry value named by a single path text HIVE\key\...\value
// through the ANSI registry functions; an empty result means it could not be read.
#pragma once

#include <string>

#include "collect/RegistryPath.h"

namespace qeb {

// Filled only when a read fails: -1 for a path that cannot be parsed, else the
// key open's error code, with its text.
struct RegistryError {
    int code = 0;
    std::wstring text;
};

std::string QueryRegistryValue(RegistryError& error, const std::string& path);

// Converts the path and the result through the thread's ANSI code page.
std::wstring GetRegistryValue(RegistryError& error, const std::wstring& path);

// Empty when the version is not installed.
std::wstring GetProductDirectory(int version);

}  // namespace qeb
