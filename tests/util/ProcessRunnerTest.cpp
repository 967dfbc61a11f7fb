#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/FakeTool.h"
#include "support/ScopedEnvironment.h"
#include "support/Scratch.h"
#include "util/Paths.h"
#include "util/ProcessRunner.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

using test::ScopedVariable;

class ProcessRunnerTest : public testing::Test {
protected:
    ProcessRunnerTest() : m_scratch(test::CurrentTestName()), m_fake(m_scratch / L"tool.exe") {
        test::PlantFakeTool(m_fake);
    }

    std::wstring FakeLine(const std::wstring& arguments) const {
        return L"\"" + m_fake + L"\" " + arguments;
    }

    test::ScratchFolder m_scratch;
    std::wstring m_fake;
};

TEST_F(ProcessRunnerTest, PassesTheExitCodeBackUnchanged) {
    EXPECT_EQ(RunProcess(L"cmd /c exit 0"), 0u);
    EXPECT_EQ(RunProcess(L"cmd /c exit 5"), 5u);

    ScopedVariable exitCode(L"QEB_FAKE_EXIT", L"0xC0000135");
    const std::wstring line = FakeLine(L"/x \"quoted arg\"  two-blanks");
    const std::wstring before = line;
    EXPECT_EQ(RunProcess(line), 0xC0000135u);
    EXPECT_EQ(line, before);
    EXPECT_EQ(test::RecordedCommandLines(m_fake), std::vector<std::wstring>{line});
}

TEST_F(ProcessRunnerTest, ProgramThatCannotBeStartedIsAFailure) {
    EXPECT_EQ(RunProcess(L"\"" + (m_scratch / L"missing.exe") + L"\" /x"), 0x80070002u);
    EXPECT_NE(RunProcess(L""), 0u);
}

TEST_F(ProcessRunnerTest, ChildPastTheLimitIsStoppedWithTheTimeoutCode) {
    ScopedVariable sleep(L"QEB_FAKE_SLEEP_MS", L"60000");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProcess(FakeLine(L"/report \"" + (m_scratch / L"out.txt") + L"\""), 300), 0x102u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_FALSE(PathExists(m_scratch / L"out.txt"));
}

TEST_F(ProcessRunnerTest, UnreadableExitCodeIsAFailure) {
    UniqueHandle notAProcess(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    EXPECT_EQ(ReadExitCode(notAProcess.Get()) & 0xFFFF0000u, 0x80070000u);
}

TEST_F(ProcessRunnerTest, BareCmdComesFromTheSystemDirectory) {
    wchar_t system[MAX_PATH + 1] = {};
    ::GetSystemDirectoryW(system, MAX_PATH + 1);
    const std::wstring systemCmd = std::wstring(system) + L"\\cmd.exe";
    EXPECT_EQ(ApplicationNameFor(L"cmd /c \" \"x\" \""), systemCmd);
    EXPECT_EQ(ApplicationNameFor(L"CMD /c x"), systemCmd);
    EXPECT_EQ(ApplicationNameFor(L"cmd"), systemCmd);
    EXPECT_EQ(ApplicationNameFor(L"\"C:\\Windows\\System32\\msinfo32.exe\" /report \"x \""), L"");
    EXPECT_EQ(ApplicationNameFor(L"cmdx /c"), L"");
    EXPECT_EQ(ApplicationNameFor(L""), L"");

    // A cmd.exe planted in the current directory would be found first by search.
    test::PlantFakeTool(m_scratch / L"cmd.exe");
    test::ScopedCurrentDirectory here(m_scratch.Path());
    ScopedVariable exitCode(L"QEB_FAKE_EXIT", L"42");
    EXPECT_EQ(RunProcess(L"cmd /c exit 7"), 7u);
    EXPECT_TRUE(test::RecordedCommandLines(m_scratch / L"cmd.exe").empty());
}

TEST_F(ProcessRunnerTest, StopFromAnotherThreadEndsTheWholeTreeAtOnce) {
    const std::wstring ids = m_scratch / L"ids.txt";
    ScopedVariable grandchild(L"QEB_FAKE_GRANDCHILD", ids);
    ScopedVariable sleep(L"QEB_FAKE_SLEEP_MS", L"60000");
    ChildStop stop;
    ChildRun run;
    run.commandLine = FakeLine(L"x");
    run.stop = &stop;
    std::vector<unsigned long> tree;
    std::thread requester([&] {
        tree = test::ToolTree(ids);
        stop.Request();
    });
    const auto start = std::chrono::steady_clock::now();
    const ChildOutcome outcome = RunChild(run);
    requester.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
    EXPECT_EQ(outcome.end, ChildEnd::Stopped);
    EXPECT_EQ(outcome.exitCode, kChildStopped);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_FALSE(test::AnyRunning(tree));

    // A stop once requested starts nothing more.
    test::ForgetRuns(m_fake);
    EXPECT_EQ(RunChild(run).end, ChildEnd::Stopped);
    EXPECT_TRUE(test::RecordedCommandLines(m_fake).empty());
}

TEST_F(ProcessRunnerTest, AMissingToolIsNotFoundRatherThanAFailure) {
    const std::wstring missing = m_scratch / L"missing.exe";
    const struct {
        std::wstring commandLine;
        std::wstring program;
        ChildEnd end;
        ResultCode exitCode;
    } cases[] = {
        {FakeLine(L"x"), missing, ChildEnd::NotFound, 0x80070002},
        {L"cmd /c \"" + FakeLine(L"x") + L"\"", m_scratch.Path(), ChildEnd::NotFound, 0x80070002},
        {L"\"" + missing + L"\" /x", L"", ChildEnd::NotFound, 0x80070002},
        {FakeLine(L"x"), m_fake, ChildEnd::Exited, 5},
    };
    ScopedVariable exitCode(L"QEB_FAKE_EXIT", L"5");
    for (const auto& line : cases) {
        SCOPED_TRACE(line.commandLine);
        ChildRun run;
        run.commandLine = line.commandLine;
        run.program = line.program;
        const ChildOutcome outcome = RunChild(run);
        EXPECT_EQ(outcome.end, line.end);
        EXPECT_EQ(outcome.exitCode, line.exitCode);
    }
    EXPECT_EQ(test::RecordedCommandLines(m_fake).size(), 1u);
}

TEST_F(ProcessRunnerTest, BelowNormalPriorityAndStandardOutputOnlyWhenAsked) {
    ChildRun run;
    run.commandLine = FakeLine(L"gli system");
    EXPECT_EQ(RunChild(run).end, ChildEnd::Exited);
    run.belowNormalPriority = true;
    run.standardOutput = m_scratch / L"gli.txt";
    test::WriteText(run.standardOutput, "an older and longer text that is replaced\r\n");
    const ChildOutcome outcome = RunChild(run);
    EXPECT_EQ(outcome.end, ChildEnd::Exited);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(test::RecordedPriority(m_fake), "20\n4000\n");
    // STARTF_USESTDHANDLES joins the hidden window only for the run with a file.
    EXPECT_EQ(test::RecordedStartup(m_fake), "flags=1 show=0\nflags=257 show=0\n");
    EXPECT_EQ(test::ReadBytes(run.standardOutput), "QEB fake tool tool.exe [gli] [system]\r\n");
}

}  // namespace
}  // namespace qeb
