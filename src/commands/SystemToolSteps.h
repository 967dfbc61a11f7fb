// Steps shared by the commands that run a system tool. A failing step prints
// its line and returns its result code; kSuccess lets the command go on.
#pragma once

#include <string>

#include "commands/CommandChecks.h"
#include "util/ResultCode.h"

namespace qeb {

// Prints the system text of ERROR_INVALID_ENVIRONMENT and returns its HRESULT form.
ResultCode ReportMissingSystemRoot();

// Holds the directory's place and creates it with its parents, protected; the message names
// -dest: as the operator gave it. File-system errors other than a false answer propagate.
ResultCode EnsureOutputDirectory(const std::wstring& directory, const std::wstring& dest);

// Runs the command line and reports a non-zero exit code, which it returns unchanged, and an
// output file that a tool returning 0 left missing or empty. On a console the progress line
// names the tool and the time it has run.
ResultCode RunToolCommandLine(const std::wstring& commandLine, const std::wstring& toolName,
                              const std::wstring& outputFile);

// A tool below the system root that writes one report file named by -dest:.
struct ReportTool {
    const wchar_t* pathBelowSystemRoot;
    std::wstring (*buildCommandLine)(const std::wstring& toolPath, const std::wstring& dest);
    DestinationUse destinationUse;
};

ResultCode WriteToolReport(const ReportTool& tool, const std::wstring& dest);

}  // namespace qeb
