// The inventory that ends a QEB run: QebVer.ini beside the exe, QebVer.txt in the
// collection root, and the phase's own result codes.
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <regex>
#include <string>
#include <tuple>
#include <utility>

#include "commands/InventoryPhase.h"
#include "support/ConsoleCapture.h"
#include "support/ExpectedTexts.h"
#include "support/ProductFixture.h"
#include "util/Messages.h"
#include "util/Paths.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

bool IsDateLine(const std::wstring& line, const std::wstring& name) {
    static const std::wregex date(L"^    (.*) \\( \\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2} \\)$");
    std::wsmatch match;
    return std::regex_match(line, match, date) && match[1] == name;
}

// Settings with one date rule for `ext`; everything else as given.
std::string SettingsFor(const std::string& installKey, const std::string& ignore,
                        const std::string& ext) {
    return "[COMMON]\r\nINSTALL_REG=" + installKey + "\r\nIGNORE=" + ignore +
           "\r\nEXT_NUM=1\r\n[EXT_00]\r\nEXT=" + ext + "\r\nTYPE=date\r\n";
}

class InventoryPhaseTest : public QebProductTest {
protected:
    std::wstring Report(int version) const { return CollectionRoot(version) + L"\\QebVer.txt"; }

    // The report lists one file, with its time stamp, in one directory.
    void ExpectOnlyDateLine(int version, const std::wstring& directory, const std::wstring& name) {
        const Lines report = SplitLines(Decode(ReadBytes(Report(version)), 932));
        ASSERT_EQ(report.size(), 2u);
        EXPECT_EQ(report[0], directory);
        EXPECT_TRUE(IsDateLine(report[1], name)) << report[1];
    }

    // An install tree with date, file and binary rules, registered under two keys.
    std::wstring BuildInstallTree() {
        const std::wstring root = ScratchPath(L"install");
        Touch(root + L"\\b.conf");
        Touch(root + L"\\Sub\\agent.jar");
        WriteBytes(root + L"\\Sub\\agent.txt", "agent 1.2\r\nsecond line\r\n");
        Touch(root + L"\\Sub\\skip.dat");
        Touch(root + L"\\Sub\\empty.jar");
        WriteBytes(root + L"\\Sub\\empty.txt", "");
        Touch(root + L"\\_first\\x.JAR");
        // U+0E01 has no place in code page 932: it is dropped from the report.
        Touch(root +
              L"\\a\x0E01"
              L"b.jar");
        const std::wstring exe = root + L"\\bin\\QebInfo.exe";
        ::CreateDirectoryW((root + L"\\bin").c_str(), nullptr);
        ::CopyFileW(ExePath().c_str(), exe.c_str(), FALSE);
        RegisterInstallDir(L"SOFTWARE\\QebInfoTests\\Install", root);
        WriteSettings(
            "[COMMON]\r\nINSTALL_REG=SOFTWARE\\QebInfoTests\\Install,"
            "SOFTWARE\\QebInfoTests\\None\r\n"
            "EXT_NUM=3\r\n[EXT_00]\r\nEXT=jar\r\nTYPE=file\r\n[EXT_01]\r\nEXT=exe\r\nTYPE="
            "BINARY\r\n"
            "[EXT_02]\r\nEXT=conf\r\nTYPE=date\r\n");
        return root;
    }
};

TEST_F(InventoryPhaseTest, WritesTheReportInCodePage932WithCrLf) {
    InstallProduct(820, {L"A"});
    MakeDataRoot(820);
    const std::wstring root = BuildInstallTree();
    const ProcessResult result = RunQeb(820);
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(result.Lines(), Lines{});

    const std::string bytes = ReadBytes(Report(820));
    const std::wstring text = Decode(bytes, 932);
    const Lines lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 10u) << bytes;
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
    EXPECT_EQ(bytes.substr(0, 2), "C:");  // no byte-order mark
    EXPECT_EQ(lines[0], root);
    EXPECT_TRUE(IsDateLine(lines[1], L"ab.jar")) << lines[1];  // no companion: its date
    EXPECT_TRUE(IsDateLine(lines[2], L"b.conf"));
    EXPECT_EQ(lines[3], root + L"\\_first");
    EXPECT_TRUE(IsDateLine(lines[4], L"x.JAR"));
    EXPECT_EQ(lines[5], root + L"\\bin");
    EXPECT_EQ(lines[6], L"    QebInfo.exe ( " QEB_EXPECTED_VERSION L" )");
    EXPECT_EQ(lines[7], root + L"\\Sub");
    EXPECT_EQ(lines[8], L"    agent.jar ( agent 1.2 )");
    EXPECT_EQ(lines[9], L"    empty.jar (  )");
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 10);
}

