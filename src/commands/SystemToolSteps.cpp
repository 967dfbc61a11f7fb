#include "commands/SystemToolSteps.h"

#include "commands/CommandBase.h"

#include <windows.h>

#include <boost/filesystem/path.hpp>

#include "MessageCatalog.h"
#include "commands/CommandChecks.h"
#include "commands/CommandResults.h"
#include "util/Console.h"
#include "util/Messages.h"
#include "util/OutputPlace.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/ProcessRunner.h"
#include "util/StatusLine.h"

namespace qeb {
namespace {

std::wstring ParentDirectory(const std::wstring& file) {
    return boost::filesystem::path(file).parent_path().wstring();
}

// A tool that says it succeeded may still have written nothing (Wine's own tools do that).
bool HoldsData(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

}  // namespace

ResultCode ReportMissingSystemRoot() {
    PrintLine(GetSystemErrorText(ERROR_INVALID_ENVIRONMENT));
    return kInvalidEnvironment;
}

ResultCode EnsureOutputDirectory(const std::wstring& directory, const std::wstring& dest) {
    if (!PrepareOutputDirectory(directory)) {
        PrintLine(LoadMessage(msg::kDirectoryCreateFailed, dest.c_str()));
        return kCannotMake;
    }
    return kSuccess;
}

ChildOutcome RunTool(const ToolRun& run, const ToolRunSettings& settings) {
    ChildRun child;
    child.commandLine = run.commandLine;
    child.program = run.program;
    child.standardOutput = run.standardOutput;
    child.stop = settings.stop;
    child.belowNormalPriority = settings.belowNormalPriority;
    child.whileWaiting = [&run](unsigned long long elapsedMs) {
        StatusLine::Get().Update([&] {
            return LoadMessage(msg::kProgressTool, run.toolName.c_str(),
                               static_cast<int>(elapsedMs / 1000));
        });
    };
    const ChildOutcome outcome = RunChild(child);
    StatusLine::Get().Erase();
    if (outcome.exitCode != kSuccess) {
        PrintLine(LoadMessage(msg::kCommandFailed, run.commandLine.c_str(), outcome.exitCode));
    } else if (!run.outputFile.empty() && !HoldsData(run.outputFile)) {
        PrintLine(LoadMessage(msg::kToolWroteNothing, run.outputFile.c_str()));
    }
    return outcome;
}

ResultCode WriteToolReport(const ReportTool& tool, const std::wstring& dest,
                           const ToolRunSettings& settings) {
    if (const ResultCode invalid = CheckDestination(dest, tool.destinationUse);
        invalid != kSuccess) {
        return invalid;
    }
    const std::wstring systemRoot = GetSystemRoot();
    if (systemRoot.empty()) {
        return ReportMissingSystemRoot();
    }
    const std::wstring toolPath = JoinPath(systemRoot, tool.pathBelowSystemRoot);
    if (!PathExists(toolPath)) {
        PrintLine(LoadMessage(msg::kModuleNotFound, toolPath.c_str()));
        return kModuleNotFound;
    }
    // A bare file name has an empty parent, which EnsureDirectory refuses by throwing.
    if (const ResultCode notMade = EnsureOutputDirectory(ParentDirectory(dest), dest);
        notMade != kSuccess) {
        return notMade;
    }
    const std::wstring toolName = toolPath.substr(toolPath.find_last_of(L"\\/") + 1);
    return RunTool(ToolRun{tool.buildCommandLine(toolPath, dest), toolName, dest, L"", toolPath},
                   settings)
        .exitCode;
}

}  // namespace qeb
