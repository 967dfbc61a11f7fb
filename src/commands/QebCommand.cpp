#include "commands/QebCommand.h"

#include "commands/CommandGuard.h"
#include "util/Messages.h"

namespace qeb {

ResultCode CQebCommand::Execute() {
    if (m_bHelp) {
        return Usage();
    }
    return RunGuarded([this] { return Run(); });
}

ResultCode CQebCommand::Usage() {
    return PrintUsage(IDS_USAGE_QEB);
}

ResultCode CQebCommand::Run() {
    return kSuccess;
}

}  // namespace qeb
