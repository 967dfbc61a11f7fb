// Base of the four commands: parses the whole command line once into fields.
#pragma once

#include <string>
#include <vector>

#include "commands/CommandGuard.h"
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
    // its exceptions kept inside.
    // The places of the command's outputs are held for as long as it runs.
    template <typename Work>
    ResultCode HelpOrRun(Work&& work) {
        const ScopedOutputHolds holds;
        BeginCommand();
        StartCommandLog(m_strLog);
        if (m_bHelp) {
            return Usage();
        }
        return RunGuarded(work);
    }

    int m_bHelp = 0;
    std::wstring m_strDest;
    int m_nProduct = 0;
    std::vector<std::wstring> m_vecInstances;
    std::vector<std::wstring> m_vecIgnore;
    int m_bEventLog = 1;
    int m_bVmViewer = 0;
    std::wstring m_strLog;
    int m_bEncrypt = 0;
    int m_bMask = 0;
    std::wstring m_strMaskMap;

private:
    void ParseArgument(const std::wstring& argument);
};

// Replaces nothing itself: appends the comma-separated pieces of the text after
// `prefix` to `list`, empty pieces included; an empty text appends nothing.
void SplitCommaList(const std::wstring& argument, const std::wstring& prefix,
                    std::vector<std::wstring>& list);

// An optional sign and decimal digits within the signed 32-bit range; anything else gives 0.
int ParseProductNumber(const std::wstring& text);

}  // namespace qeb
