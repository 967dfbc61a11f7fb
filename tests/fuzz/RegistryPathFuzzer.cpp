// ParseRegistryPath: accepts exactly a full hive name followed by at least one backslash, and
// the hive, subkey and value put back together give the path again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "collect/RegistryPath.h"

namespace {

const char* HiveName(qeb::RegistryHive hive) {
    switch (hive) {
        case qeb::RegistryHive::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case qeb::RegistryHive::CurrentUser:
            return "HKEY_CURRENT_USER";
        case qeb::RegistryHive::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case qeb::RegistryHive::Users:
            return "HKEY_USERS";
        case qeb::RegistryHive::CurrentConfig:
            return "HKEY_CURRENT_CONFIG";
    }
    return "";
}

bool StartsWithHive(const std::string& path) {
    const std::string first = path.substr(0, path.find('\\'));
    for (const char* name : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                             "HKEY_USERS", "HKEY_CURRENT_CONFIG"}) {
        if (first == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    qeb::RegistryHive hive = qeb::RegistryHive::LocalMachine;
    std::string subKey = "stale";
    std::string value = "stale";
    const bool parsed = qeb::ParseRegistryPath(path, hive, subKey, value);
    const auto separators = std::count(path.begin(), path.end(), '\\');
    FUZZ_CHECK(parsed == (StartsWithHive(path) && separators >= 1));
    if (!parsed) {
        return 0;
    }
    FUZZ_CHECK(value.find('\\') == std::string::npos);
    const std::string hiveName = HiveName(hive);
    const std::string rebuilt =
        separators == 1 ? hiveName + "\\" + value : hiveName + "\\" + subKey + "\\" + value;
    FUZZ_CHECK(rebuilt == path);
    return 0;
}
