#include "collect/RegistryLookup.h"

#include <windows.h>

#include <vector>

#include "util/CodePage.h"
#include "util/Messages.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

HKEY PredefinedKey(RegistryHive hive) {
    switch (hive) {
        case RegistryHive::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryHive::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryHive::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryHive::Users:
            return HKEY_USERS;
        case RegistryHive::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

}  // namespace

std::string QueryRegistryValue(RegistryError& error, const std::string& path) {
    RegistryHive hive = RegistryHive::LocalMachine;
    std::string subKey;
    std::string valueName;
    if (!ParseRegistryPath(path, hive, subKey, valueName)) {
        error.code = -1;
        error.text = L"レジストリパスの指定が不正です。";
        return {};
    }
    UniqueRegistryKey key;
    const LONG opened =
        ::RegOpenKeyExA(PredefinedKey(hive), subKey.c_str(), 0, KEY_READ, key.Receive());
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

std::wstring GetProductDirectory(int version) {
    RegistryError error;
    return GetRegistryValue(error, ProductDirectoryValuePath(version));
}

}  // namespace qeb
