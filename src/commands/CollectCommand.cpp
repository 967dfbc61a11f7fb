#include "commands/CollectCommand.h"

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>

#include <windows.h>

#include "MessageCatalog.h"
#include "collect/CollectionRecord.h"
#include "commands/CommandChecks.h"
#include "commands/EventCommand.h"
#include "commands/PackCommand.h"
#include "commands/QebCommand.h"
#include "commands/SystemToolCommandLines.h"
#include "commands/SystemToolSteps.h"
#include "util/CodePage.h"
#include "util/FileDigest.h"
#include "util/UniqueOwner.h"
#include "util/InterruptCleanup.h"
#include "util/PathText.h"
#include "util/StatusLine.h"
#include "util/Console.h"
#include "util/Messages.h"
#include "commands/CommandResults.h"
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
    outcome.result = code == kSuccess          ? StepResult::Ok
                     : code == kModuleNotFound ? StepResult::NotAvailable
                                               : StepResult::Failed;
    return outcome;
}

std::string HexOf(const Sha256Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

// Only what is there is recorded: a tool that failed may have written nothing.
std::vector<StepOutput> DigestsOf(const std::vector<std::wstring>& paths) {
    std::vector<StepOutput> outputs;
    for (const std::wstring& path : paths) {
        FileDigest digest;
        if (DigestFile(path, digest) == 0) {
            outputs.push_back({path, digest.size, HexOf(digest.sha256)});
        }
    }
    return outputs;
}

std::wstring ThisComputer() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

// A masked collection names no computer, not even in its record.
constexpr wchar_t kComputerStandIn[] = L"COMPUTER";

// Another command run in-process, on its own command line, prepared by `prepare`.
template <typename Command>
ResultCode ExecuteWith(const std::vector<std::wstring>& args,
                       const std::function<void(Command&)>& prepare = {}) {
    std::vector<const wchar_t*> argv;
    for (const std::wstring& arg : args) {
        argv.push_back(arg.c_str());
    }
    Command command(static_cast<int>(argv.size()), argv.data());
    if (prepare) {
        prepare(command);
    }
    return command.Execute();
}

constexpr std::uint64_t kMiB = 1024 * 1024;

// The room a file of `size` bytes would leave on the folder's volume against what must stay
// free: `keepMiB`, or when negative 1 GiB and 5 % of the volume, whichever is more.
// GetDiskFreeSpaceExW counts the caller's quota (Microsoft Learn), which is what a copy meets.
unsigned long CheckRoom(const std::wstring& folder, int keepMiB, std::uint64_t size) {
    ULARGE_INTEGER available{}, total{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, &total, nullptr)) {
        return 0;  // the copy itself meets a full volume
    }
    const std::uint64_t keep =
        keepMiB >= 0 ? keepMiB * kMiB : std::max<std::uint64_t>(1024 * kMiB, total.QuadPart / 20);
    return available.QuadPart < size || available.QuadPart - size < keep ? ERROR_DISK_FULL : 0;
}

// The calling thread's disk and memory priority lowered while it lives, so that a production
// server's own I/O goes first. THREAD_MODE_BACKGROUND_BEGIN/END apply to the current thread
// only (SetThreadPriority, Microsoft Learn).
class BackgroundMode {
public:
    BackgroundMode()
        : m_begun(::SetThreadPriority(::GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN) != 0) {}
    ~BackgroundMode() {
        if (m_begun) {
            ::SetThreadPriority(::GetCurrentThread(), THREAD_MODE_BACKGROUND_END);
        }
    }
    BackgroundMode(const BackgroundMode&) = delete;
    BackgroundMode& operator=(const BackgroundMode&) = delete;

private:
    bool m_begun;
};

std::wstring JoinedWith(const std::vector<std::wstring>& items, const wchar_t* separator) {
    std::wstring text;
    for (const std::wstring& item : items) {
        text += (text.empty() ? L"" : separator) + item;
    }
    return text;
}

