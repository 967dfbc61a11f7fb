// MSINFO, SYSINFO and EVENT end to end, with the fake tool in place of the
// system's msinfo32.exe, systeminfo.exe and wevtutil.exe.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <thread>

#include "support/ExpectedTexts.h"
#include "support/FakeTool.h"
#include "support/QebInfoFixture.h"
#include "util/Messages.h"
#include "util/Paths.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

std::wstring CommandFailed(const std::wstring& commandLine, const std::wstring& hexCode) {
    return L"コマンド(" + commandLine + L")の実行に失敗しました。(戻り値:0x" + hexCode + L")";
}

class SystemToolRunTest : public QebInfoTest {
protected:
    void SetUp() override {
        QebInfoTest::SetUp();
        m_tools = std::make_unique<FakeSystemTools>();
    }
    void TearDown() override {
        m_tools.reset();
        QebInfoTest::TearDown();
    }

    // Under Wine every child gets this system root, whatever its parent passes.
    static std::wstring Tool(const std::wstring& name) {
        return GetSystemRoot() + L"\\System32\\" + name;
    }

    std::unique_ptr<FakeSystemTools> m_tools;
};

TEST_F(SystemToolRunTest, MsinfoWritesTheReportThroughTheToolsOption) {
    const std::wstring dest = ScratchPath(L"new\\dir\\msinfo.txt");
    const ProcessResult result = Run({L"MSINFO", L"-dest:" + dest}, FakeSystemTools::Options());
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(m_tools->CommandLinesOf(L"msinfo32.exe"),
              Lines{L"\"" + Tool(L"msinfo32.exe") + L"\" /report \"" + dest + L" \""});
    // Hidden, and nothing else of QebInfo's own startup record (standard handles) passed on.
    EXPECT_EQ(RecordedStartup(m_tools->PathOf(L"msinfo32.exe")), "flags=1 show=0\n");
    // The system drops the blank that closes the name.
    EXPECT_EQ(ReadBytes(dest),
              "QEB fake tool msinfo32.exe [/report] [" + Encode(dest, 932) + " ]\r\n");
}

TEST_F(SystemToolRunTest, SysinfoRedirectsTheListOutputOverAnExistingFile) {
    const std::wstring dest = ScratchPath(L"sysinfo.txt");
    WriteText(dest, "an older report that is longer than the new one\r\n");
    const ProcessResult result = Run({L"SYSINFO", L"-dest:" + dest}, FakeSystemTools::Options());
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(ReadBytes(dest), "QEB fake tool systeminfo.exe [/FO] [LIST]\r\n");
    EXPECT_EQ(m_tools->CommandLinesOf(L"systeminfo.exe").size(), 1u);
}

TEST_F(SystemToolRunTest, ToolExitCodeIsReportedWithTheWholeLineAndReturned) {
    const std::wstring msinfoDest = ScratchPath(L"msinfo.txt");
    const ProcessResult msinfo =
        Run({L"MSINFO", L"-dest:" + msinfoDest}, FakeSystemTools::Options(L"1"));
    EXPECT_EQ(msinfo.exitCode, 1u);
    ASSERT_FALSE(msinfo.Lines().empty());
    EXPECT_EQ(msinfo.Lines()[0],
              CommandFailed(L"\"" + Tool(L"msinfo32.exe") + L"\" /report \"" + msinfoDest + L" \"",
                            L"1"));

    // cmd passes the tool's exit code on; the line is QebInfo's own, not cmd's rebuilt one.
    const std::wstring sysinfoDest = ScratchPath(L"sysinfo.txt");
    const ProcessResult sysinfo =
        Run({L"SYSINFO", L"-dest:" + sysinfoDest}, FakeSystemTools::Options(L"255"));
    EXPECT_EQ(sysinfo.exitCode, 255u);
    ASSERT_FALSE(sysinfo.Lines().empty());
    EXPECT_EQ(sysinfo.Lines()[0], CommandFailed(L"cmd /c \" \"" + Tool(L"systeminfo.exe") +
                                                    L"\" /FO LIST > \"" + sysinfoDest + L" \" \"",
                                                L"FF"));
}

