// Collects a product version's configuration, data root and instances, then its inventory.
#pragma once

#include "commands/CommandBase.h"

namespace qeb {

class CQebCommand : public CCommandBase {
public:
    using CCommandBase::CCommandBase;

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();
};

}  // namespace qeb
