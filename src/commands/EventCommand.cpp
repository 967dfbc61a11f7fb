#include "commands/EventCommand.h"

#include "MessageCatalog.h"
#include "commands/CommandChecks.h"
#include "commands/CommandResults.h"
#include "commands/SystemToolCommandLines.h"
#include "commands/SystemToolSteps.h"
#include "util/Messages.h"
#include "util/PathText.h"
#include "util/Paths.h"

namespace qeb {
namespace {

struct EventLog {
    const wchar_t* name;
    const wchar_t* baseFileName;
};

constexpr EventLog kLogsInExportOrder[] = {
    {L"system", L"system.log"},
    {L"application", L"application.log"},
};

}  // namespace

ResultCode CEventCommand::Execute() {
    return HelpOrRun([this] { return Run(); });
}

ResultCode CEventCommand::Usage() {
    return PrintUsage(msg::kUsageEvent);
}

ResultCode CEventCommand::Run() {
    if (const ResultCode invalid = CheckDestination(m_strDest, DestinationUse::CommandLine);
        invalid != kSuccess) {
        return invalid;
    }
    // Without a system root the tool would be looked up relative to the current directory.
    const std::wstring systemRoot = GetSystemRoot();
    if (systemRoot.empty()) {
        return ReportMissingSystemRoot();
    }
    const std::wstring toolDirectory = JoinPath(systemRoot, L"System32\\");
    if (const ResultCode notMade = EnsureOutputDirectory(m_strDest, m_strDest);
        notMade != kSuccess) {
        return notMade;
    }
    // A failed system-log export is reported but does not decide the result.
    ResultCode lastExitCode = kSuccess;
    for (const EventLog& log : kLogsInExportOrder) {
        const std::wstring outputFile = BuildEventOutputFile(m_strDest, log.baseFileName);
        lastExitCode =
            RunToolCommandLine(BuildEventCommandLine(log.name, outputFile, toolDirectory),
                               std::wstring(L"wevtutil.exe ") + log.name, outputFile);
    }
    return lastExitCode;
}

}  // namespace qeb
