#include "commands/EventCommand.h"

#include "MessageCatalog.h"
#include "commands/CommandChecks.h"
#include "commands/CommandResults.h"
#include "util/Messages.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/UiLanguage.h"

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

CEventCommand::CEventCommand(int argc, const wchar_t* const* argv) : CCommandBase(argc, argv) {
    ParseOwnOptions(OptionTable(OptionParsing::Lenient)
                        .Number(L"-days:", m_nDays, 0, kMaxEventDays)
                        .Flag(L"-evtx", m_bEvtx));
}

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
    EventExportOptions options;
    options.days = m_nDays;
    options.evtx = m_bEvtx != 0;
    options.locale = options.evtx ? SystemUiLocaleName() : std::wstring();
    return ExportEventLogs(m_strDest, options);
}

ResultCode ExportEventLogs(const std::wstring& dest, const EventExportOptions& options,
                           const ToolRunSettings& settings, std::vector<std::wstring>* outputs) {
    // Without a system root the tool would be looked up relative to the current directory.
    const std::wstring systemRoot = GetSystemRoot();
    if (systemRoot.empty()) {
        return ReportMissingSystemRoot();
    }
    const std::wstring toolDirectory = JoinPath(systemRoot, L"System32\\");
    if (const ResultCode notMade = EnsureOutputDirectory(dest, dest); notMade != kSuccess) {
        return notMade;
    }
    // A failed system-log run is reported but does not decide the result.
    ResultCode result = kSuccess;
    for (const EventLog& log : kLogsInExportOrder) {
        result = kSuccess;
        const std::wstring toolName = std::wstring(L"wevtutil.exe ") + log.name;
        for (const EventToolRun& run :
             BuildEventRuns(log.name, log.baseFileName, dest, toolDirectory, options)) {
            const ChildOutcome outcome =
                RunTool(ToolRun{run.commandLine, toolName, run.outputFile, run.standardOutput, L""},
                        settings);
            result = result != kSuccess ? result : outcome.exitCode;
            if (outputs != nullptr && !run.outputFile.empty()) {
                outputs->push_back(run.outputFile);
            }
        }
    }
    return result;
}

}  // namespace qeb
