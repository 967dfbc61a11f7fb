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
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr UINT kReportCodePage = 932;

std::wstring SystemTextOfLastError() {
    return TrimLineEnd(GetSystemErrorText(::GetLastError()));
}

ResultCode WriteReport(const std::wstring& path, const std::wstring& report) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        PrintLine(
            LoadMessage(msg::kFileCreateFailed, path.c_str(), SystemTextOfLastError().c_str()));
        return kReportCreateFailed;
    }
    const std::string bytes = EncodeReport(report);
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr)) {
        const std::wstring reason = SystemTextOfLastError();
        file.Reset();
        PrintLine(LoadMessage(msg::kFileSaveFailed, path.c_str(), reason.c_str()));
        return kReportWriteFailed;
    }
    return kSuccess;
}

}  // namespace

std::string EncodeReport(const std::wstring& report) {
    std::string bytes = EncodeText(report, kReportCodePage, "");
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    return bytes;
}

std::wstring TrimLineEnd(std::wstring text) {
    if (!text.empty() && text.back() == L'\n') {
        text.pop_back();
    }
    if (!text.empty() && text.back() == L'\r') {
        text.pop_back();
    }
    return text;
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
    inventory.Scan();
    std::wstring report;
    inventory.BuildReport(report);
    return WriteReport(JoinPath(collectionRoot, L"QebVer.txt"), report);
}

}  // namespace qeb
