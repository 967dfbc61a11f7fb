#include "commands/SysinfoCommand.h"

#include "commands/CommandGuard.h"
#include "util/Messages.h"

namespace qeb {

ResultCode CSysinfoCommand::Execute() {
    if (m_bHelp) {
        return Usage();
    }
    return RunGuarded([this] { return Run(); });
}

ResultCode CSysinfoCommand::Usage() {
    return PrintUsage(IDS_USAGE_SYSINFO);
}

ResultCode CSysinfoCommand::Run() {
    return kSuccess;
}

}  // namespace qeb
