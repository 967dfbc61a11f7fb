// Writes systeminfo's list output, hot fixes included, into the file named by -dest:.
#pragma once

#include "commands/CommandBase.h"

namespace qeb {

class CSysinfoCommand : public CCommandBase {
public:
    using CCommandBase::CCommandBase;

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();
};

}  // namespace qeb
