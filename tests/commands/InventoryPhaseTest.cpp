// The inventory that ends a QEB run: QebVer.ini beside the exe, QebVer.txt in the
// collection root, and the phase's own result codes.
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <regex>

#include "commands/InventoryPhase.h"
#include "support/ExpectedTexts.h"
#include "support/ProductFixture.h"
#include "util/Paths.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

bool IsDateLine(const std::wstring& line, const std::wstring& name) {
    static const std::wregex date(L"^    (.*) \\( \\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2} \\)$");
    std::wsmatch match;
    return std::regex_match(line, match, date) && match[1] == name;
}

class InventoryPhaseTest : public QebProductTest {
protected:
    std::wstring Report(int version) const { return CollectionRoot(version) + L"\\QebVer.txt"; }

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

TEST_F(InventoryPhaseTest, RejectedSettingsPrintTheirFourLines) {
    InstallProduct(822);
    MakeDataRoot(822);
    WriteSettings(
        "[COMMON]\r\nINSTALL_REG=SOFTWARE\\x\r\nEXT_NUM=2\r\n[EXT_00]\r\nEXT=dll\r\nTYPE=date\r\n"
        "[EXT_01]\r\nEXT=exe\r\n");
    const ProcessResult result = RunQeb(822);
    EXPECT_EQ(result.exitCode, 4u);
    const Lines lines = result.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4),
              (Lines{L"設定ファイル(" + SettingsPath() + L")", L"セクション名(EXT_01)",
                     L"キー名(TYPE)", L"値の取得に失敗しました。"}));
    EXPECT_FALSE(PathExists(Report(822)));
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
