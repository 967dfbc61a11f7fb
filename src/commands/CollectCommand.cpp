#include "commands/CollectCommand.h"

#include <chrono>
#include <memory>

#include "MessageCatalog.h"
#include "collect/CollectionRecord.h"
#include "commands/CommandChecks.h"
#include "commands/EventCommand.h"
#include "commands/PackCommand.h"
#include "commands/QebCommand.h"
#include "commands/SystemToolCommandLines.h"
#include "commands/SystemToolSteps.h"
#include "util/PathText.h"
#include "util/ProcessRunner.h"
#include "util/ThreadOutput.h"
#include "util/UiLanguage.h"
#include "util/UtcOffset.h"
#include "util/WholeFileWriter.h"

namespace qeb {
namespace {

const ReportTool kMsinfoTool = {L"System32\\msinfo32.exe", &BuildMsinfoCommandLine,
                                DestinationUse::Path};
const ReportTool kSysinfoTool = {L"System32\\systeminfo.exe", &BuildSysinfoCommandLine,
                                 DestinationUse::Path};

StepOutcome OutcomeOf(ResultCode code) {
    StepOutcome outcome;
    outcome.exitCode = code;
    outcome.result = code == kSuccess ? StepResult::Ok : StepResult::Failed;
    return outcome;
}

// A child step: its runs end when the scheduler asks the step to stop.
template <typename Body>
StepOutcome RunChildStep(StepControl& control, const std::wstring& log, Body&& body) {
    ThreadOutput output(log, nullptr);
    auto stop = std::make_shared<ChildStop>();
    control.OnStop([stop] { stop->Request(); });
    ToolRunSettings settings;
    settings.stop = stop.get();
    settings.belowNormalPriority = true;
    StepOutcome outcome = OutcomeOf(body(settings));
    if (control.StopRequested()) {
        outcome.result = StepResult::Interrupted;
    }
    return outcome;
}

}  // namespace

CCollectCommand::CCollectCommand(int argc, const wchar_t* const* argv) : CCommandBase(argc, argv) {
    ParseOwnOptions(StrictOptions()
                        .Number(L"-product:", m_nProduct)
                        .CommaList(L"-instances:", m_vecInstances)
                        .CommaList(L"-ignore:", m_vecIgnore)
                        .Flag(L"-noeventlog", m_bEventLog, 0)
                        .Flag(L"-vmviewer", m_bVmViewer)
                        .Number(L"-days:", m_nDays, 0, kMaxEventDays)
                        .Flag(L"-evtx", m_bEvtx)
                        .Flag(L"-noevtx", m_bEvtx, 0)
                        .Number(L"-limit:", m_nLimitSeconds, 1, 86400)
                        .Number(L"-minfree:", m_nMinFreeMiB, 0, 1 << 30)
                        .Flag(L"-nozip", m_bNoZip)
                        .Flag(L"-encrypt", m_bEncrypt)
                        .Flag(L"-mask", m_bMask)
                        .Text(L"-maskmap:", m_strMaskMap)
                        .Text(L"-maskwords:", m_strMaskWords)
                        .CommaList(L"-maskdomain:", m_vecMaskDomains)
                        .Requires(L"-maskmap:", L"-mask")
                        .Requires(L"-maskwords:", L"-mask")
                        .Requires(L"-maskdomain:", L"-mask"));
}

ResultCode CCollectCommand::Execute() {
    return HelpOrRun([this] { return Run(); });
}

ResultCode CCollectCommand::Usage() {
    return PrintUsage(msg::kUsageCollect);
}

std::vector<Step> CCollectCommand::BuildSteps(const std::wstring& folder) {
    const std::chrono::milliseconds limit(1000LL * m_nLimitSeconds);
    std::vector<Step> steps;
    steps.push_back({L"QEB", std::nullopt, [this, folder](StepControl&) {
                         ThreadOutput output(JoinPath(folder, L"QEB.log"), nullptr);
                         std::vector<std::wstring> args = {
                             L"QebInfo", L"QEB", L"-dest:" + folder,
                             L"-product:" + std::to_wstring(m_nProduct)};
                         std::vector<const wchar_t*> argv;
                         for (const std::wstring& arg : args) {
                             argv.push_back(arg.c_str());
                         }
                         CQebCommand command(static_cast<int>(argv.size()), argv.data());
                         return OutcomeOf(command.Execute());
                     }});
    for (const auto& [name, tool, file] : {std::tuple{L"MSINFO", &kMsinfoTool, L"msinfo.txt"},
                                           std::tuple{L"SYSINFO", &kSysinfoTool, L"sysinfo.txt"}}) {
        const std::wstring log = JoinPath(folder, std::wstring(name) + L".log");
        const std::wstring dest = JoinPath(folder, file);
        const ReportTool* reportTool = tool;
        steps.push_back({name, limit, [log, dest, reportTool](StepControl& control) {
                             return RunChildStep(control, log, [&](const ToolRunSettings& s) {
                                 return WriteToolReport(*reportTool, dest, s);
                             });
                         }});
    }
    EventExportOptions options;
    options.days = m_nDays;
    options.evtx = m_bEvtx != 0 && m_bMask == 0;  // a binary log cannot be masked
    options.locale = options.evtx ? SystemUiLocaleName() : std::wstring();
    const std::wstring eventLog = JoinPath(folder, L"EVENT.log");
    const std::wstring eventDest = JoinPath(folder, L"event");
    steps.push_back({L"EVENT", limit, [eventLog, eventDest, options](StepControl& control) {
                         return RunChildStep(control, eventLog, [&](const ToolRunSettings& s) {
                             return ExportEventLogs(eventDest, options, s);
                         });
                     }});
    return steps;
}

ResultCode CCollectCommand::Run() {
    if (const ResultCode invalid = CheckDestination(m_strDest, DestinationUse::CommandLine);
        invalid != kSuccess) {
        return invalid;
    }
    const std::wstring folder = m_strDest;
    if (const ResultCode notMade = EnsureOutputDirectory(folder, m_strDest); notMade != kSuccess) {
        return notMade;
    }
    CollectionRecord record;
    record.start = std::chrono::system_clock::now();
    StepScheduler scheduler;
    StepNotices notices;
    record.steps = scheduler.Run(BuildSteps(folder), notices);
    record.end = std::chrono::system_clock::now();
    record.interrupted = scheduler.Interrupted();
    bool allOk = true;
    for (const StepRecord& step : record.steps) {
        allOk = allOk && step.result == StepResult::Ok;
    }
    // Written before packing: nothing in the folder changes once packing starts.
    WholeFileWriter writer;
    if (writer.WriteWhole(JoinPath(folder, L"collection.json"),
                          CollectionJson(record, &UtcOffsetMinutesAt))) {
        allOk = false;
    }
    if (m_bNoZip == 0 && !record.interrupted) {
        std::vector<std::wstring> args = {L"QebInfo", L"PACK", L"-dest:" + folder};
        if (m_bEncrypt != 0) {
            args.push_back(L"-encrypt");
        }
        if (m_bMask != 0) {
            args.push_back(L"-mask");
        }
        std::vector<const wchar_t*> argv;
        for (const std::wstring& arg : args) {
            argv.push_back(arg.c_str());
        }
        CPackCommand pack(static_cast<int>(argv.size()), argv.data());
        if (const ResultCode packed = pack.Execute(); packed != kSuccess) {
            return packed;
        }
    }
    return allOk ? kSuccess : kCollectionIncomplete;
}

}  // namespace qeb
