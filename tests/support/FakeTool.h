// The fake system tool built with the tests (tests/tools/FakeTool.cpp): where it
// is, what it recorded, and its installation under the system tools' names.
#pragma once

#include <string>
#include <vector>

#include "support/ProcessHarness.h"

namespace qeb::test {

// fake_tool.exe beside the test program.
std::wstring FakeToolPath();

// Every command line that the fake at `toolPath` received, oldest first.
std::vector<std::wstring> RecordedCommandLines(const std::wstring& toolPath);

// Its startup flags and show-window value, one "flags=F show=S" line per run.
std::string RecordedStartup(const std::wstring& toolPath);

// Its priority class in hexadecimal, one line per run ("20" normal, "4000" below normal).
std::string RecordedPriority(const std::wstring& toolPath);

// The ids that a fake run with QEB_FAKE_GRANDCHILD=<idFile> wrote for itself and the copy it
// started, once both are there (up to 20 s).
std::vector<unsigned long> ToolTree(const std::wstring& idFile);

// Whether any of the processes still runs after a grace of up to 10 s.
bool AnyRunning(const std::vector<unsigned long>& ids);

// Removes what the fake at `toolPath` recorded.
void ForgetRuns(const std::wstring& toolPath);

// Copies the fake into place as `toolPath`.
void PlantFakeTool(const std::wstring& toolPath);

// msinfo32.exe, systeminfo.exe and wevtutil.exe of the system directory replaced
// by the fake while the object lives; the originals are put back afterwards.
// Under Wine the test program must run with those names loaded natively
// (WINEDLLOVERRIDES, set by cmake/wine-run.sh), or Wine runs its built-in tools.
class FakeSystemTools {
public:
    FakeSystemTools();
    ~FakeSystemTools();

    FakeSystemTools(const FakeSystemTools&) = delete;
    FakeSystemTools& operator=(const FakeSystemTools&) = delete;

    // The installed fake of a tool name such as L"msinfo32.exe".
    std::wstring PathOf(const std::wstring& toolName) const;
    std::vector<std::wstring> CommandLinesOf(const std::wstring& toolName) const;

    // Run options with these fake settings (QEB_FAKE_EXIT, QEB_FAKE_SLEEP_MS); empty removes one.
    static ProcessOptions Options(const std::wstring& exitRule = L"",
                                  const std::wstring& sleepMs = L"");

private:
    std::wstring m_systemDirectory;
};

}  // namespace qeb::test
