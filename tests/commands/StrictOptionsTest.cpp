// A command with a strict option table, run in-process: what it refuses and that nothing,
// its -log: file included, is written before the refusal.
#include <gtest/gtest.h>

#include "commands/CommandBase.h"
#include "support/ConsoleCapture.h"
#include "support/ExpectedTexts.h"
#include "support/Scratch.h"
#include "util/Console.h"
#include "util/Paths.h"

namespace qeb {
namespace {

// Declares what COLLECT-like commands declare and prints "ran" when it gets to its work.
class StrictCommand : public CCommandBase {
public:
    StrictCommand(int argc, const wchar_t* const* argv) : CCommandBase(argc, argv) {
        ParseOwnOptions(StrictOptions()
                            .Number(L"-limit:", m_nLimit, 1, 86400)
                            .Flag(L"-mask", m_bMask)
                            .Text(L"-maskmap:", m_strMaskMap)
                            .Requires(L"-maskmap:", L"-mask"));
    }
    ResultCode Execute() override {
        return HelpOrRun([] {
            PrintLine(L"ran");
            return kSuccess;
        });
    }
    ResultCode Usage() override {
        PrintLine(L"usage");
        return kSuccess;
    }

private:
    int m_nLimit = 900;
};

TEST(StrictOptionsTest, RefusedWithTheUsageBeforeAnythingIsWritten) {
    test::ScratchFolder scratch(test::CurrentTestName());
    const struct {
        std::vector<std::wstring> options;
        std::wstring firstLine;
        ResultCode result;
    } cases[] = {
        {{L"-dest:x", L"-limit:8", L"-mask", L"-maskmap:m.txt"}, L"ran", kSuccess},
        {{L"-?"}, L"usage", kSuccess},
        {{L"-dest:x", L"-Mask"}, test::ExpectedMessage(124, L"-Mask"), 0x80070057},
        {{L"-?", L"-vmviewer"}, test::ExpectedMessage(124, L"-vmviewer"), 0x80070057},
        {{L"-limit:0"}, test::ExpectedMessage(124, L"-limit:"), 0x80070057},
        {{L"-maskmap:m.txt"}, test::ExpectedMessage(102, L"-mask"), 0x80070057},
    };
    int index = 0;
    for (const auto& run : cases) {
        SCOPED_TRACE(run.options.back());
        const std::wstring log = scratch / (L"run" + std::to_wstring(++index) + L".log");
        std::vector<std::wstring> options = run.options;
        options.insert(options.begin(), L"-log:" + log);
        const test::CapturedRun outcome = test::ExecuteCaptured<StrictCommand>(options);
        EXPECT_EQ(outcome.result, run.result);
        const bool refused = run.result != kSuccess;
        EXPECT_EQ(outcome.output, run.firstLine + L"\r\n" + (refused ? L"usage\r\n" : L""));
        EXPECT_EQ(PathExists(log), !refused);
    }
}

}  // namespace
}  // namespace qeb