TEST_F(InventoryPhaseTest, MissingSettingsFileStillLeavesTheCopies) {
    InstallProduct(821, {L"A"});
    MakeDataRoot(821);
    ::DeleteFileW(SettingsPath().c_str());
    const ProcessResult result = RunQeb(821);
    EXPECT_EQ(result.exitCode, 2u);
    ASSERT_EQ(result.Lines().size(), 3u);  // message 107, then the system text of 2 and (0x2)
    EXPECT_EQ(result.Lines()[0], ExpectedMessage(107, SettingsPath()));
    EXPECT_EQ(result.Lines()[2], L"(0x2)");
    EXPECT_TRUE(PathExists(CollectionRoot(821) + L"\\Environment\\Instance\\A\\instance.ini"));
    EXPECT_FALSE(PathExists(Report(821)));
}

// The second case is a value longer than the reader's buffer, which was used cut.
TEST_F(InventoryPhaseTest, RejectedSettingsPrintTheirFourLines) {
    InstallProduct(822);
    MakeDataRoot(822);
    const std::tuple<std::string, const wchar_t*, const wchar_t*> cases[] = {
        {"[COMMON]\r\nINSTALL_REG=SOFTWARE\\x\r\nEXT_NUM=2\r\n[EXT_00]\r\nEXT=dll\r\n"
         "TYPE=date\r\n[EXT_01]\r\nEXT=exe\r\n",
         L"EXT_01", L"TYPE"},
        {SettingsFor(std::string(1100, 'K'), "", "log"), L"COMMON", L"INSTALL_REG"},
    };
    for (const auto& [settings, section, key] : cases) {
        SCOPED_TRACE(key);
        WriteSettings(settings);
        const ProcessResult result = RunQeb(822);
        EXPECT_EQ(result.exitCode, 4u);
        const Lines lines = result.Lines();
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4),
                  (Lines{L"設定ファイル(" + SettingsPath() + L")",
                         L"セクション名(" + std::wstring(section) + L")",
                         L"キー名(" + std::wstring(key) + L")", L"値の取得に失敗しました。"}));
        EXPECT_FALSE(PathExists(Report(822)));
    }
}

TEST_F(InventoryPhaseTest, ReportThatCannotBeCreated) {
    InstallProduct(823);
    MakeDataRoot(823);
    ::SHCreateDirectoryExW(nullptr, Report(823).c_str(), nullptr);
    const ProcessResult result = RunQeb(823);
    EXPECT_EQ(result.exitCode, 0x80010137u);
    ASSERT_FALSE(result.Lines().empty());
    const std::wstring line = result.Lines()[0];
    const std::wstring prefix = L"ファイル" + Report(823) + L"の作成に失敗しました。(";
    EXPECT_EQ(line.substr(0, prefix.size()), prefix);
    EXPECT_EQ(line.back(), L')');
    EXPECT_EQ(line.find(L'\r'), std::wstring::npos);
}

TEST_F(InventoryPhaseTest, InvalidExtEndsOnTheExceptionPath) {
    InstallProduct(824);
    MakeDataRoot(824);
    Touch(ScratchPath(L"install2\\a.dll"));
    RegisterInstallDir(L"SOFTWARE\\QebInfoTests\\Install2", ScratchPath(L"install2"));
    WriteSettings(
        "[COMMON]\r\nINSTALL_REG=SOFTWARE\\QebInfoTests\\Install2\r\nEXT_NUM=1\r\n"
        "[EXT_00]\r\nEXT=dl(l\r\nTYPE=date\r\n");
    const ProcessResult result = RunQeb(824);
    EXPECT_EQ(result.exitCode, 0x80040206u);
    EXPECT_EQ(result.Lines().size(), 2u);
}

