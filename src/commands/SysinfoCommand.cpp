#include "commands/SysinfoCommand.h"

#include "MessageCatalog.h"
#include "commands/CommandChecks.h"
#include "commands/SystemToolCommandLines.h"
#include "commands/SystemToolSteps.h"
#include "util/Messages.h"

namespace qeb {
namespace {

const ReportTool kSysinfoTool = {L"System32\\systeminfo.exe", &BuildSysinfoCommandLine,
                                 DestinationUse::CommandLine};

}  // namespace

ResultCode CSysinfoCommand::Execute() {
    return HelpOrRun([this] { return Run(); });
}

ResultCode CSysinfoCommand::Usage() {
    return PrintUsage(msg::kUsageSysinfo);
}

ResultCode CSysinfoCommand::Run() {
    return WriteToolReport(kSysinfoTool, m_strDest);
}

}  // namespace qeb
