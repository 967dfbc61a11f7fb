// Exports the system and application event logs as rendered XML below -dest:.
#pragma once

#include "commands/CommandBase.h"

namespace qeb {

class CEventCommand : public CCommandBase {
public:
    using CCommandBase::CCommandBase;

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();
};

}  // namespace qeb
