// MSINFO, SYSINFO and EVENT run in-process, where the environment can be bent:
// the checks before a tool runs, and that a failed check runs and creates nothing.
#include <gtest/gtest.h>

#include "commands/EventCommand.h"
#include "commands/MsinfoCommand.h"
#include "commands/SysinfoCommand.h"
#include "support/ConsoleCapture.h"
#include "support/ExpectedTexts.h"
#include "support/FakeTool.h"
#include "support/ScopedEnvironment.h"
#include "support/Scratch.h"
#include "util/Messages.h"
#include "util/Paths.h"

namespace qeb {
namespace {

using test::ScopedVariable;

using Outcome = test::CapturedRun;
using test::ExecuteCaptured;

struct CommandCase {
    const char* word;
    Outcome (*execute)(const std::vector<std::wstring>&);
    unsigned helpId;
    const wchar_t* tool;  // below the system root
};

const CommandCase kCommands[] = {
    {"MSINFO", &ExecuteCaptured<CMsinfoCommand>, 115, L"System32\\msinfo32.exe"},
    {"SYSINFO", &ExecuteCaptured<CSysinfoCommand>, 139, L"System32\\systeminfo.exe"},
    {"EVENT", &ExecuteCaptured<CEventCommand>, 116, L"System32\\wevtutil.exe"},
};
const CommandCase& kMsinfo = kCommands[0];
const CommandCase& kSysinfo = kCommands[1];

std::wstring Line(const std::wstring& text) {
    return text + L"\r\n";
}

class SystemToolChecksTest : public testing::Test {
protected:
    SystemToolChecksTest() : m_scratch(test::CurrentTestName()) {}

    // Fakes below the scratch folder as if it were the system root; a run would be recorded.
    void PlantToolsBelowScratch() {
        EnsureDirectory(m_scratch / L"System32");
        for (const CommandCase& command : kCommands) {
            test::PlantFakeTool(m_scratch / command.tool);
        }
    }

    bool AnyToolRan() const {
        for (const CommandCase& command : kCommands) {
            if (!test::RecordedCommandLines(m_scratch / command.tool).empty()) {
                return true;
            }
        }
        return false;
    }

    test::ScratchFolder m_scratch;
};

TEST_F(SystemToolChecksTest, HelpIsPrintedWithOrWithoutDestination) {
    ScopedVariable noSystemRoot(L"SystemRoot", std::nullopt);
    for (const CommandCase& command : kCommands) {
        for (const auto& options : {std::vector<std::wstring>{L"-?"},
                                    std::vector<std::wstring>{L"-dest:", L"-?", L"-dest:x"}}) {
            const Outcome outcome = command.execute(options);
            EXPECT_EQ(outcome.result, 0u) << command.word;
            EXPECT_EQ(outcome.output, Line(test::ExpectedText(command.helpId))) << command.word;
        }
    }
}

TEST_F(SystemToolChecksTest, MissingDestinationIsNamed) {
    for (const CommandCase& command : kCommands) {
        for (const auto& options :
             {std::vector<std::wstring>{}, std::vector<std::wstring>{L"-dest:"}}) {
            const Outcome outcome = command.execute(options);
            EXPECT_EQ(outcome.result, 0x80070057u) << command.word;
            EXPECT_EQ(outcome.output, Line(L"パラメーター -dest: を指定してください。"))
                << command.word;
        }
    }
}

TEST_F(SystemToolChecksTest, DestinationOf260UnitsIsTooLong) {
    ScopedVariable noSystemRoot(L"SystemRoot", std::nullopt);
    for (const CommandCase& command : kCommands) {
        const Outcome tooLong = command.execute({L"-dest:C:\\" + std::wstring(257, L'x')});
        EXPECT_EQ(tooLong.result, 0x80010135u) << command.word;
        EXPECT_EQ(tooLong.output, Line(L"パラメーター(-dest:)で指定されているパスが長すぎます。"))
            << command.word;
        // 259 units pass and the next check answers.
        EXPECT_EQ(command.execute({L"-dest:C:\\" + std::wstring(256, L'x')}).result, 0x8007070Du)
            << command.word;
    }
}

TEST_F(SystemToolChecksTest, MissingSystemRootStopsBeforeAnythingIsCreatedOrRun) {
    // Without the check EVENT would run System32\wevtutil.exe of the current directory.
    PlantToolsBelowScratch();
    test::ScopedCurrentDirectory here(m_scratch.Path());
    ScopedVariable noSystemRoot(L"SystemRoot", std::nullopt);
    const std::wstring environmentText = GetSystemErrorText(ERROR_INVALID_ENVIRONMENT);
    ASSERT_FALSE(environmentText.empty());

    for (const CommandCase& command : kCommands) {
        const Outcome outcome = command.execute({L"-dest:" + (m_scratch / L"out\\x")});
        EXPECT_EQ(outcome.result, 0x8007070Du) << command.word;
        EXPECT_EQ(outcome.output, Line(environmentText)) << command.word;
    }
    EXPECT_FALSE(PathExists(m_scratch / L"out"));
    EXPECT_FALSE(AnyToolRan());
}

TEST_F(SystemToolChecksTest, MissingToolIsNamedWithItsFullPath) {
    ScopedVariable systemRoot(L"SystemRoot", m_scratch.Path());
    for (const CommandCase* command : {&kMsinfo, &kSysinfo}) {
        const Outcome outcome = command->execute({L"-dest:" + (m_scratch / L"out\\report.txt")});
        EXPECT_EQ(outcome.result, 0x8007007Eu) << command->word;
        EXPECT_EQ(outcome.output, Line(L"指定されたモジュールが見つかりません。(" +
                                       (m_scratch / command->tool) + L")"))
            << command->word;
    }
    EXPECT_FALSE(PathExists(m_scratch / L"out"));
}

TEST_F(SystemToolChecksTest, BareFileNameTakesTheExceptionPathWithoutRunningTheTool) {
    PlantToolsBelowScratch();
    test::ScopedCurrentDirectory here(m_scratch.Path());
    ScopedVariable systemRoot(L"SystemRoot", m_scratch.Path());
    for (const CommandCase* command : {&kMsinfo, &kSysinfo}) {
        const Outcome outcome = command->execute({L"-dest:report.txt"});
        EXPECT_EQ(outcome.result, 0x80040206u) << command->word;
        // One line: the file-system library's own description.
        EXPECT_EQ(test::SplitLines(outcome.output).size(), 1u) << command->word;
    }
    EXPECT_FALSE(PathExists(m_scratch / L"report.txt"));
    EXPECT_FALSE(AnyToolRan());
}

}  // namespace
}  // namespace qeb
