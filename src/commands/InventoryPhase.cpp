#include "commands/InventoryPhase.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "MessageCatalog.h"
#include "commands/CommandResults.h"
#include "inventory/VersionInventory.h"
#include "util/CodePage.h"
#include "util/Console.h"
#include "util/Messages.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/StatusLine.h"
#include "util/TemporarySibling.h"
#include "util/UniqueOwner.h"

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

std::wstring TrimLineEnd(std::wstring text) {
    if (!text.empty() && text.back() == L'\n') {
        text.pop_back();
    }
    if (!text.empty() && text.back() == L'\r') {
        text.pop_back();
    }
    return text;
}

bool ReportFile::WriteAll(HANDLE file, const std::string& bytes, DWORD& error) {
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        error = ::GetLastError();
        return false;
    }
    if (written != bytes.size()) {
        error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

bool ReportFile::Close(HANDLE file, DWORD& error) {
    if (!::CloseHandle(file)) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

// The report goes to a temporary file beside QebVer.txt and takes its place only when every
// byte was written and the file closed: a failed write never leaves a cut report, and an
// earlier report stays as it was.
ResultCode ReportFile::Write(const std::wstring& path, const std::wstring& report) {
    std::optional<TemporarySibling> temporary;
    UniqueHandle file;  // closed before the temporary file is removed
    const DWORD created = TemporarySibling::Create(
        path,
        [&file](const std::wstring& temporaryPath) -> unsigned long {
            file.Reset(::CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            return file ? ERROR_SUCCESS : ::GetLastError();
        },
        temporary);
    if (created != ERROR_SUCCESS) {
        return ReportCreateFailure(path, created);
    }
    DWORD error = ERROR_SUCCESS;
    if (!WriteAll(file.Get(), EncodeReport(report), error) || !Close(file.Release(), error)) {
        return ReportWriteFailure(path, error);
    }
    if (const DWORD moved = temporary->ReplaceTarget(); moved != ERROR_SUCCESS) {
        return ReportCreateFailure(path, moved);
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