std::wstring Joined(const std::vector<std::wstring>& items) {
    return JoinedWith(items, L",");
}

// "20261210_091503" for the folder's name and "2026/12/10 09:15:03" for summary.txt.
std::wstring LocalTimeText(const wchar_t* format) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t text[32] = {};
    swprintf(text, 32, format, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}

// A new folder below the root, with _2, _3 and so on when the name is taken, made protected.
ResultCode MakeCollectionFolder(const std::wstring& root, const std::wstring& base,
                                std::wstring& folder) {
    for (int suffix = 1; suffix < 1000; ++suffix) {
        folder = JoinPath(root, suffix == 1 ? base : base + L"_" + std::to_wstring(suffix));
        if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return EnsureOutputDirectory(folder, folder);
        }
    }
    return kCannotMake;
}

std::string HexText(std::uint32_t code) {
    char text[9] = {};
    snprintf(text, sizeof text, "%08X", static_cast<unsigned>(code));
    return text;
}

unsigned CountLines(const std::wstring& path) {
    unsigned lines = 0;
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char buffer[4096];
    DWORD read = 0;
    while (file && ::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        for (DWORD i = 0; i < read; ++i) {
            lines += buffer[i] == '\n' ? 1 : 0;
        }
    }
    return lines;
}

// Numbered out of the steps and, unless -nozip, the packing after them.
class ConsoleNotices : public StepNotices {
public:
    explicit ConsoleNotices(int extra) : m_extra(extra) {}

    void Started(std::size_t index, std::size_t count, const std::wstring& name) override {
        StatusLine::Get().Erase();
        PrintLine(LoadMessage(msg::kCollectStepStarted, static_cast<int>(index + 1),
                              static_cast<int>(count) + m_extra, name.c_str()));
    }
    void Ended(std::size_t index, std::size_t count, const StepRecord& record) override {
        StatusLine::Get().Erase();
        const std::string name = StepResultName(record.result);  // ASCII
        const std::wstring result(name.begin(), name.end());
        PrintLine(LoadMessage(msg::kCollectStepEnded, static_cast<int>(index + 1),
                              static_cast<int>(count) + m_extra, record.name.c_str(),
                              result.c_str()));
    }
    void Running(const std::vector<RunningStep>& steps) override {
        StatusLine::Get().Update([&steps] {
            return RenderRunningSteps(steps, [](const RunningStep& step) {
                return step.name + L" " + std::to_wstring(step.elapsed.count() / 1000) + L"s";
            });
        });
    }

private:
    int m_extra;
};

