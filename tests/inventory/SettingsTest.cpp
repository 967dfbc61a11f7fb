#include <windows.h>

#include <gtest/gtest.h>

#include "inventory/IniFile.h"
#include "inventory/Settings.h"
#include "support/Scratch.h"

namespace qeb {
namespace {

using Strings = std::vector<std::wstring>;

class SettingsTest : public testing::Test {
protected:
    std::wstring WriteIni(const std::string& content) {
        test::WriteText(m_path, content);
        return m_path;
    }

    bool Read(const std::string& content) { return ReadPath(WriteIni(content)); }

    bool ReadPath(const std::wstring& path) {
        return ReadSettings(path, m_error, m_keys, m_ignore, m_rules);
    }

    std::wstring ComposedError(const std::wstring& section, const std::wstring& key,
                               const std::wstring& detail) const {
        return L"設定ファイル(" + m_path + L")\r\nセクション名(" + section + L")\r\nキー名(" + key +
               L")\r\n" + detail;
    }

    test::ScratchFolder m_scratch{test::CurrentTestName()};
    std::wstring m_path = m_scratch / L"QebVer.ini";
    SettingsError m_error;
    Strings m_keys = {L"stale"};
    Strings m_ignore = {L"stale"};
    std::vector<ExtRule> m_rules;
};

const char kValidCommon[] = "[COMMON]\r\nINSTALL_REG=SOFTWARE\\A,\"SOFTWARE\\B,C\"\r\n";

TEST_F(SettingsTest, ReadsListsAndRules) {
    m_rules.push_back(ExtRule{L"kept", EXTTYPE_DATE});
    ASSERT_TRUE(Read(std::string(kValidCommon) + "IGNORE=a,\r\nEXT_NUM=3\r\n"
                                                 "[ext_00]\r\nEXT=dll\r\nTYPE=BINARY\r\n"
                                                 "[EXT_01]\r\nEXT=ini\r\nTYPE=unknown\r\n"
                                                 "[EXT_02]\r\nEXT=(txt|log)\r\ntype=File\r\n"
                                                 "[EXT_03]\r\nEXT=never\r\n"))
        << std::string(m_error.message.begin(), m_error.message.end());
    EXPECT_EQ(m_error.code, 0u);
    EXPECT_EQ(m_error.message, L"");
    EXPECT_EQ(m_keys, (Strings{L"SOFTWARE\\A", L"SOFTWARE\\B,C"}));
    EXPECT_EQ(m_ignore, (Strings{L"a", L""}));
    ASSERT_EQ(m_rules.size(), 3u);
    EXPECT_EQ(m_rules[0].szExt, L"kept");
    EXPECT_EQ(m_rules[1].szExt, L"dll");
    EXPECT_EQ(m_rules[1].nType, EXTTYPE_BINARY);
    EXPECT_EQ(m_rules[2].szExt, L"(txt|log)");
    EXPECT_EQ(m_rules[2].nType, EXTTYPE_FILE);
}

TEST_F(SettingsTest, AbsentIgnoreAndLongExtension) {
    ASSERT_TRUE(Read(std::string(kValidCommon) +
                     "EXT_NUM=1\r\n[EXT_00]\r\nEXT=(alpha|beta|gamma|delta)\r\nTYPE=date\r\n"));
    EXPECT_EQ(m_ignore, Strings{});
    ASSERT_EQ(m_rules.size(), 1u);
    EXPECT_EQ(m_rules[0].szExt, L"(alpha|beta|gamma|delta)");
}

TEST_F(SettingsTest, RelativePathReadsTheFileThatExists) {
    WriteIni(std::string(kValidCommon) + "EXT_NUM=1\r\n[EXT_00]\r\nEXT=exe\r\nTYPE=date\r\n");
    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ::SetCurrentDirectoryW(m_scratch.Path().c_str());
    const bool read = ReadPath(L"QebVer.ini");
    ::SetCurrentDirectoryW(saved);
    EXPECT_TRUE(read);
    EXPECT_EQ(m_rules.size(), 1u);
}

TEST_F(SettingsTest, MissingFile) {
    EXPECT_FALSE(ReadPath(m_path));
    EXPECT_EQ(m_error.code, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_error.message, L"設定ファイルが存在しません(" + m_path + L")\r\nエラーコード(2)");
    EXPECT_EQ(m_keys, Strings{});
    EXPECT_EQ(m_ignore, Strings{});
}

TEST_F(SettingsTest, InstallRegEmptyOrAbsentFailsReading) {
    EXPECT_FALSE(Read("[COMMON]\r\nINSTALL_REG=\r\nEXT_NUM=1\r\n"));
    EXPECT_EQ(m_error.message,
              ComposedError(L"COMMON", L"INSTALL_REG", L"値の取得に失敗しました。"));

    m_path = m_scratch / L"NoKey.ini";
    EXPECT_FALSE(Read("[COMMON]\r\nEXT_NUM=1\r\n"));
    EXPECT_EQ(m_error.message,
              ComposedError(L"COMMON", L"INSTALL_REG", L"値の取得に失敗しました。"));
}

TEST_F(SettingsTest, InstallRegWithUnclosedQuoteIsEmpty) {
    EXPECT_FALSE(Read("[COMMON]\r\nINSTALL_REG=SOFTWARE\\A,\"SOFTWARE\\B\r\nEXT_NUM=1\r\n"));
    EXPECT_EQ(m_error.message, ComposedError(L"COMMON", L"INSTALL_REG", L"値が設定されていません"));
    EXPECT_EQ(m_error.code, 0u);
}

TEST_F(SettingsTest, ExtensionCountMustBePositive) {
    const std::pair<const char*, const wchar_t*> cases[] = {
        {"EXT_NUM=0\r\n", L"0"}, {"EXT_NUM=-2\r\n", L"-2"}, {"EXT_NUM=many\r\n", L"0"}, {"", L"0"}};
    int file = 0;
    for (const auto& [line, shown] : cases) {
        SCOPED_TRACE(line);
        // A fresh file each time: the system may keep the file it read last cached.
        m_path = m_scratch / (L"count" + std::to_wstring(++file) + L".ini");
        EXPECT_FALSE(Read(kValidCommon + std::string(line)));
        EXPECT_EQ(m_error.message, ComposedError(L"COMMON", L"EXT_NUM",
                                                 L"値が正しくないか設定されていません(" +
                                                     std::wstring(shown) + L")"));
    }
}

TEST_F(SettingsTest, MissingExtensionSectionOrKey) {
    EXPECT_FALSE(
        Read(std::string(kValidCommon) + "EXT_NUM=2\r\n[EXT_00]\r\nEXT=dll\r\nTYPE=binary\r\n"));
    EXPECT_EQ(m_error.message, ComposedError(L"EXT_01", L"EXT", L"値の取得に失敗しました。"));
    EXPECT_EQ(m_rules.size(), 1u);

    m_path = m_scratch / L"NoType.ini";
    EXPECT_FALSE(Read(std::string(kValidCommon) +
                      "EXT_NUM=2\r\n[EXT_00]\r\nEXT=dll\r\nTYPE=binary\r\n"
                      "[EXT_01]\r\nEXT=exe\r\nTYPE=\r\n"));
    EXPECT_EQ(m_error.message, ComposedError(L"EXT_01", L"TYPE", L"値の取得に失敗しました。"));
}

// A cut value would be used as if whole; one of exactly 1023 characters is whole.
TEST_F(SettingsTest, ValuesLongerThan1023CharactersAreRejected) {
    const std::string exact = "SOFTWARE\\" + std::string(1023 - 9, 'k');
    EXPECT_TRUE(Read("[COMMON]\r\nINSTALL_REG=" + exact +
                     "\r\nEXT_NUM=1\r\n[EXT_00]\r\nEXT=dll\r\n"
                     "TYPE=date\r\n"));
    EXPECT_EQ(m_keys, Strings{std::wstring(exact.begin(), exact.end())});

    const std::string tooLong(1100, 'k');
    const std::pair<std::string, std::pair<const wchar_t*, const wchar_t*>> cases[] = {
        {"INSTALL_REG=" + tooLong + "\r\nEXT_NUM=1\r\n", {L"COMMON", L"INSTALL_REG"}},
        {"INSTALL_REG=x\r\nIGNORE=\"a," + tooLong + "\"\r\nEXT_NUM=1\r\n", {L"COMMON", L"IGNORE"}},
        {"INSTALL_REG=x\r\nEXT_NUM=1\r\n[EXT_00]\r\nEXT=" + tooLong + "\r\nTYPE=date\r\n",
         {L"EXT_00", L"EXT"}},
    };
    int file = 0;
    for (const auto& [content, place] : cases) {
        m_path = m_scratch / (L"long" + std::to_wstring(++file) + L".ini");
        EXPECT_FALSE(Read("[COMMON]\r\n" + content));
        EXPECT_EQ(m_error.message,
                  ComposedError(place.first, place.second, L"値の取得に失敗しました。"));
    }
}

TEST_F(SettingsTest, IniValuesAreCutAt1023Characters) {
    WriteIni("[S]\r\nlong=" + std::string(1500, 'x') + "\r\nn=42\r\n");
    const CIniFile ini(m_path);
    std::wstring value;
    EXPECT_EQ(ini.GetString(L"s", L"LONG", value), 1023u);
    EXPECT_EQ(value, std::wstring(1023, L'x'));
    EXPECT_EQ(ini.GetString(L"S", L"absent", value), 0u);
    EXPECT_EQ(value, L"");
    EXPECT_EQ(ini.GetInt(L"S", L"N", 7), 42);
    EXPECT_EQ(ini.GetInt(L"S", L"absent", 7), 7);
}

}  // namespace
}  // namespace qeb
