// The inventory settings file: install registry keys, ignore patterns and extension rules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/Messages.h"

namespace qeb {

enum ExtType : int {
    EXTTYPE_BINARY = 1,  // version string of the version resource
    EXTTYPE_DATE = 2,    // last-write time
    EXTTYPE_FILE = 3,    // first line of the companion .txt file
};

struct ExtRule {
    // The whole EXT text, however long, so that the pattern means what the file says.
    std::wstring szExt;
    int nType = 0;
};

struct SettingsError {
    std::uint32_t code = 0;
    std::wstring message;
};

// False at the first failure, described in `error`; the lists then hold what was read so
// far. The string lists are emptied first, rules are appended.
bool ReadSettings(const std::wstring& path, SettingsError& error,
                  std::vector<std::wstring>& installKeys, std::vector<std::wstring>& ignorePatterns,
                  std::vector<ExtRule>& rules);

// Four lines naming the settings file, section and key, then the detail message.
std::wstring FormatSettingsError(PrintfMessage<> detail, const std::wstring& path,
                                 const std::wstring& section, const std::wstring& key);
std::wstring FormatSettingsError(PrintfMessage<TextInsert> detail, const std::wstring& path,
                                 const std::wstring& section, const std::wstring& key,
                                 const std::wstring& value);

}  // namespace qeb
