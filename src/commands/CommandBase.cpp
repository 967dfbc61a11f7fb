#include "commands/CommandBase.h"

namespace qeb {

CCommandBase::CCommandBase(int argc, const wchar_t* const* argv) {
    for (int i = 0; i < argc; ++i) {
        m_arguments.emplace_back(argv[i] != nullptr ? argv[i] : L"");
    }
    // The original vocabulary: nothing is ever refused, a bad -product: gives 0.
    OptionTable(OptionParsing::Lenient)
        .Text(L"-dest:", m_strDest)
        .Number(L"-product:", m_nProduct)
        .CommaList(L"-instances:", m_vecInstances)
        .CommaList(L"-ignore:", m_vecIgnore)
        .Text(L"-log:", m_strLog)
        .Flag(L"-noeventlog", m_bEventLog, 0)
        .Flag(L"-vmviewer", m_bVmViewer)
        .Flag(L"-?", m_bHelp)
        .Parse(m_arguments);
}

CCommandBase::~CCommandBase() = default;

ResultCode CCommandBase::Execute() {
    return kSuccess;
}

ResultCode CCommandBase::Usage() {
    return kSuccess;
}

void CCommandBase::ParseOwnOptions(const OptionTable& table) {
    m_optionVerdict = table.Parse(m_arguments);
}

OptionTable CCommandBase::StrictOptions() {
    OptionTable table(OptionParsing::Strict);
    table.Text(L"-dest:", m_strDest).Text(L"-log:", m_strLog).Flag(L"-?", m_bHelp);
    return table;
}

}  // namespace qeb
