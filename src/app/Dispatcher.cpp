#include "app/Dispatcher.h"

#include <cwchar>

#include "MessageCatalog.h"
#include "commands/CollectCommand.h"
#include "commands/EventCommand.h"
#include "commands/MsinfoCommand.h"
#include "commands/PackCommand.h"
#include "commands/QebCommand.h"
#include "commands/SysinfoCommand.h"
#include "util/Console.h"
#include "util/Messages.h"

namespace qeb {
namespace {

template <typename Command>
ResultCode Run(int argc, const wchar_t* const* argv) {
    Command command(argc, argv);
    return command.Execute();
}

struct CommandEntry {
    const wchar_t* word;
    ResultCode (*run)(int, const wchar_t* const*);
};

constexpr CommandEntry kCommands[] = {
    {L"QEB", &Run<CQebCommand>},     {L"MSINFO", &Run<CMsinfoCommand>},
    {L"EVENT", &Run<CEventCommand>}, {L"SYSINFO", &Run<CSysinfoCommand>},
    {L"PACK", &Run<CPackCommand>},   {L"COLLECT", &Run<CCollectCommand>},
};

}  // namespace

ResultCode DispatchCommand(int argc, const wchar_t* const* argv) {
    if (argc < 2) {
        PrintLine(LoadText(msg::kNoCommand));
        PrintLine(LoadText(msg::kUsageGeneral));
        return kSuccess;
    }
    for (const CommandEntry& entry : kCommands) {
        if (_wcsicmp(argv[1], entry.word) == 0) {
            return entry.run(argc, argv);
        }
    }
    PrintLine(L"Command Error");
    PrintLine(LoadText(msg::kUsageGeneral));
    return kBadArguments;
}

}  // namespace qeb
