#include "collect/RegistryPath.h"

#include <boost/algorithm/string/join.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/format.hpp>
#include <vector>

namespace qeb {
namespace {

struct HiveName {
    const char* name;
    RegistryHive hive;
};

const HiveName kHives[] = {
    {"HKEY_CLASSES_ROOT", RegistryHive::ClassesRoot},
    {"HKEY_CURRENT_USER", RegistryHive::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RegistryHive::LocalMachine},
    {"HKEY_USERS", RegistryHive::Users},
    {"HKEY_CURRENT_CONFIG", RegistryHive::CurrentConfig},
};

}  // namespace

bool ParseRegistryPath(const std::string& path, RegistryHive& hive, std::string& subKey,
                       std::string& valueName) {
    std::vector<std::string> pieces;
    boost::algorithm::split(pieces, path, [](char c) { return c == '\\'; });
    const HiveName* match = nullptr;
    for (const HiveName& candidate : kHives) {
        if (pieces.front() == candidate.name) {
            match = &candidate;
        }
    }
    if (match == nullptr || pieces.size() < 2) {
        return false;
    }
    hive = match->hive;
    subKey = boost::algorithm::join(std::vector<std::string>(pieces.begin() + 1, pieces.end() - 1),
                                    "\\");
    valueName = pieces.back();
    return true;
}

std::wstring ProductDirectoryValuePath(int version) {
    const wchar_t* const pattern =
        version < 8 ? L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW%1%\\InstallDir"
                    : L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW%1%\\DataDir";
    return (boost::wformat(pattern) % version).str();
}

}  // namespace qeb
