// PACK: the folder named by -dest: as one ZIP archive beside it, <folder>.zip, with a
// manifest of every file's SHA-256 inside, a record of what it lacks, and the archive's own
// SHA-256 in <folder>.zip.sha256.
#pragma once

#include "commands/CommandBase.h"

namespace qeb {

class CPackCommand : public CCommandBase {
public:
    using CCommandBase::CCommandBase;

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();
};

}  // namespace qeb