// A child step: its runs end when the scheduler asks the step to stop.
template <typename Body>
StepOutcome RunChildStep(StepControl& control, const std::wstring& log,
                         const std::wstring& commandLine, Body&& body) {
    ThreadOutput output(log, nullptr);
    auto stop = std::make_shared<ChildStop>();
    control.OnStop([stop] { stop->Request(); });
    ToolRunSettings settings;
    settings.stop = stop.get();
    settings.belowNormalPriority = true;
    std::vector<std::wstring> written;
    StepOutcome outcome = OutcomeOf(body(settings, written));
    outcome.outputs = DigestsOf(written);
    outcome.commandLine = commandLine;
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

// As the sequential script wrote it, in code page 932: each step's command line, exit code in
// hex and decimal, result and logged lines; the closing line by the worst step.
std::wstring CCollectCommand::SummaryText(CollectionRecord& record, const std::wstring& folder,
                                          const std::wstring& startText) const {
    std::wstring text =
        LoadMessage(msg::kSummaryHead, record.version.c_str(), record.computer.c_str(), m_nProduct,
                    startText.c_str(), folder.c_str());
    int failed = 0;
    std::wstring warned;
    const int count = static_cast<int>(record.steps.size()) + (m_bNoZip != 0 ? 0 : 1);
    for (std::size_t i = 0; i < record.steps.size(); ++i) {
        StepRecord& step = record.steps[i];
        const unsigned lines = CountLines(JoinPath(folder, step.name + L".log"));
        const std::string hex = HexText(step.exitCode);
        const std::wstring hexText(hex.begin(), hex.end());
        const std::string result = StepResultName(step.result);
        const std::wstring resultText(result.begin(), result.end());
        text +=
            LoadMessage(msg::kSummaryStep, static_cast<int>(i + 1), count, step.name.c_str(),
                        step.commandLine.c_str(), hexText.c_str(), static_cast<int>(step.exitCode),
                        resultText.c_str(), static_cast<int>(lines));
        if (step.result != StepResult::Ok) {
            ++failed;
        } else if (lines > 0) {
            step.warnings = static_cast<int>(lines);
            warned += L" " + step.name;
        }
    }
    const std::wstring endText = LocalTimeText(L"%04u/%02u/%02u %02u:%02u:%02u");
    if (failed > 0) {
        text += LoadMessage(msg::kSummaryFailed, endText.c_str(), failed);
    } else if (!warned.empty()) {
        text += LoadMessage(msg::kSummaryWarned, endText.c_str(), warned.c_str());
    } else {
        text += LoadMessage(msg::kSummaryAllOk, endText.c_str());
    }
    return text;
}

std::vector<std::wstring> CCollectCommand::QebArguments(const std::wstring& folder) const {
    std::vector<std::wstring> args = {L"QebInfo", L"QEB", L"-dest:" + folder,
                                      L"-product:" + std::to_wstring(m_nProduct)};
    if (!m_vecInstances.empty()) {
        args.push_back(L"-instances:" + Joined(m_vecInstances));
    }
    if (!m_vecIgnore.empty()) {
        args.push_back(L"-ignore:" + Joined(m_vecIgnore));
    }
    if (m_bEventLog == 0) {
        args.push_back(L"-noeventlog");
    }
    if (m_bVmViewer != 0) {
        args.push_back(L"-vmviewer");
    }
    return args;
}

std::vector<Step> CCollectCommand::BuildSteps(const std::wstring& folder) {
    const std::chrono::milliseconds limit(1000LL * m_nLimitSeconds);
    std::vector<Step> steps;
    steps.push_back({L"QEB", std::nullopt, [this, folder](StepControl&) {
                         ThreadOutput output(JoinPath(folder, L"QEB.log"), nullptr);
                         const BackgroundMode background;
                         const std::vector<std::wstring> args = QebArguments(folder);
                         StepOutcome outcome =
                             OutcomeOf(ExecuteWith<CQebCommand>(args, [&](CQebCommand& qeb) {
                                 if (m_nMinFreeMiB != 0) {
                                     const int keepMiB = m_nMinFreeMiB;
                                     qeb.SetRoomCheck([folder, keepMiB](std::uint64_t size) {
                                         return CheckRoom(folder, keepMiB, size);
                                     });
                                 }
                             }));
                         // What is already copied stays; the record says why the rest is not.
                         if (outcome.exitCode == kVolumeFull) {
                             outcome.result = StepResult::StoppedForSpace;
                         }
                         outcome.commandLine = JoinedWith(args, L" ");
                         return outcome;
                     }});
    for (const auto& [name, tool, file] : {std::tuple{L"MSINFO", &kMsinfoTool, L"msinfo.txt"},
                                           std::tuple{L"SYSINFO", &kSysinfoTool, L"sysinfo.txt"}}) {
        const std::wstring log = JoinPath(folder, std::wstring(name) + L".log");
        const std::wstring dest = JoinPath(folder, file);
        const ReportTool* reportTool = tool;
        const std::wstring commandLine = L"QebInfo " + std::wstring(name) + L" -dest:" + dest;
        steps.push_back({name, limit, [log, dest, reportTool, commandLine](StepControl& control) {
                             return RunChildStep(
                                 control, log, commandLine,
                                 [&](const ToolRunSettings& s, std::vector<std::wstring>& out) {
                                     out.push_back(dest);
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
    std::wstring eventLine = L"QebInfo EVENT -dest:" + eventDest;
    eventLine += options.days != 0 ? L" -days:" + std::to_wstring(options.days) : L"";
    eventLine += options.evtx ? L" -evtx" : L"";
    steps.push_back(
        {L"EVENT", limit, [eventLog, eventDest, options, eventLine](StepControl& control) {
             return RunChildStep(control, eventLog, eventLine,
                                 [&](const ToolRunSettings& s, std::vector<std::wstring>& out) {
                                     return ExportEventLogs(eventDest, options, s, &out);
                                 });
         }});
    return steps;
}

ResultCode CCollectCommand::Run() {
    if (const ResultCode invalid = CheckDestination(m_strDest, DestinationUse::CommandLine);
        invalid != kSuccess) {
        return invalid;
    }
    const std::wstring computer = m_bMask != 0 ? std::wstring(kComputerStandIn) : ThisComputer();
    const std::wstring stamp = LocalTimeText(L"%04u%02u%02u_%02u%02u%02u");
    // A masked collection's folder carries no computer name: it is sent along with the archive.
    const std::wstring base = m_bMask != 0 ? L"collect_" + stamp : computer + L"_" + stamp;
    std::wstring folder;
    if (const ResultCode notMade = MakeCollectionFolder(m_strDest, base, folder);
        notMade != kSuccess) {
        return notMade;
    }
    const std::wstring startText = LocalTimeText(L"%04u/%02u/%02u %02u:%02u:%02u");
    CollectionRecord record;
    record.version = L"" QEB_VERSION_TEXT;
    record.computer = computer;
    record.options = {{"product", static_cast<long long>(m_nProduct)},
                      {"days", static_cast<long long>(m_nDays)},
                      {"evtx", m_bEvtx != 0 && m_bMask == 0},
                      {"limit", static_cast<long long>(m_nLimitSeconds)},
                      {"minfree", static_cast<long long>(m_nMinFreeMiB)},
                      {"nozip", m_bNoZip != 0},
                      {"encrypt", m_bEncrypt != 0},
                      {"mask", m_bMask != 0}};
    record.start = std::chrono::system_clock::now();
    StepScheduler scheduler;
    ConsoleNotices notices(m_bNoZip != 0 ? 0 : 1);
    {
        const InterruptCancels interrupts([&scheduler] { scheduler.Cancel(); });
        record.steps = scheduler.Run(BuildSteps(folder), notices);
    }
    record.end = std::chrono::system_clock::now();
    record.interrupted = scheduler.Interrupted();
    StatusLine::Get().Erase();
    bool allOk = true;
    for (const StepRecord& step : record.steps) {
        allOk = allOk && step.result == StepResult::Ok;
    }
    // Written before packing: nothing in the folder changes once packing starts.
    WholeFileWriter writer;
    const std::wstring summary = SummaryText(record, folder, startText);
    if (writer.WriteWhole(JoinPath(folder, L"summary.txt"), EncodeText(summary, 932))) {
        allOk = false;
    }
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
            if (!m_strMaskMap.empty()) {
                args.push_back(L"-maskmap:" + m_strMaskMap);
            }
            if (!m_strMaskWords.empty()) {
                args.push_back(L"-maskwords:" + m_strMaskWords);
            }
            if (!m_vecMaskDomains.empty()) {
                args.push_back(L"-maskdomain:" + Joined(m_vecMaskDomains));
            }
        }
        const BackgroundMode background;
        if (const ResultCode packed = ExecuteWith<CPackCommand>(args); packed != kSuccess) {
            return packed;
        }
    }
    PrintLine(LoadMessage(msg::kCollectFolder, folder.c_str()));
    if (record.interrupted) {
        return kCollectionInterrupted;
    }
    return allOk ? kSuccess : kCollectionIncomplete;
}

}  // namespace qeb