TEST_F(InventoryPhaseTest, SecondRunReplacesTheReport) {
    InstallProduct(825);
    MakeDataRoot(825);
    BuildInstallTree();
    ASSERT_EQ(RunQeb(825).exitCode, 0u);
    const std::string first = ReadBytes(Report(825));
    ASSERT_FALSE(first.empty());
    WriteSettings(
        "[COMMON]\r\nINSTALL_REG=SOFTWARE\\QebInfoTests\\None\r\nEXT_NUM=1\r\n"
        "[EXT_00]\r\nEXT=dll\r\nTYPE=date\r\n");
    ASSERT_EQ(RunQeb(825).exitCode, 0u);
    EXPECT_EQ(ReadBytes(Report(825)), "");

    // A report whose own path fits is written, however long the temporary name beside it.
    const std::wstring base = ScratchPath(L"long");
    const std::wstring longDest = base + L"\\" + std::wstring(239 - base.size() - 1, L'd');
    const std::wstring longReport = longDest + L"\\QEBW825\\QebVer.txt";
    ASSERT_EQ(longReport.size(), 258u);
    EXPECT_EQ(Run({L"QEB", L"-dest:" + longDest, L"-product:825"}).exitCode, 0u);
    EXPECT_TRUE(PathExists(longReport));
}

// A directory too long to search used to end the inventory silently with result 0.
TEST_F(InventoryPhaseTest, InstallDirectoryTooLongToSearchIsLeftOutAndNamed) {
    InstallProduct(826);
    MakeDataRoot(826);
    const std::wstring base = ScratchPath(L"long");
    const std::wstring longDirectory = base + L"\\" + std::wstring(258 - base.size() - 1, L'd');
    ASSERT_EQ(longDirectory.size(), 258u);
    ::CreateDirectoryW(base.c_str(), nullptr);
    ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + longDirectory).c_str(), nullptr));
    const std::wstring normal = ScratchPath(L"normal");
    Touch(normal + L"\\a.log");
    RegisterInstallDir(L"SOFTWARE\\QebInfoTests\\Long", longDirectory);
    RegisterInstallDir(L"SOFTWARE\\QebInfoTests\\Normal", normal);
    WriteSettings(
        SettingsFor("SOFTWARE\\QebInfoTests\\Long,SOFTWARE\\QebInfoTests\\Normal", "", "log"));
    const ProcessResult result = RunQeb(826);
    ::RemoveDirectoryW((L"\\\\?\\" + longDirectory).c_str());
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines(),
              Lines{longDirectory + L" 配下のファイル検索に失敗しました。エラー番号 = 206"});
    ExpectOnlyDateLine(826, normal, L"a.log");
}

