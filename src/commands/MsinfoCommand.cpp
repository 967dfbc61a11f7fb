#include "commands/MsinfoCommand.h"

#include "commands/CommandGuard.h"
#include "util/Messages.h"

namespace qeb {

ResultCode CMsinfoCommand::Execute() {
    if (m_bHelp) {
        return Usage();
    }
    return RunGuarded([this] { return Run(); });
}

ResultCode CMsinfoCommand::Usage() {
    return PrintUsage(IDS_USAGE_MSINFO);
}

ResultCode CMsinfoCommand::Run() {
    return kSuccess;
}

}  // namespace qeb
