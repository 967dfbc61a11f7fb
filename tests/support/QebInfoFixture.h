// Fixture of the end-to-end cases: each case gets a scratch folder of its own
// holding its own copy of QebInfo.exe, and runs it there.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ProcessHarness.h"
#include "support/Scratch.h"

namespace qeb::test {

class QebInfoTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the case's QebInfo.exe with these arguments (the command word first).
    ProcessResult Run(const std::vector<std::wstring>& arguments,
                      const ProcessOptions& options = {});

    const std::wstring& Scratch() const { return m_scratch->Path(); }
    std::wstring ScratchPath(const std::wstring& relative) const { return *m_scratch / relative; }
    const std::wstring& ExePath() const { return m_exePath; }
    std::wstring ExeDirectory() const;

private:
    std::unique_ptr<ScratchFolder> m_scratch;
    std::wstring m_exePath;
};

// The string-table text of `id` as printed: CR LF splits it into console lines.
std::vector<std::wstring> ExpectedLines(unsigned id);

}  // namespace qeb::test
