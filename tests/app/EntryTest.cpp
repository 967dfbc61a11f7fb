// The program as an operator starts it: dispatch, help, closing lines, single instance.
#include <windows.h>

#include "support/ExpectedTexts.h"
#include "support/QebInfoFixture.h"
#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using EntryTest = QebInfoTest;

TEST_F(EntryTest, NoCommandWordPrintsUsageAndSucceeds) {
    const ProcessResult result = Run({});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines(), Concat({ExpectedText(111)}, ExpectedLines(112)));
    // Twelve lines of usage, four of them blank, then the line end of the print.
    EXPECT_EQ(ExpectedLines(112).size(), 12u);
    EXPECT_EQ(result.output.substr(result.output.size() - 4), "-?\r\n");
}

TEST_F(EntryTest, UnknownWordFailsWithBadArguments) {
    const ProcessResult result = Run({L"COPY", L"-dest:x"});
    EXPECT_EQ(result.exitCode, 0x800700A0u);
    const Lines lines = result.Lines();
    ASSERT_EQ(lines.size(), 1 + 12 + 2u);
    EXPECT_EQ(lines[0], L"Command Error");
    EXPECT_EQ(Lines(lines.begin() + 1, lines.begin() + 13), ExpectedLines(112));
    // The system text keeps its own line end, so the code stands on the next line.
    EXPECT_EQ(lines[13], L"DosExecPgm に対する引数が不正です。");
    EXPECT_EQ(lines[14], L"(0x800700a0)");
}

TEST_F(EntryTest, CommandWordsIgnoreCaseAndPrintTheirHelp) {
    const std::pair<const wchar_t*, unsigned> cases[] = {
        {L"qeb", 113}, {L"Msinfo", 115}, {L"event", 116}, {L"SysInfo", 139}, {L"Pack", 143}};
    for (const auto& [word, helpId] : cases) {
        const ProcessResult result = Run({word, L"-?"});
        EXPECT_EQ(result.exitCode, 0u) << word;
        EXPECT_EQ(result.Text(), std::wstring(ExpectedText(helpId)) + L"\r\n") << word;
    }
}

TEST_F(EntryTest, HelpWinsOverEverythingElseOnTheLine) {
    const ProcessResult qeb = Run({L"QEB", L"-dest:", L"-product:abc", L"-?", L"-bogus"});
    EXPECT_EQ(qeb.exitCode, 0u);
    EXPECT_EQ(qeb.Text(), std::wstring(ExpectedText(113)) + L"\r\n");

    const ProcessResult msinfo = Run({L"MSINFO", L"-?", L"-dest:" + std::wstring(300, L'x')});
    EXPECT_EQ(msinfo.exitCode, 0u);
    EXPECT_EQ(msinfo.Text(), std::wstring(ExpectedText(115)) + L"\r\n");
}

TEST_F(EntryTest, SpellingsOfHelpOtherThanDashQuestionAreIgnored) {
    const ProcessResult result = Run({L"EVENT", L"-help", L"/?", L"-?x"});
    EXPECT_NE(result.Text(), std::wstring(ExpectedText(116)) + L"\r\n");
}

TEST_F(EntryTest, SecondCopyIsRefusedWhileTheMutexIsHeld) {
    UniqueHandle mutex(::CreateMutexW(nullptr, TRUE, L"QEB_INFO_EXE_MUTEX"));
    ASSERT_TRUE(mutex);

    const ProcessResult result = Run({L"QEB", L"-?"});
    EXPECT_EQ(result.exitCode, 258u);
    EXPECT_EQ(result.Lines(), Lines{ExpectedText(118)});

    // Still ours and not abandoned: the refused copy neither waited it away nor released it.
    EXPECT_EQ(::WaitForSingleObject(mutex.Get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(::ReleaseMutex(mutex.Get()));
    EXPECT_TRUE(::ReleaseMutex(mutex.Get()));
}

TEST_F(EntryTest, MutexIsFreeAgainAfterARun) {
    ASSERT_EQ(Run({L"QEB", L"-?"}).exitCode, 0u);
    UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, L"QEB_INFO_EXE_MUTEX"));
    ASSERT_TRUE(mutex);
    EXPECT_EQ(::WaitForSingleObject(mutex.Get(), 0), WAIT_OBJECT_0);
    ::ReleaseMutex(mutex.Get());
}

}  // namespace
}  // namespace qeb::test