// Each of these patterns took longer than any operator waits with a backtracking search.
TEST_F(InventoryPhaseTest, NestedRepetitionsInIgnoreAndExtFinishPromptly) {
    InstallProduct(827);
    MakeDataRoot(827);
    std::wstring deep = ScratchPath(L"deep");
    for (int level = 0; level < 25; ++level) {
        deep += L"\\" + std::to_wstring(level);
        Touch(deep + L"\\Backup\\old.log");
    }
    Touch(deep + L"\\kept.log");
    Touch(ScratchPath(L"deep\\") + std::wstring(40, L'x'));
    RegisterInstallDir(L"SOFTWARE\\QebInfoTests\\Deep", ScratchPath(L"deep"));
    WriteSettings(
        "[COMMON]\r\nINSTALL_REG=SOFTWARE\\QebInfoTests\\Deep\r\n"
        "IGNORE=(.*\\\\)*Backup\\\\\r\nEXT_NUM=2\r\n[EXT_00]\r\nEXT=log\r\n"
        "TYPE=date\r\n[EXT_01]\r\nEXT=(x+x+)+y\r\nTYPE=date\r\n");
    const DWORD start = ::GetTickCount();
    const ProcessResult result = RunQeb(827);
    EXPECT_LT(::GetTickCount() - start, 30000u);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    ExpectOnlyDateLine(827, deep, L"kept.log");

    // Counts of optional content cost no backtracking but a state per count at every character:
    // refused when the settings are read, as an invalid IGNORE or EXT is.
    const std::pair<const char*, DWORD> costly[] = {
        {"IGNORE=(?:.?){9000}Z\r\nEXT_NUM=1\r\n[EXT_00]\r\nEXT=log\r\n", 4},
        {"EXT_NUM=1\r\n[EXT_00]\r\nEXT=(?:.?){9000}Z\r\n", 0x80040206}};
    for (const auto& [settings, exitCode] : costly) {
        WriteSettings(std::string("[COMMON]\r\nINSTALL_REG=SOFTWARE\\QebInfoTests\\Deep\r\n") +
                      settings + "TYPE=date\r\n");
        const DWORD begun = ::GetTickCount();
        const ProcessResult refused = RunQeb(827);
        EXPECT_LT(::GetTickCount() - begun, 10000u);
        EXPECT_EQ(refused.exitCode, exitCode) << settings;
    }
}

// A report file whose writing fails part way; the writer itself is the real one.
class FailingReportFile : public ReportFile {
public:
    enum class Fault { ShortWrite, Flush };
    explicit FailingReportFile(Fault fault) : m_fault(fault) {}

protected:
    bool WriteAll(void* file, const std::string& bytes, unsigned long& error) override {
        if (m_fault == Fault::ShortWrite) {
            DWORD written = 0;
            ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size() / 2), &written,
                        nullptr);
            error = ERROR_DISK_FULL;
            return false;
        }
        return ReportFile::WriteAll(file, bytes, error);
    }
    bool Flush(void* file, unsigned long& error) override {
        if (m_fault == Fault::Flush) {
            error = ERROR_WRITE_FAULT;
            return false;
        }
        return ReportFile::Flush(file, error);
    }

private:
    Fault m_fault;
};

TEST(ReportFileTest, AFailedWriteOrCloseKeepsTheEarlierReport) {
    ScratchFolder scratch(CurrentTestName());
    const std::wstring path = scratch / L"QebVer.txt";
    WriteBytes(path, "earlier report\r\n");
    const std::pair<FailingReportFile::Fault, DWORD> faults[] = {
        {FailingReportFile::Fault::ShortWrite, ERROR_DISK_FULL},
        {FailingReportFile::Fault::Flush, ERROR_WRITE_FAULT}};
    for (const auto& [fault, error] : faults) {
        ConsoleCapture console;
        FailingReportFile file(fault);
        EXPECT_EQ(file.Write(path, L"new report\r\n"), 0x80030103u);
        EXPECT_EQ(console.Lines(), Lines{L"ファイル" + path + L"の保存に失敗しました。(" +
                                         TrimLineEnd(GetSystemErrorText(error)) + L")"});
        EXPECT_EQ(ReadBytes(path), "earlier report\r\n");
        EXPECT_EQ(ListTree(scratch.Path()), Lines{L"QebVer.txt"});
    }
    ReportFile file;
    EXPECT_EQ(file.Write(path, L"new report\r\n"), 0u);
    EXPECT_EQ(ReadBytes(path), "new report\r\n");
}

TEST(InventoryPhaseUnitTest, EncodesAndTrims) {
    EXPECT_EQ(EncodeReport(L""), "");
    EXPECT_EQ(EncodeReport(L"日本\r\n"), "\x93\xfa\x96\x7b\r\n");
    EXPECT_EQ(EncodeReport(L"a\x0E01"
                           L"b"),
              "ab");
    EXPECT_EQ(TrimLineEnd(L"text\r\n"), L"text");
    EXPECT_EQ(TrimLineEnd(L"text\n\n"), L"text\n");
    EXPECT_EQ(TrimLineEnd(L"text\r"), L"text");
    EXPECT_EQ(TrimLineEnd(L""), L"");
}

}  // namespace
}  // namespace qeb::test
