#include "commands/CommandChecks.h"

#include "MessageCatalog.h"
#include "commands/CommandResults.h"
#include "util/Console.h"

namespace qeb {
namespace {

constexpr size_t kMaxDestinationLength = 259;
const wchar_t kDestOption[] = L"-dest:";

}  // namespace

ResultCode CheckDestination(const std::wstring& dest, DestinationUse use) {
    if (dest.empty()) {
        PrintLine(LoadMessage(msg::kParameterMissing, kDestOption));
        return kInvalidArgument;
    }
    if (dest.size() > kMaxDestinationLength) {
        PrintLine(LoadMessage(msg::kPathTooLong, kDestOption));
        return kPathTooLong;
    }
    const wchar_t* const refused = use == DestinationUse::CommandLine ? L"\"%" : L"\"";
    if (dest.find_first_of(refused) != std::wstring::npos) {
        PrintLine(LoadMessage(msg::kParameterInvalid, kDestOption));
        return kInvalidArgument;
    }
    return kSuccess;
}

ResultCode PrintUsage(PlainText help) {
    PrintLine(LoadText(help));
    return kSuccess;
}

}  // namespace qeb
