// Lines printed on worker threads that have logs of their own, beside the main thread's.
#include <gtest/gtest.h>

#include <thread>

#include "support/ConsoleCapture.h"
#include "support/Scratch.h"
#include "util/Console.h"
#include "util/ThreadOutput.h"

namespace qeb {
namespace {

using Lines = std::vector<std::wstring>;

std::string NumberedLines(const std::string& prefix, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += prefix + std::to_string(i) + "\r\n";
    }
    return text;
}

TEST(ConsoleTest, ThreadsWithALogOfTheirOwnPrintOnlyThere) {
    test::ScratchFolder scratch(test::CurrentTestName());
    test::ConsoleCapture capture;
    const auto worker = [](const std::wstring& name, const std::wstring& log) {
        const ThreadOutput own(log, nullptr);
        EXPECT_EQ(own.Error(), 0u);
        for (int i = 0; i < 200; ++i) {
            PrintLine(name + std::to_wstring(i));
        }
        PrintNarrowLine("narrow");
    };
    std::thread first(worker, L"first ", scratch / L"first.log");
    std::thread second(worker, L"second ", scratch / L"second.log");
    for (int i = 0; i < 200; ++i) {
        PrintLine(L"main " + std::to_wstring(i));
    }
    first.join();
    second.join();
    // The thread prints to the console again after its scope, and when its log is refused.
    {
        const ThreadOutput refused(scratch / L"no\\such\\x.log", nullptr);
        EXPECT_NE(refused.Error(), 0u);
        PrintLine(L"refused");
    }

    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(test::ReadBytes(scratch / L"first.log"),
              bom + NumberedLines("first ", 200) + "narrow\r\n");
    EXPECT_EQ(test::ReadBytes(scratch / L"second.log"),
              bom + NumberedLines("second ", 200) + "narrow\r\n");
    EXPECT_EQ(capture.Bytes(), NumberedLines("main ", 200) + "refused\r\n");
}

}  // namespace
}  // namespace qeb
