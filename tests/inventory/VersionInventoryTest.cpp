#include <windows.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <algorithm>
#include <memory>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "inventory/VersionInventory.h"
#include "support/DirectoryLink.h"
#include "support/ProcessHarness.h"
#include "support/Scratch.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

namespace fs = boost::filesystem;

std::string Narrow(const std::wstring& ascii) {
    return std::string(ascii.begin(), ascii.end());
}

std::string Utf16LeWithMark(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Keys below HKLM\SOFTWARE\QebInfoTests\<test>, deleted again with the object.
class RegistryKeys {
public:
    RegistryKeys() : m_root(L"SOFTWARE\\QebInfoTests\\" + test::CurrentTestName()) { DeleteAll(); }
    ~RegistryKeys() { DeleteAll(); }

    RegistryKeys(const RegistryKeys&) = delete;
    RegistryKeys& operator=(const RegistryKeys&) = delete;

    // The key's path for INSTALL_REG; created, with InstallDir when a value is given.
    std::wstring Add(const std::wstring& name, const wchar_t* installDir) {
        const std::wstring path = m_root + L"\\" + name;
        UniqueRegistryKey key;
        EXPECT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, key.Receive(), nullptr),
                  ERROR_SUCCESS);
        if (installDir != nullptr) {
            const DWORD bytes = static_cast<DWORD>((wcslen(installDir) + 1) * sizeof(wchar_t));
            EXPECT_EQ(::RegSetValueExW(key.Get(), L"InstallDir", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(installDir), bytes),
                      ERROR_SUCCESS);
        }
        return path;
    }

    std::wstring Missing(const std::wstring& name) const { return m_root + L"\\" + name; }

private:
    void DeleteAll() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_root.c_str()); }

    std::wstring m_root;
};

class VersionInventoryTest : public testing::Test {
protected:
    std::wstring Root() const { return m_scratch / L"Install"; }
    std::wstring Path(const std::wstring& relative) const { return Root() + L"\\" + relative; }

    void Put(const std::wstring& relative, const std::string& bytes = "x") {
        test::WriteBytes(Path(relative), bytes);
    }

    void PutPe(const std::wstring& relative, const std::wstring& built) {
        fs::create_directories(fs::path(Path(relative)).parent_path());
        fs::copy_file(test::ModuleDirectory() + L"\\" + built, Path(relative));
    }

    // The last-write time as the report must show it, reckoned by the C runtime.
    std::wstring Stamp(const std::wstring& relative, std::time_t time) {
        return StampAt(Path(relative), time);
    }

    static std::wstring StampAt(const std::wstring& path, std::time_t time) {
        fs::last_write_time(path, time);
        char text[32] = {};
        std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", std::localtime(&time));
        return std::wstring(text, text + strlen(text));
    }

    std::wstring WriteIni(const std::vector<std::wstring>& keys, const std::string& ignore,
                          const std::vector<std::pair<std::string, std::string>>& rules) {
        std::string content = "[COMMON]\r\nINSTALL_REG=";
        for (size_t i = 0; i < keys.size(); ++i) {
            content += (i > 0 ? "," : "") + Narrow(keys[i]);
        }
        content += "\r\nIGNORE=" + ignore + "\r\nEXT_NUM=" + std::to_string(rules.size()) + "\r\n";
        for (size_t i = 0; i < rules.size(); ++i) {
            content += "[EXT_0" + std::to_string(i) + "]\r\nEXT=" + rules[i].first +
                       "\r\nTYPE=" + rules[i].second + "\r\n";
        }
        const std::wstring path = m_scratch / (L"QebVer" + std::to_wstring(++m_inis) + L".ini");
        test::WriteBytes(path, content);
        return path;
    }

    std::wstring Report(const std::wstring& ini) {
        EXPECT_TRUE(m_inventory.LoadSettings(ini)) << Narrow(m_inventory.GetErrorMessage());
        m_inventory.Scan();
        std::wstring report = L"stale";
        m_inventory.BuildReport(report);
        return report;
    }

    static std::wstring Group(const std::wstring& directory,
                              const std::vector<std::pair<std::wstring, std::wstring>>& files) {
        std::wstring text = directory + L"\r\n";
        for (const auto& [name, info] : files) {
            text += L"    " + name + L" ( " + info + L" )\r\n";
        }
        return text;
    }

    test::ScratchFolder m_scratch{test::CurrentTestName()};
    RegistryKeys m_keys;
    CVersionInventory m_inventory;
    int m_inis = 0;
};

