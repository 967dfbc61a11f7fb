#include "commands/CommandChecks.h"

#include "MessageCatalog.h"
#include "commands/CommandResults.h"
#include "util/Console.h"

namespace qeb {
namespace {

constexpr size_t kMaxDestinationLength = 259;
const wchar_t kDestOption[] = L"-dest:";

}  // namespace

ResultCode CheckDestination(const std::wstring& dest) {
    if (dest.empty()) {
        PrintLine(LoadMessage(msg::kParameterMissing, kDestOption));
        return kInvalidArgument;
    }
    if (dest.size() > kMaxDestinationLength) {
        PrintLine(LoadMessage(msg::kPathTooLong, kDestOption));
        return kPathTooLong;
    }
    return kSuccess;
}

ResultCode PrintUsage(PlainText help) {
    PrintLine(LoadText(help));
    return kSuccess;
}

}  // namespace qeb
