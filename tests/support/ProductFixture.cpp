#include "support/ProductFixture.h"

#include <windows.h>

#include <shlobj.h>

#include "util/UniqueOwner.h"

namespace qeb::test {

std::wstring VersionKeyPath(int version) {
    return L"SOFTWARE\\Velmora\\QEBW" + std::to_wstring(version);
}

std::wstring CommonAppData() {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

void Touch(const std::wstring& path, const std::string& content) {
    WriteBytes(path, content);
}

void QebProductTest::SetUp() {
    QebInfoTest::SetUp();
    WriteSettings(
        "[COMMON]\r\nINSTALL_REG=SOFTWARE\\Velmora\\QebTestsNothing\r\nEXT_NUM=1\r\n"
        "[EXT_00]\r\nEXT=dll\r\nTYPE=date\r\n");
}

void QebProductTest::WriteSettings(const std::string& iniText) {
    WriteBytes(SettingsPath(), iniText);
}

void QebProductTest::RegisterInstallDir(const std::wstring& keyPath,
                                        const std::wstring& directory) {
    UniqueRegistryKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS);
    m_installKeys.push_back(keyPath);
    const DWORD bytes = static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetValueExW(key.Get(), L"InstallDir", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(directory.c_str()), bytes),
              ERROR_SUCCESS);
}

void QebProductTest::TearDown() {
    for (int version : m_registered) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, VersionKeyPath(version).c_str());
    }
    for (const std::wstring& keyPath : m_installKeys) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    }
    for (const std::wstring& root : m_dataRoots) {
        RemoveTree(root);
    }
    QebInfoTest::TearDown();
}

void QebProductTest::Register(int version, const std::wstring& valueName,
                              const std::wstring& directory) {
    UniqueRegistryKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, VersionKeyPath(version).c_str(), 0, nullptr, 0,
                                KEY_WRITE, nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS);
    m_registered.push_back(version);
    const DWORD bytes = static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(directory.c_str()), bytes),
              ERROR_SUCCESS);
}

std::wstring QebProductTest::InstallProduct(int version,
                                            const std::vector<std::wstring>& instances) {
    const std::wstring product = ScratchPath(L"product" + std::to_wstring(version));
    Touch(product + L"\\Environment\\Config\\app.ini");
    Touch(product + L"\\Environment\\Instance\\readme.txt");
    for (const std::wstring& name : instances) {
        Touch(product + L"\\Environment\\Instance\\" + name + L"\\instance.ini");
    }
    Register(version, version >= 8 ? L"DataDir" : L"InstallDir", product);
    return product;
}

std::wstring QebProductTest::MakeDataRoot(int version) {
    const std::wstring root = CommonAppData() + L"\\Velmora\\QEBW" + std::to_wstring(version);
    RemoveTree(root);
    ::SHCreateDirectoryExW(nullptr, root.c_str(), nullptr);
    m_dataRoots.push_back(root);
    return root;
}

std::wstring QebProductTest::CollectionRoot(int version) const {
    return Destination() + L"\\QEBW" + std::to_wstring(version);
}

std::vector<std::wstring> QebProductTest::Collected(int version) const {
    return ListTree(CollectionRoot(version));
}

ProcessResult QebProductTest::RunQeb(int version, const std::vector<std::wstring>& options) {
    std::vector<std::wstring> arguments{L"QEB", L"-dest:" + Destination(),
                                        L"-product:" + std::to_wstring(version)};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Run(arguments);
}

}  // namespace qeb::test