TEST_F(VersionInventoryTest, ReportsEveryKindOfInformation) {
    PutPe(L"Engine.dll", L"versioned-pe.dll");
    PutPe(L"lib\\Local.dll", L"untranslated-pe.dll");
    PutPe(L"bin\\Helper.DLL", L"plain-pe.dll");
    const std::wstring helper = Stamp(L"bin\\Helper.DLL", 1600000000);
    Put(L"u16\\a.ver");
    Put(L"u16\\a.txt", Utf16LeWithMark(L"1.0 ユニコード\r\nsecond"));
    Put(L"u8\\b.ver");
    Put(L"u8\\b.txt", "\xEF\xBB\xBF" + test::Encode(L"2.0 ユーティーエフ", CP_UTF8));
    Put(L"sjis\\c.ver");
    Put(L"sjis\\c.txt", test::Encode(L"3.0 シフト\r\n", 932));
    Put(L"empty\\d.ver");
    Put(L"empty\\d.txt", "");
    Put(L"long\\f.ver");
    Put(L"long\\f.txt", std::string(1500, 'x') + "\r\n");
    Put(L"cut\\g.ver");
    Put(L"cut\\g.txt", std::string(999, 'a') + test::Encode(L"日本", 932));
    Put(L"nocomp\\e.ver");
    const std::wstring uncompanioned = Stamp(L"nocomp\\e.ver", 1500000000);
    Put(L"_first\\x.log");
    const std::wstring first = Stamp(L"_first\\x.log", 1400000000);
    Put(L"Zeta\\y.LOG");
    const std::wstring zeta = Stamp(L"Zeta\\y.LOG", 1300000000);
    Put(L"alpha\\z.log");
    const std::wstring alpha = Stamp(L"alpha\\z.log", 1200000000);
    Put(L"alpha\\z.txt");
    Put(L"skip\\deep\\w.log");
    Put(L"skip\\v.ver");

    const std::wstring key = m_keys.Add(L"Product", Root().c_str());
    const std::wstring report =
        Report(WriteIni({key}, "\\\\skip(\\\\|$)",
                        {{"dll", "binary"}, {"ver", "FILE"}, {"log", "Date"}, {"txt", "none"}}));

    EXPECT_EQ(report, Group(Root(), {{L"Engine.dll", L"3.1.4.1 (inventory build)"}}) +
                          Group(Path(L"_first"), {{L"x.log", first}}) +
                          Group(Path(L"alpha"), {{L"z.log", alpha}}) +
                          Group(Path(L"bin"), {{L"Helper.DLL", helper}}) +
                          Group(Path(L"cut"), {{L"g.ver", std::wstring(999, L'a')}}) +
                          Group(Path(L"empty"), {{L"d.ver", L""}}) +
                          Group(Path(L"lib"), {{L"Local.dll", L"2.7.1.8"}}) +
                          Group(Path(L"long"), {{L"f.ver", std::wstring(1000, L'x')}}) +
                          Group(Path(L"nocomp"), {{L"e.ver", uncompanioned}}) +
                          Group(Path(L"sjis"), {{L"c.ver", L"3.0 シフト"}}) +
                          Group(Path(L"u16"), {{L"a.ver", L"1.0 ユニコード"}}) +
                          Group(Path(L"u8"), {{L"b.ver", L"2.0 ユーティーエフ"}}) +
                          Group(Path(L"Zeta"), {{L"y.LOG", zeta}}));
}

TEST_F(VersionInventoryTest, RegistryKeysThatResolveToNothingArePassedOver) {
    Put(L"one.log");
    const std::wstring stamp = Stamp(L"one.log", 1600000000);
    const std::wstring withDir = m_keys.Add(L"WithDir", Root().c_str());
    const std::wstring trailing = Root() + L"\\";
    const std::wstring again = m_keys.Add(L"Again", trailing.c_str());
    // The shell's combination resolves "." and ".." parts.
    const std::wstring dots = Root() + L"\\sub\\..\\.";
    const std::wstring dotted = m_keys.Add(L"Dotted", dots.c_str());
    const std::wstring noValue = m_keys.Add(L"NoValue", nullptr);
    const std::wstring emptyValue = m_keys.Add(L"EmptyValue", L"");
    test::WriteBytes(Path(L"sub\\keep"), "");

    EXPECT_EQ(Report(WriteIni({m_keys.Missing(L"Absent"), noValue, withDir, emptyValue, again,
                               dotted},
                              "", {{"log", "date"}})),
              Group(Root(), {{L"one.log", stamp}, {L"one.log", stamp}, {L"one.log", stamp}}));

    EXPECT_EQ(Report(WriteIni({m_keys.Missing(L"Absent"), noValue}, "", {{"log", "date"}})), L"");
    EXPECT_EQ(m_inventory.GetErrorMessage(), L"");
}

