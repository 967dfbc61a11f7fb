// Writes the msinfo32 text report into the file named by -dest:.
#pragma once

#include "commands/CommandBase.h"

namespace qeb {

class CMsinfoCommand : public CCommandBase {
public:
    using CCommandBase::CCommandBase;

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();
};

}  // namespace qeb
