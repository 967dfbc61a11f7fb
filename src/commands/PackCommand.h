// PACK: the folder named by -dest: as one ZIP archive beside it, <folder>.zip, with a
// manifest of every file's SHA-256 inside, a record of what it lacks, and the archive's own
// SHA-256 in <folder>.zip.sha256.
#pragma once

#include <string>
#include <vector>

#include "commands/CommandBase.h"

namespace qeb {

// Its options are its own, and it refuses any other: a mistyped privacy switch must never
// yield a plain archive.
class CPackCommand : public CCommandBase {
public:
    CPackCommand(int argc, const wchar_t* const* argv);

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();

    int m_bEncrypt = 0;
    int m_bMask = 0;
    int m_bKeepBinary = 0;
    std::wstring m_strMaskMap;
    std::wstring m_strMaskWords;
    std::vector<std::wstring> m_vecMaskDomains;
};

}  // namespace qeb
