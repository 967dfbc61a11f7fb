#include "util/PendingFile.h"

#include <vector>

#include "util/OutputCalls.h"
#include "util/OutputProtection.h"

namespace qeb {
namespace {

constexpr int kRenameAttempts = 20;
constexpr DWORD kRenameWaitMs = 100;

bool IsPassingRefusal(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

}  // namespace

unsigned long PendingFile::Create(const std::wstring& path, const PendingFileOptions& options,
                                  PendingFile& made) {
    const DWORD access = options.access | DELETE;
    made.m_file.Reset(options.protectedOutput
                          ? OutputProtection::Get().CreateFile(path, access, options.share,
                                                               CREATE_NEW, options.flags)
                          : TheOutputCalls().createFile(path.c_str(), access, options.share,
                                                        nullptr, CREATE_NEW, options.flags,
                                                        nullptr));
    if (!made.m_file) {
        return ::GetLastError();
    }
    if (const unsigned long error = made.Mark(true); error != ERROR_SUCCESS) {
        made.m_file.Reset();
        ::DeleteFileW(path.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

unsigned long PendingFile::MarkExisting(const std::wstring& path, PendingFile& held) {
    held.m_file.Reset(
        TheOutputCalls().createFile(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!held.m_file) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS
                                                                              : error;
    }
    const unsigned long error = held.Mark(true);
    if (error != ERROR_SUCCESS) {
        held.m_file.Reset();
    }
    return error;
}

unsigned long PendingFile::Mark(bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
    return TheOutputCalls().setFileInformation(m_file.Get(), FileDispositionInfo, &disposition,
                                               sizeof disposition)
               ? ERROR_SUCCESS
               : ::GetLastError();
}

unsigned long PendingFile::Keep() {
    return m_file ? Mark(false) : ERROR_SUCCESS;
}

unsigned long PendingFile::RenameOver(const std::wstring& target) {
    if (const unsigned long error = Mark(false); error != ERROR_SUCCESS) {
        return error;
    }
    // FILE_RENAME_INFO ends in the new name, which must be a full path.
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    target.copy(rename->FileName, target.size());
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
        if (attempt > 0) {
            ::Sleep(kRenameWaitMs);
        }
        if (TheOutputCalls().setFileInformation(m_file.Get(), FileRenameInfo, rename,
                                                static_cast<DWORD>(buffer.size()))) {
            return ERROR_SUCCESS;
        }
        error = ::GetLastError();
        if (!IsPassingRefusal(error)) {
            break;
        }
    }
    Mark(true);
    return error;
}

unsigned long PendingFile::Close() {
    if (m_file && !::CloseHandle(m_file.Release())) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

}  // namespace qeb
