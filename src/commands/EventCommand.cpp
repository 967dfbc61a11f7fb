#include "commands/EventCommand.h"

#include "commands/CommandGuard.h"
#include "util/Messages.h"

namespace qeb {

ResultCode CEventCommand::Execute() {
    if (m_bHelp) {
        return Usage();
    }
    return RunGuarded([this] { return Run(); });
}

ResultCode CEventCommand::Usage() {
    return PrintUsage(IDS_USAGE_EVENT);
}

ResultCode CEventCommand::Run() {
    return kSuccess;
}

}  // namespace qeb
