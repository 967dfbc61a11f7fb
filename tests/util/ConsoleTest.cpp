// Lines printed on worker threads that have logs of their own, beside the main thread's.
#include <gtest/gtest.h>

#include <thread>

#include "support/ConsoleCapture.h"
#include "util/Console.h"
#include "util/ThreadOutput.h"

namespace qeb {
namespace {

std::string Numbered(const std::string& prefix) {
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += prefix + std::to_string(i) + "\r\n";
    }
    return text;
}

TEST(ConsoleTest, ThreadsWithALogOfTheirOwnPrintOnlyThere) {
    test::ScratchFolder scratch(test::CurrentTestName());
    test::ConsoleCapture capture;
    const auto worker = [&scratch](const std::wstring& name) {
        const ThreadOutput own(scratch / (name + L".log"), nullptr);
        EXPECT_EQ(own.Error(), 0u);
        for (int i = 0; i < 200; ++i) {
            PrintLine(name + L" " + std::to_wstring(i));
        }
        PrintNarrowLine("narrow");
    };
    std::thread first(worker, L"first");
    std::thread second(worker, L"second");
    for (int i = 0; i < 200; ++i) {
        PrintLine(L"main " + std::to_wstring(i));
    }
    first.join();
    second.join();
    {
        // A log that cannot be opened leaves the thread on the console.
        const ThreadOutput refused(scratch / L"no\\such\\x.log", nullptr);
        EXPECT_NE(refused.Error(), 0u);
        PrintLine(L"refused");
    }
    for (const std::string name : {"first", "second"}) {
        EXPECT_EQ(test::ReadBytes(scratch / (test::Decode(name, 932) + L".log")),
                  "\xEF\xBB\xBF" + Numbered(name + " ") + "narrow\r\n");
    }
    EXPECT_EQ(capture.Bytes(), Numbered("main ") + "refused\r\n");
}

}  // namespace
}  // namespace qeb
