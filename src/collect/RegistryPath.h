// The single path text HIVE\key\...\value that names one registry value.
#pragma once

#include <string>

namespace qeb {

enum class RegistryHive {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    CurrentConfig,
};

// Splits at every backslash, empty pieces kept: the first piece names the hive (exactly one
// of the five full names), the last the value, the pieces between them the subkey. False
// when the hive is unknown or there is no second piece.
bool ParseRegistryPath(const std::string& path, RegistryHive& hive, std::string& subKey,
                       std::string& valueName);

// The value that names a product version's directory: InstallDir below 8, DataDir from 8 on.
std::wstring ProductDirectoryValuePath(int version);

}  // namespace qeb
