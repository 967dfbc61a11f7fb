#include "util/FileIdentity.h"

#include <windows.h>

#include <vector>

#include "util/PathText.h"
#include "util/Paths.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

UniqueFileHandle OpenForQueries(const std::wstring& path) {
    return UniqueFileHandle(
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<BY_HANDLE_FILE_INFORMATION> QueryFileInformation(const std::wstring& path) {
    const UniqueFileHandle handle = OpenForQueries(path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.Get(), &info)) {
        return std::nullopt;
    }
    return info;
}

}  // namespace

std::optional<FileIdentity> IdentifyFile(const std::wstring& path) {
    const auto info = QueryFileInformation(path);
    if (!info) {
        return std::nullopt;
    }
    return FileIdentity{
        info->dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info->nFileIndexHigh) << 32) | info->nFileIndexLow};
}

std::optional<unsigned long> CountFileNames(const std::wstring& path) {
    const auto info = QueryFileInformation(path);
    return info ? std::optional<unsigned long>(info->nNumberOfLinks) : std::nullopt;
}

std::wstring ResolvedPath(const std::wstring& path) {
    const UniqueFileHandle handle = OpenForQueries(path);
    if (!handle) {
        return {};
    }
    std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle.Get(), buffer.data(),
                                               static_cast<DWORD>(buffer.size()), 0);
    if (length >= buffer.size()) {
        buffer.assign(length + 1, L'\0');
        length = ::GetFinalPathNameByHandleW(handle.Get(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()), 0);
    }
    return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length)
                                                : std::wstring();
}

std::wstring ResolvedPathOfPlace(const std::wstring& path) {
    std::wstring full = FullPathOf(path);
    while (full.size() > 3 && full.back() == L'\\') {
        full.pop_back();
    }
    std::wstring rest;
    for (std::wstring level = full; !level.empty(); level = DirectoryOf(level)) {
        const std::wstring resolved = WithoutExtendedPrefix(ResolvedPath(level));
        if (!resolved.empty()) {
            return JoinPath(resolved, rest);
        }
        const std::wstring parent = DirectoryOf(level);
        if (parent == level) {
            break;
        }
        rest = JoinPath(level.substr(parent.size() + (parent.back() == L'\\' ? 0 : 1)), rest);
    }
    return full;
}

bool IsSameOrBelow(const std::wstring& inner, const std::wstring& outer) {
    if (outer.empty() || inner.size() < outer.size()) {
        return false;
    }
    const bool samePrefix =
        ::CompareStringOrdinal(inner.c_str(), static_cast<int>(outer.size()), outer.c_str(),
                               static_cast<int>(outer.size()), TRUE) == CSTR_EQUAL;
    return samePrefix &&
           (inner.size() == outer.size() || inner[outer.size()] == L'\\' || outer.back() == L'\\');
}

}  // namespace qeb
