#include "commands/MsinfoCommand.h"

#include "MessageCatalog.h"
#include "commands/CommandChecks.h"
#include "commands/SystemToolCommandLines.h"
#include "commands/SystemToolSteps.h"
#include "util/Messages.h"

namespace qeb {
namespace {

const ReportTool kMsinfoTool = {L"System32\\msinfo32.exe", &BuildMsinfoCommandLine,
                                DestinationUse::Path};

}  // namespace

ResultCode CMsinfoCommand::Execute() {
    return HelpOrRun([this] { return Run(); });
}

ResultCode CMsinfoCommand::Usage() {
    return PrintUsage(msg::kUsageMsinfo);
}

ResultCode CMsinfoCommand::Run() {
    return WriteToolReport(kMsinfoTool, m_strDest);
}

}  // namespace qeb
