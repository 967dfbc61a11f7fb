#include "commands/CommandChecks.h"

#include "MessageCatalog.h"
#include "commands/CommandGuard.h"
#include "commands/CommandResults.h"
#include "util/Console.h"
#include "util/OutputPlace.h"
#include "util/OutputProtection.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/Privileges.h"

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

void BeginCommand() {
    EnableCollectionPrivileges();
    OutputProtection::SetOwnerRefusalNotice([](const std::wstring& path, unsigned long error) {
        PrintLine(LoadMessage(msg::kOwnerRefused, path.c_str(),
                              TrimLineEnd(GetSystemErrorText(error)).c_str()));
    });
}

void ReportRefusedOption(const OptionVerdict& verdict) {
    const auto message = verdict.kind == OptionVerdict::Kind::MissingOption
                             ? msg::kParameterMissing
                             : msg::kParameterInvalid;
    PrintLine(LoadMessage(message, verdict.name.c_str()));
}

void StartCommandLog(const std::wstring& path) {
    if (path.empty()) {
        return;
    }
    const auto report = [path](unsigned long error) {
        PrintLine(LoadMessage(msg::kLogFailed, path.c_str(),
                              TrimLineEnd(GetSystemErrorText(error)).c_str()));
    };
    unsigned long error = HoldOutputPath(DirectoryOf(FullPathOf(path)));
    if (error == 0) {
        error = StartLineLog(PathForCalls(path), OutputProtection::Get().Attributes(), report);
    }
    if (error != 0) {
        report(error);
    }
}

ResultCode PrintUsage(PlainText help) {
    PrintLine(LoadText(help));
    return kSuccess;
}

}  // namespace qeb
