#include "collect/RegistryLookup.h"

#include <boost/algorithm/string/join.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/format.hpp>
#include <vector>

#include "util/CodePage.h"
#include "util/Messages.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

struct HiveName {
    const char* name;
    HKEY key;
};

const HiveName kHives[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {"HKEY_USERS", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

}  // namespace

bool ParseRegistryPath(const std::string& path, HKEY& hive, std::string& subKey,
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
    hive = match->key;
    subKey = boost::algorithm::join(std::vector<std::string>(pieces.begin() + 1, pieces.end() - 1),
                                    "\\");
    valueName = pieces.back();
    return true;
}

std::string QueryRegistryValue(RegistryError& error, const std::string& path) {
    HKEY hive = nullptr;
    std::string subKey;
    std::string valueName;
    if (!ParseRegistryPath(path, hive, subKey, valueName)) {
        error.code = -1;
        error.text = L"レジストリパスの指定が不正です。";
        return {};
    }
    UniqueRegistryKey key;
    const LONG opened = ::RegOpenKeyExA(hive, subKey.c_str(), 0, KEY_READ, key.Receive());
    if (opened != ERROR_SUCCESS) {
        error.code = opened;
        error.text = GetSystemErrorText(static_cast<unsigned long>(opened));
        return {};
    }
    DWORD type = 0;
    DWORD size = 0;
    ::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size);
    if (size == 0) {
        return {};
    }
    // One spare zero byte terminates data stored without its own terminator.
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    ::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer.data()), &size);
    return std::string(buffer.data());
}

std::wstring GetRegistryValue(RegistryError& error, const std::wstring& path) {
    return DecodeText(QueryRegistryValue(error, EncodeText(path, CP_THREAD_ACP)), CP_THREAD_ACP);
}

std::wstring ProductDirectoryValuePath(int version) {
    const wchar_t* const pattern =
        version < 8 ? L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW%1%\\InstallDir"
                    : L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW%1%\\DataDir";
    return (boost::wformat(pattern) % version).str();
}

std::wstring GetProductDirectory(int version) {
    RegistryError error;
    return GetRegistryValue(error, ProductDirectoryValuePath(version));
}

}  // namespace qeb
