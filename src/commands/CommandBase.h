// Base of the commands: parses the whole command line once into the shared fields, leniently;
// a command with options of its own parses them again with its own table.
#pragma once

#include <string>
#include <vector>

#include "commands/CommandChecks.h"
#include "commands/CommandGuard.h"
#include "commands/OptionTable.h"
#include "util/OutputPlace.h"
#include "util/ResultCode.h"

namespace qeb {

class CCommandBase {
public:
    CCommandBase(int argc, const wchar_t* const* argv);
    virtual ~CCommandBase();

    CCommandBase(const CCommandBase&) = delete;
    CCommandBase& operator=(const CCommandBase&) = delete;

    virtual ResultCode Execute();
    virtual ResultCode Usage();

protected:
    // Help first, before any other check; otherwise the command's own work, with
    // its exceptions kept inside. A strict command refuses its command line before that,
    // with the usage and before anything is written; a lenient one after the help.
    // The places of the command's outputs are held for as long as it runs.
    template <typename Work>
    ResultCode HelpOrRun(Work&& work) {
        const ScopedOutputHolds holds;
        const bool refused = !m_optionVerdict.Accepted();
        if (refused && m_optionVerdict.parsing == OptionParsing::Strict) {
            ReportRefusedOption(m_optionVerdict);
            Usage();
            return kInvalidArgument;
        }
        BeginCommand();
        StartCommandLog(m_strLog);
        if (m_bHelp) {
            return Usage();
        }
        if (refused) {
            ReportRefusedOption(m_optionVerdict);
            return kInvalidArgument;
        }
        return RunGuarded(work);
    }

    // Parses the whole command line again with the command's own table (call it from the
    // derived constructor); its verdict decides in HelpOrRun.
    void ParseOwnOptions(const OptionTable& table);

    // A strict table that already holds -dest:, -log: and -?.
    OptionTable StrictOptions();

    int m_bHelp = 0;
    std::wstring m_strDest;
    int m_nProduct = 0;
    std::vector<std::wstring> m_vecInstances;
    std::vector<std::wstring> m_vecIgnore;
    int m_bEventLog = 1;
    int m_bVmViewer = 0;
    std::wstring m_strLog;

private:
    std::vector<std::wstring> m_arguments;
    OptionVerdict m_optionVerdict;
};

}  // namespace qeb
