// Steps shared by the commands that run a system tool. A failing step prints
// its line and returns its result code; kSuccess lets the command go on.
#pragma once

#include <string>

#include "commands/CommandChecks.h"
#include "util/ProcessRunner.h"
#include "util/ResultCode.h"

namespace qeb {

// Prints the system text of ERROR_INVALID_ENVIRONMENT and returns its HRESULT form.
ResultCode ReportMissingSystemRoot();

// Holds the directory's place and creates it with its parents, protected; the message names
// -dest: as the operator gave it. File-system errors other than a false answer propagate.
ResultCode EnsureOutputDirectory(const std::wstring& directory, const std::wstring& dest);

struct ToolRun {
    std::wstring commandLine;
    std::wstring toolName;        // for the progress line
    std::wstring outputFile;      // must hold data after a run that returned 0; empty: unchecked
    std::wstring standardOutput;  // a file made for the tool's standard output; empty: none
    std::wstring program;         // the tool; when given and missing, nothing runs (NotFound)
};

// How the children of a command run: alone, as the command-line commands run them, or as a
// step of a collection that may stop them and keeps them below normal priority.
struct ToolRunSettings {
    const ChildStop* stop = nullptr;
    bool belowNormalPriority = false;
};

// Runs the tool and reports a non-zero exit code with 120 and an output file that a tool
// returning 0 left missing or empty with 152. On a console the progress line names the tool
// and the time it has run.
ChildOutcome RunTool(const ToolRun& run, const ToolRunSettings& settings = {});

// A tool below the system root that writes one report file named by -dest:.
struct ReportTool {
    const wchar_t* pathBelowSystemRoot;
    std::wstring (*buildCommandLine)(const std::wstring& toolPath, const std::wstring& dest);
    DestinationUse destinationUse;
};

ResultCode WriteToolReport(const ReportTool& tool, const std::wstring& dest,
                           const ToolRunSettings& settings = {});

}  // namespace qeb
