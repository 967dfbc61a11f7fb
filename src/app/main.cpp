// QebInfo.exe: locale, single instance, dispatch, closing line, exit code.
#include "MessageCatalog.h"
#include "app/ClosingLine.h"
#include "app/Dispatcher.h"
#include "app/EntryResults.h"
#include "app/SingleInstance.h"
#include "app/SystemLocale.h"
#include "util/Console.h"
#include "util/Messages.h"
#include "util/StatusLine.h"

int wmain(int argc, wchar_t** argv) {
    qeb::ApplySystemLocale();

    qeb::SingleInstance instance;
    if (instance.IsHeldElsewhere()) {
        qeb::PrintLine(qeb::LoadText(qeb::msg::kAlreadyRunning));
        instance.LeaveToProcessExit();
        return static_cast<int>(qeb::kAlreadyRunning);
    }

    const qeb::ResultCode result = qeb::DispatchCommand(argc, argv);
    qeb::PrintClosingLine(result);
    qeb::StatusLine::Get().Erase();  // the screen ends with the lines printed, nothing more
    return static_cast<int>(result);
}
