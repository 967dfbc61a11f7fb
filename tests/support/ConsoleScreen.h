// A program run in a pseudo console that the test makes (Wine without a display can make
// no other), with the screens it showed: QebInfo's progress line lives only there.
#pragma once

#include <string>
#include <vector>

#include "support/ProcessHarness.h"

namespace qeb::test {

struct ScreenRun {
    unsigned long exitCode = 0;
    std::vector<std::vector<std::wstring>> whileRunning;  // screen rows, every interval
    std::vector<std::wstring> final;                      // after the program ended
};

// Runs `program` on a fresh console of 120 x 40 cells and reads its screen every
// `intervalMs` milliseconds while it runs.
ScreenRun RunOnScreen(const std::wstring& program, const std::vector<std::wstring>& arguments,
                      const ProcessOptions& options, unsigned long intervalMs = 200);

}  // namespace qeb::test