TEST_F(SystemToolRunTest, EventExportsSystemThenApplicationIntoANewDirectory) {
    const std::wstring dest = ScratchPath(L"events\\new");
    const ProcessResult result = Run({L"EVENT", L"-dest:" + dest}, FakeSystemTools::Options());
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(ListTree(dest), (Lines{L"application.xml", L"system.xml"}));
    EXPECT_EQ(ReadBytes(dest + L"\\system.xml"),
              "QEB fake tool wevtutil.exe [qe] [system] [/f:RenderedXml] [/rd:true] "
              "[/unicode:true]\r\n");
    const Lines runs = m_tools->CommandLinesOf(L"wevtutil.exe");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NE(runs[0].find(L" qe system "), std::wstring::npos);
    EXPECT_NE(runs[1].find(L" qe application "), std::wstring::npos);
}

std::wstring EventLine(const std::wstring& tool, const std::wstring& log,
                       const std::wstring& file) {
    return L"cmd /c \"" + tool + L" qe " + log + L" /f:RenderedXml /rd:true /unicode:true > \"" +
           file + L"\"\"";
}

TEST_F(SystemToolRunTest, EventResultIsTheApplicationExportsExitCode) {
    const std::wstring dest = ScratchPath(L"out\\");
    const std::wstring tool = Tool(L"wevtutil.exe");
    const std::wstring systemFailed =
        CommandFailed(EventLine(tool, L"system", dest + L"system.xml"), L"3");

    const ProcessResult systemOnly =
        Run({L"EVENT", L"-dest:" + dest}, FakeSystemTools::Options(L"system:3"));
    EXPECT_EQ(systemOnly.exitCode, 0u);
    EXPECT_EQ(systemOnly.Lines(), Lines{systemFailed});

    const ProcessResult both =
        Run({L"EVENT", L"-dest:" + dest}, FakeSystemTools::Options(L"system:3,application:0x5"));
    EXPECT_EQ(both.exitCode, 5u);
    ASSERT_GE(both.Lines().size(), 2u);
    EXPECT_EQ(both.Lines()[0], systemFailed);
    EXPECT_EQ(both.Lines()[1],
              CommandFailed(EventLine(tool, L"application", dest + L"application.xml"), L"5"));
}

TEST_F(SystemToolRunTest, EventDaysAndEvtxExportEachLogFourWays) {
    const std::wstring dest = ScratchPath(L"ev");
    EXPECT_EQ(
        Run({L"EVENT", L"-days:7", L"-dest:" + dest, L"-evtx"}, FakeSystemTools::Options()).output,
        "");
    const std::wstring tool = L"\"" + Tool(L"wevtutil.exe") + L"\"";
    const std::wstring query = L"/q:\"*[System[TimeCreated[timediff(@SystemTime) <= 604800000]]]\"";
    const Lines runs = m_tools->CommandLinesOf(L"wevtutil.exe");
    ASSERT_EQ(runs.size(), 8u);
    for (const size_t first : {0, 4}) {
        const std::wstring log = first == 0 ? L"system" : L"application";
        // cmd hands the qe run a line of its own making; the query arrives whole, < included.
        EXPECT_NE(runs[first].find(L" qe " + log + L" " + query + L" /f:RenderedXml"),
                  std::wstring::npos)
            << runs[first];
        const std::wstring evtx = L" \"" + dest + L"\\" + log + L".evtx\"";
        EXPECT_EQ(runs[first + 1], tool + L" epl " + log + evtx + L" " + query + L" /ow:true");
        EXPECT_EQ(runs[first + 2], tool + L" al" + evtx + L" /l:ja-JP");
        EXPECT_EQ(runs[first + 3], tool + L" gli " + log);
    }
    EXPECT_EQ(ReadBytes(dest + L"\\system.loginfo.txt"),
              "QEB fake tool wevtutil.exe [gli] [system]\r\n");
    EXPECT_EQ(ListTree(dest),
              (Lines{L"application.evtx", L"application.loginfo.txt", L"application.xml",
                     L"system.evtx", L"system.loginfo.txt", L"system.xml"}));
    // The result is the application log's first failure; every failure is reported.
    const ProcessResult failed =
        Run({L"EVENT", L"-dest:" + dest, L"-evtx"}, FakeSystemTools::Options(L"epl:4,al:6"));
    EXPECT_EQ(failed.exitCode, 4u);
    ASSERT_EQ(failed.Lines().size(), 6u);  // four, and the closing line in two
    EXPECT_EQ(failed.Lines()[0],
              CommandFailed(tool + L" epl system \"" + dest + L"\\system.evtx\" /ow:true", L"4"));
}

