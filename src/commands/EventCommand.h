// Exports the system and application event logs as rendered XML below -dest:; with -days:<n>
// only the last n days, with -evtx also each log as it is, its display texts and its
// information.
#pragma once

#include <string>
#include <vector>

#include "commands/CommandBase.h"
#include "commands/SystemToolCommandLines.h"
#include "commands/SystemToolSteps.h"

namespace qeb {

class CEventCommand : public CCommandBase {
public:
    CEventCommand(int argc, const wchar_t* const* argv);

    ResultCode Execute() override;
    ResultCode Usage() override;

private:
    ResultCode Run();

    int m_nDays = 0;
    int m_bEvtx = 0;
};

// What EVENT does once -dest: has passed its checks: the directory made, then every run of
// both logs. The result is the first non-zero exit code of the application log's runs; the
// system log's failures are reported only. `outputs` gets every file that a run was to write.
ResultCode ExportEventLogs(const std::wstring& dest, const EventExportOptions& options,
                           const ToolRunSettings& settings = {},
                           std::vector<std::wstring>* outputs = nullptr);

}  // namespace qeb
