#include "commands/InventoryPhase.h"

#include <windows.h>

#include <algorithm>

#include "MessageCatalog.h"
#include "commands/CommandResults.h"
#include "inventory/VersionInventory.h"
#include "util/CodePage.h"
#include "util/Console.h"
#include "util/Messages.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/StatusLine.h"

namespace qeb {
namespace {

constexpr UINT kReportCodePage = 932;

std::wstring SystemText(DWORD error) {
    return TrimLineEnd(GetSystemErrorText(error));
}

ResultCode ReportCreateFailure(const std::wstring& path, DWORD error) {
    PrintLine(LoadMessage(msg::kFileCreateFailed, path.c_str(), SystemText(error).c_str()));
    return kReportCreateFailed;
}

ResultCode ReportWriteFailure(const std::wstring& path, DWORD error) {
    PrintLine(LoadMessage(msg::kFileSaveFailed, path.c_str(), SystemText(error).c_str()));
    return kReportWriteFailed;
}

}  // namespace

std::string EncodeReport(const std::wstring& report) {
    // A zero byte for characters the code page lacks, removed below. In a double-byte code
    // page the default character may be two bytes long, and the system reads both.
    static const char kZeroCharacter[2] = {'\0', '\0'};
    std::string bytes = EncodeText(report, kReportCodePage, kZeroCharacter);
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    return bytes;
}

ResultCode ReportFile::Write(const std::wstring& path, const std::wstring& report) {
    const Failure failure = WriteWhole(path, EncodeReport(report));
    if (failure.step == Step::Write) {
        return ReportWriteFailure(path, failure.error);
    }
    if (failure) {
        return ReportCreateFailure(path, failure.error);
    }
    return kSuccess;
}

ResultCode RunInventoryPhase(const std::wstring& collectionRoot) {
    CVersionInventory inventory;
    const std::wstring settingsPath = JoinPath(GetModuleDirectory(), L"QebVer.ini");
    if (!PathExists(settingsPath)) {
        PrintLine(LoadMessage(msg::kPathNotFound, settingsPath.c_str()));
        return kSettingsFileMissing;
    }
    if (!inventory.LoadSettings(settingsPath)) {
        PrintLine(inventory.GetErrorMessage());
        return kSettingsRejected;
    }
    inventory.SetListingNotice([](std::size_t listed) {
        StatusLine::Get().Update(
            [listed] { return LoadMessage(msg::kProgressInventory, static_cast<int>(listed)); });
    });
    inventory.Scan();
    StatusLine::Get().Erase();
    std::wstring report;
    inventory.BuildReport(report);
    ReportFile file;
    const ResultCode written = file.Write(JoinPath(collectionRoot, L"QebVer.txt"), report);
    if (written == kSuccess) {
        // The report is whole without these entries; the operator learns which are missing.
        for (const std::wstring& line : inventory.GetLeftOutMessages()) {
            PrintLine(line);
        }
    }
    return written;
}

}  // namespace qeb