TEST_F(SystemToolRunTest, EventRefusesDaysThatAreNoNumberOfItsRange) {
    for (const wchar_t* days : {L"-days:x", L"-days:36501", L"-days:-1", L"-days:"}) {
        const ProcessResult result =
            Run({L"EVENT", L"-dest:" + ScratchPath(L"ev"), days}, FakeSystemTools::Options());
        EXPECT_EQ(result.exitCode, 0x80070057u) << days;
        EXPECT_EQ(result.Lines().at(0), ExpectedMessage(124, L"-days:"));
    }
    EXPECT_TRUE(m_tools->CommandLinesOf(L"wevtutil.exe").empty());
    EXPECT_FALSE(PathExists(ScratchPath(L"ev")));
    EXPECT_EQ(Run({L"EVENT", L"-days:x", L"-?"}).exitCode, 0u);  // the help still wins
}

TEST_F(SystemToolRunTest, SecondCopyIsRefusedWhileTheFirstWaitsForItsTool) {
    const std::wstring dest = ScratchPath(L"msinfo.txt");
    ProcessResult first;
    std::thread firstCopy([&] {
        first = Run({L"MSINFO", L"-dest:" + dest}, FakeSystemTools::Options(L"", L"3000"));
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (m_tools->CommandLinesOf(L"msinfo32.exe").empty() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const ProcessResult second = Run({L"MSINFO", L"-dest:" + dest}, FakeSystemTools::Options());
    firstCopy.join();

    EXPECT_EQ(second.exitCode, 258u);
    EXPECT_EQ(second.Lines(), Lines{ExpectedText(118)});
    EXPECT_EQ(first.exitCode, 0u);
    EXPECT_EQ(first.output, "");
    EXPECT_EQ(m_tools->CommandLinesOf(L"msinfo32.exe").size(), 1u);
    EXPECT_TRUE(PathExists(dest));
}

// Wine's own msinfo32 and wevtutil return 0 and write nothing; the operator is told. A log
// that cannot be opened is reported once and the command runs on.
TEST_F(SystemToolRunTest, AToolThatWroteNothingIsNamed) {
    ProcessOptions options = FakeSystemTools::Options();
    options.environment[L"QEB_FAKE_QUIET"] = L"1";
    const std::wstring noLog = ScratchPath(L"no\\such\\run.log");
    const auto wroteNothing = [](const std::wstring& file) { return ExpectedMessage(152, file); };
    const struct {
        std::vector<std::wstring> arguments;
        Lines lines;
    } cases[] = {
        {{L"MSINFO", L"-dest:" + ScratchPath(L"msinfo.txt"), L"-log:" + noLog},
         {L"ログファイル" + noLog + L"に書き込めません。(" +
              TrimLineEnd(GetSystemErrorText(ERROR_PATH_NOT_FOUND)) + L")",
          wroteNothing(ScratchPath(L"msinfo.txt"))}},
        {{L"SYSINFO", L"-dest:" + ScratchPath(L"sysinfo.txt")},
         {wroteNothing(ScratchPath(L"sysinfo.txt"))}},
        {{L"EVENT", L"-dest:" + ScratchPath(L"event")},
         {wroteNothing(ScratchPath(L"event\\system.xml")),
          wroteNothing(ScratchPath(L"event\\application.xml"))}},
    };
    for (const auto& run : cases) {
        SCOPED_TRACE(run.arguments[0]);
        const ProcessResult result = Run(run.arguments, options);
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(result.Lines(), run.lines);
    }
}

}  // namespace
}  // namespace qeb::test
