// End-to-end fixture for QEB runs: builds a product version in the Wine registry
// (HKLM\SOFTWARE\Velmora\QEBW<n>) and file system, and removes it again.
#pragma once

#include <string>
#include <vector>

#include "support/QebInfoFixture.h"

namespace qeb::test {

class QebProductTest : public QebInfoTest {
protected:
    // Each case's QebInfo.exe gets a QebVer.ini whose INSTALL_REG resolves to
    // nothing, so the inventory writes an empty QebVer.txt.
    void SetUp() override;
    void TearDown() override;

    void WriteSettings(const std::string& iniText);
    std::wstring SettingsPath() const { return ExeDirectory() + L"\\QebVer.ini"; }

    // Registers HKLM\<keyPath> with an InstallDir value.
    void RegisterInstallDir(const std::wstring& keyPath, const std::wstring& directory);

    // Registers version n: the registry value names the product directory.
    void Register(int version, const std::wstring& valueName, const std::wstring& directory);

    // A product directory in the scratch folder with Environment\Config and the
    // named instances below Environment\Instance; registered under DataDir (n >= 8)
    // or InstallDir.
    std::wstring InstallProduct(int version, const std::vector<std::wstring>& instances = {});

    // C:\ProgramData\Velmora\QEBW<n>, created empty; removed at the end of the case.
    std::wstring MakeDataRoot(int version);

    std::wstring Destination() const { return ScratchPath(L"out"); }
    std::wstring CollectionRoot(int version) const;

    // Every file and folder that arrived below the collection root.
    std::vector<std::wstring> Collected(int version) const;

    ProcessResult RunQeb(int version, const std::vector<std::wstring>& options = {});

private:
    std::vector<int> m_registered;
    std::vector<std::wstring> m_installKeys;
    std::vector<std::wstring> m_dataRoots;
};

std::wstring VersionKeyPath(int version);
std::wstring CommonAppData();
void Touch(const std::wstring& path, const std::string& content = "x");

}  // namespace qeb::test