TEST_F(VersionInventoryTest, SettingsThatCannotBeUsed) {
    const std::wstring missingDir = Root() + L"\\gone";
    const std::wstring gone = m_keys.Add(L"Gone", missingDir.c_str());
    EXPECT_FALSE(m_inventory.LoadSettings(WriteIni({gone}, "", {{"log", "date"}})));
    EXPECT_EQ(m_inventory.GetErrorMessage(),
              L"指定したディレクトリは存在しません(" + missingDir + L")");

    const std::wstring key = m_keys.Add(L"Here", m_scratch.Path().c_str());
    EXPECT_FALSE(m_inventory.LoadSettings(WriteIni({key}, "ok,(x", {{"log", "date"}})));
    EXPECT_EQ(m_inventory.GetErrorMessage(), L"正規表現の形式に誤りがあります。((x)");

    const std::wstring missingIni = m_scratch / L"none.ini";
    EXPECT_FALSE(m_inventory.LoadSettings(missingIni));
    EXPECT_EQ(m_inventory.GetErrorMessage(),
              L"設定ファイルが存在しません(" + missingIni + L")\r\nエラーコード(2)");
    EXPECT_EQ(m_inventory.GetLastErrorCode(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_TRUE(m_inventory.LoadSettings(WriteIni({key}, "", {{"log", "date"}})));
    EXPECT_EQ(m_inventory.GetErrorMessage(), L"");
}

TEST_F(VersionInventoryTest, EveryMatchingRuleGivesALine) {
    Put(L"x.Log");
    const std::wstring stamp = Stamp(L"x.Log", 1600000000);
    Put(L"x.txt", "7.0\r\n");
    const std::wstring key = m_keys.Add(L"Product", Root().c_str());
    EXPECT_EQ(Report(WriteIni({key}, "", {{"log", "date"}, {"LOG", "file"}, {"g", "date"}})),
              Group(Root(), {{L"x.Log", stamp}, {L"x.Log", L"7.0"}}));
}

TEST_F(VersionInventoryTest, EmptyIgnorePatternLeavesOutEverything) {
    Put(L"x.log");
    const std::wstring key = m_keys.Add(L"Product", Root().c_str());
    EXPECT_EQ(Report(WriteIni({key}, "nomatch,", {{"log", "date"}})), L"");
}

TEST_F(VersionInventoryTest, InvalidExtensionRaisesAtItsFirstUse) {
    const std::wstring key = m_keys.Add(L"Product", Root().c_str());
    fs::create_directories(Root() + L"\\empty");
    ASSERT_TRUE(m_inventory.LoadSettings(WriteIni({key}, "", {{"log", "date"}, {"[", "date"}})));
    EXPECT_NO_THROW(m_inventory.Scan());
    Put(L"x.log");
    EXPECT_THROW(m_inventory.Scan(), std::regex_error);
    EXPECT_THROW(m_inventory.Scan(), std::regex_error);
}

TEST_F(VersionInventoryTest, DirectoryThatCannotBeListedIsLeftOutAndTheScanGoesOn) {
    Put(L"A\\a.log");
    const std::wstring a = Stamp(L"A\\a.log", 1600000000);
    Put(L"B\\b.log");
    Put(L"C\\c.log");
    const std::wstring c = Stamp(L"C\\c.log", 1500000000);
    const std::wstring pathA = Path(L"A");
    const std::wstring pathB = Path(L"B");
    const std::wstring pathC = Path(L"C");
    const std::wstring ini =
        WriteIni({m_keys.Add(L"A", pathA.c_str()), m_keys.Add(L"B", pathB.c_str()),
                  m_keys.Add(L"C", pathC.c_str())},
                 "", {{"log", "date"}});
    ASSERT_TRUE(m_inventory.LoadSettings(ini));
    test::RemoveTree(pathB);
    m_inventory.Scan();
    std::wstring report;
    m_inventory.BuildReport(report);
    EXPECT_EQ(report, Group(pathA, {{L"a.log", a}}) + Group(pathC, {{L"c.log", c}}));
    EXPECT_EQ(
        m_inventory.GetLeftOutMessages(),
        std::vector<std::wstring>{pathB + L" 配下のファイル検索に失敗しました。エラー番号 = 3"});
}

TEST_F(VersionInventoryTest, PathPastTheLimitIsLeftOutAlone) {
    // Subdirectory names sized against the limit of 259 characters: one whose search pattern
    // just fits but whose file does not, one whose search pattern does not fit.
    const size_t room = MAX_PATH - 1 - Root().size() - 1;
    ASSERT_GT(room, 20u);
    const std::wstring fitting(room - 2 - 5, L'f');
    const std::wstring tooLong(room - 1, L'd');
    Put(fitting + L"\\toolong.log");
    Put(tooLong + L"\\any.log");
    Put(L"ok.log");
    const std::wstring stamp = Stamp(L"ok.log", 1600000000);
    const std::wstring key = m_keys.Add(L"Product", Root().c_str());

    EXPECT_EQ(Report(WriteIni({key}, "", {{"log", "date"}})), Group(Root(), {{L"ok.log", stamp}}));
    EXPECT_EQ(m_inventory.GetLastErrorCode(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    const std::wstring tail = L" 配下のファイル検索に失敗しました。エラー番号 = 206";
    std::vector<std::wstring> leftOut = m_inventory.GetLeftOutMessages();
    std::sort(leftOut.begin(), leftOut.end());
    std::vector<std::wstring> expected{Path(fitting + L"\\toolong.log") + tail,
                                       Path(tooLong) + tail};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(leftOut, expected);
}

TEST_F(VersionInventoryTest, LinkBackIntoTheTreeIsNotFollowed) {
    Put(L"a.log");
    const std::wstring a = Stamp(L"a.log", 1600000000);
    Put(L"sub\\b.log");
    const std::wstring b = Stamp(L"sub\\b.log", 1500000000);
    const std::wstring other = m_scratch / L"Other";
    test::WriteBytes(other + L"\\c.log", "x");
    const std::wstring c = StampAt(other + L"\\c.log", 1400000000);

    const std::wstring another = m_scratch / L"Another";
    test::WriteBytes(another + L"\\d.log", "x");
    const std::wstring d = StampAt(another + L"\\d.log", 1300000000);

    const test::DirectoryLink toRoot(Path(L"sub\\up"), Root());
    const test::DirectoryLink toSelf(Path(L"sub\\self"), Path(L"sub"));
    const test::DirectoryLink outside(Path(L"sub\\out"), other);
    const test::DirectoryLink outsideToo(Path(L"sub\\out2"), another);
    if (!toRoot.Exists() || !toSelf.Exists() || !outside.Exists() || !outsideToo.Exists()) {
        GTEST_SKIP() << "directory links cannot be made here";
    }
    const std::wstring key = m_keys.Add(L"Product", Root().c_str());
    EXPECT_EQ(Report(WriteIni({key}, "", {{"log", "date"}})),
              Group(Root(), {{L"a.log", a}}) + Group(Path(L"sub"), {{L"b.log", b}}) +
                  Group(Path(L"sub\\out"), {{L"c.log", c}}) +
                  Group(Path(L"sub\\out2"), {{L"d.log", d}}));
    EXPECT_EQ(m_inventory.GetErrorMessage(), L"");
}

// Two links in each of 20 nested directories, each to the next level: followed every time,
// they made the scan visit about a million directories.
TEST_F(VersionInventoryTest, LinksThatFanOutAreFollowedOncePerTarget) {
    std::vector<std::unique_ptr<test::DirectoryLink>> links;
    std::wstring level = Root();
    for (int depth = 0; depth < 20; ++depth) {
        const std::wstring next = level + L"\\L" + std::to_wstring(depth + 1);
        test::WriteBytes(next + L"\\f.log", "x");
        links.push_back(std::make_unique<test::DirectoryLink>(level + L"\\a", next));
        links.push_back(std::make_unique<test::DirectoryLink>(level + L"\\b", next));
        if (!links.back()->Exists()) {
            GTEST_SKIP() << "directory links cannot be made here";
        }
        level = next;
    }
    const std::wstring key = m_keys.Add(L"Product", Root().c_str());
    const DWORD start = ::GetTickCount();
    const std::wstring report = Report(WriteIni({key}, "", {{"log", "date"}}));
    EXPECT_LT(::GetTickCount() - start, 30000u);
    // Each of the 20 files at most once per level above it.
    EXPECT_LE(std::count(report.begin(), report.end(), L'('), 20 * 21);
    // The chain itself, without the links, is listed as it always was.
    EXPECT_NE(report.find(level + L"\r\n    f.log ( "), std::wstring::npos);
}

}  // namespace
}  // namespace qeb
