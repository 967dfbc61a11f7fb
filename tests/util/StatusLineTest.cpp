// The progress line, read off the screen of a console that the test makes: it shows while
// the work goes on and leaves nothing behind.
#include <windows.h>

#include <algorithm>
#include <regex>

#include "support/ConsoleScreen.h"
#include "support/FakeTool.h"
#include "support/ProductFixture.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

std::wstring Joined(const Lines& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) {
        text += line;
    }
    return text;
}

class StatusLineTest : public QebProductTest {};

TEST_F(StatusLineTest, ToolNameAndARisingTimeWhileTheToolRuns) {
    FakeSystemTools tools;
    const ScreenRun run = RunOnScreen(ExePath(), {L"MSINFO", L"-dest:" + ScratchPath(L"m.txt")},
                                      FakeSystemTools::Options(L"", L"3500"), 300);
    EXPECT_EQ(run.exitCode, 0u);
    const std::wregex status(L"^msinfo32\\.exe を実行中: (\\d+) 秒経過$");
    std::vector<int> seconds;
    for (const Lines& screen : run.whileRunning) {
        for (const std::wstring& row : screen) {
            std::wsmatch match;
            if (std::regex_match(row, match, status)) {
                seconds.push_back(std::stoi(match[1]));
            }
        }
    }
    ASSERT_FALSE(seconds.empty());
    EXPECT_TRUE(std::is_sorted(seconds.begin(), seconds.end()));
    EXPECT_GE(seconds.back(), seconds.front() + 2);
    EXPECT_EQ(run.final, Lines{});
}

// Whatever the progress line showed, the screen ends as a pipe would have had it.
TEST_F(StatusLineTest, ScreenEndsWithExactlyThePrintedLines) {
    InstallProduct(850, {L"A", L"B"});
    MakeDataRoot(850);
    for (int i = 0; i < 200; ++i) {
        Touch(ScratchPath(L"product850\\Environment\\Instance\\A\\f" + std::to_wstring(i)));
    }
    const ScreenRun success =
        RunOnScreen(ExePath(), {L"QEB", L"-dest:" + Destination(), L"-product:850"}, {});
    EXPECT_EQ(success.exitCode, 0u);
    EXPECT_EQ(success.final, Lines{});

    ::DeleteFileW(SettingsPath().c_str());
    const std::vector<std::wstring> failing{L"QEB", L"-dest:" + Destination(), L"-product:850",
                                            L"-instances:A,Missing"};
    const ScreenRun failure = RunOnScreen(ExePath(), failing, {});
    const ProcessResult piped = Run(failing);
    EXPECT_EQ(failure.exitCode, 2u);
    ASSERT_EQ(piped.exitCode, 2u);
    EXPECT_EQ(Joined(failure.final), Joined(piped.Lines())) << piped.output;
}

}  // namespace
}  // namespace qeb::test
