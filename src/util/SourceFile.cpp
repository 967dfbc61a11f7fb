#include "util/SourceFile.h"

#include "util/ReparseTag.h"

namespace qeb {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kSourceFlags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS;

UniqueFileHandle Open(const std::wstring& path, DWORD flags) {
    return UniqueFileHandle(TheSourceCalls().openFile(path.c_str(), GENERIC_READ, kShareAll,
                                                      nullptr, OPEN_EXISTING, flags, nullptr));
}

bool SameFile(HANDLE first, HANDLE second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return ::GetFileInformationByHandle(first, &a) && ::GetFileInformationByHandle(second, &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// With FILE_FLAG_OPEN_REPARSE_POINT the handle is the reparse point itself: for a link that is
// the link, never its target; for a deduplicated or cloud file it is a stub without the data.
unsigned long OpenThroughDataReparsePoint(const std::wstring& path, UniqueFileHandle& handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(handle.Get(), FileAttributeTagInfo, &tag, sizeof tag)) {
        return ::GetLastError();
    }
    if (IsLinkReparseTag(tag.ReparseTag)) {
        return ERROR_CANT_ACCESS_FILE;
    }
    UniqueFileHandle data = Open(path, kSourceFlags);
    if (!data) {
        return ::GetLastError();
    }
    if (!SameFile(handle.Get(), data.Get())) {
        return ERROR_CANT_ACCESS_FILE;  // replaced between the two opens
    }
    handle = std::move(data);
    return ERROR_SUCCESS;
}

}  // namespace

SourceCalls& TheSourceCalls() {
    static SourceCalls calls{&::CreateFileW, &::ReadFile};
    return calls;
}

unsigned long OpenSourceFile(const std::wstring& path, SourceFile& opened) {
    opened.handle = Open(path, kSourceFlags | FILE_FLAG_OPEN_REPARSE_POINT);
    FILE_BASIC_INFO info{};
    if (!opened.handle ||
        !::GetFileInformationByHandleEx(opened.handle.Get(), FileBasicInfo, &info, sizeof info)) {
        const DWORD error = ::GetLastError();
        opened.handle.Reset();
        return error;
    }
    DWORD error = ERROR_SUCCESS;
    if ((info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = ERROR_CANT_ACCESS_FILE;
    } else if ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        error = OpenThroughDataReparsePoint(path, opened.handle);
    }
    LARGE_INTEGER size{};
    if (error == ERROR_SUCCESS && !::GetFileSizeEx(opened.handle.Get(), &size)) {
        error = ::GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        opened.handle.Reset();
        return error;
    }
    opened.size = static_cast<std::uint64_t>(size.QuadPart);
    opened.attributes = info.FileAttributes;
    opened.lastWrite.dwLowDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart);
    opened.lastWrite.dwHighDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart >> 32);
    return ERROR_SUCCESS;
}

}  // namespace qeb
