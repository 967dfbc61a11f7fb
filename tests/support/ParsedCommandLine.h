// The command base with the fields that its constructor parsed in view.
#pragma once

#include <vector>

#include "commands/CommandBase.h"

namespace qeb::test {

class ParsedCommandLine : public CCommandBase {
public:
    // The whole argument vector, program path and command word included.
    explicit ParsedCommandLine(const std::vector<const wchar_t*>& argv)
        : CCommandBase(static_cast<int>(argv.size()), argv.data()) {}

    using CCommandBase::m_bEventLog;
    using CCommandBase::m_bHelp;
    using CCommandBase::m_bVmViewer;
    using CCommandBase::m_nProduct;
    using CCommandBase::m_strDest;
    using CCommandBase::m_vecIgnore;
    using CCommandBase::m_vecInstances;
};

}  // namespace qeb::test
