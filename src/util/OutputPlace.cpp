#include "util/OutputPlace.h"

#include <windows.h>

#include <boost/filesystem/operations.hpp>
#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "util/FileIdentity.h"
#include "util/OutputCalls.h"
#include "util/OutputProtection.h"
#include "util/Paths.h"
#include "util/ReparseTag.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr DWORD kHoldAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;

// One stack per thread: a command that runs on a worker thread holds and lets go of its
// places by scope, in its own order, while other threads do the same with theirs.
std::vector<UniqueFileHandle>& HeldLevels() {
    static std::mutex guard;
    static std::map<DWORD, std::vector<UniqueFileHandle>> held;
    const std::lock_guard<std::mutex> lock(guard);
    return held[::GetCurrentThreadId()];
}

// Where the first level below the volume root begins: after "C:\", "\\server\share\" or
// their extended-length forms.
size_t RootLength(const std::wstring& path) {
    size_t start = 0;
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        start = 8;
    } else if (path.compare(0, 4, L"\\\\?\\") == 0) {
        start = 4;
    } else if (path.compare(0, 2, L"\\\\") == 0) {
        start = 2;
    }
    if (start == 2 || start == 8) {
        const size_t server = path.find(L'\\', start);
        const size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
        return share == std::wstring::npos ? path.size() : share + 1;
    }
    return std::min(path.size(), start + 3);
}

// The volume root and every directory below it down to the path, in that order.
std::vector<std::wstring> Levels(std::wstring fullPath) {
    const size_t root = RootLength(fullPath);
    while (fullPath.size() > root && fullPath.back() == L'\\') {
        fullPath.pop_back();
    }
    std::vector<std::wstring> levels{fullPath.substr(0, root)};
    for (size_t next = fullPath.find(L'\\', root); next != std::wstring::npos;
         next = fullPath.find(L'\\', next + 1)) {
        levels.push_back(fullPath.substr(0, next));
    }
    if (fullPath.size() > root) {
        levels.push_back(fullPath);
    }
    return levels;
}

bool IsLinkHandle(HANDLE handle, const std::wstring& path) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) {
        return true;
    }
    // Wine's handle of a link shows its target; only the path tells.
    return ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
            IsLinkReparseTag(info.ReparseTag)) ||
           IsLink(path);
}

// Opens one existing level; ERROR_FILE_NOT_FOUND for a missing one. Windows' sharing check
// counts only data access: a handle with FILE_READ_ATTRIBUTES alone would hold nothing, one
// with FILE_LIST_DIRECTORY and without delete sharing refuses every rename and deletion.
unsigned long HoldLevel(const std::wstring& level, bool mayBeLink) {
    UniqueFileHandle handle(TheOutputCalls().createFile(
        PathForCalls(level).c_str(), kHoldAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        const DWORD error = ::GetLastError();
        return error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error;
    }
    if (!mayBeLink && IsLinkHandle(handle.Get(), level)) {
        return ERROR_CANT_ACCESS_FILE;
    }
    HeldLevels().push_back(std::move(handle));
    return ERROR_SUCCESS;
}

// A link that the operator's path holds at the start is taken as it resolves then; from
// then on no level of what it resolves to may become a link.
unsigned long HoldChain(const std::vector<std::wstring>& levels, bool mayBeLinks,
                        std::wstring* deepest) {
    for (const std::wstring& level : levels) {
        // The root of a volume is no reparse point on Windows; Wine shows each drive letter's
        // root as a link, as which it is a symbolic link of its own configuration.
        const bool isVolumeRoot = &level == &levels.front();
        const unsigned long error = HoldLevel(level, mayBeLinks || isVolumeRoot);
        if (error == ERROR_FILE_NOT_FOUND) {
            return ERROR_SUCCESS;
        }
        if (error != ERROR_SUCCESS) {
            return error;
        }
        if (deepest != nullptr) {
            *deepest = level;
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace

ScopedOutputHolds::ScopedOutputHolds() : m_heldBefore(HeldLevels().size()) {}

ScopedOutputHolds::~ScopedOutputHolds() {
    std::vector<UniqueFileHandle>& held = HeldLevels();
    held.erase(held.begin() + static_cast<std::ptrdiff_t>(m_heldBefore), held.end());
}

unsigned long HoldOutputPath(const std::wstring& directory) {
    const std::wstring full = FullPathOf(directory);
    if (full.empty()) {
        return ::GetLastError();
    }
    std::wstring deepest;
    if (const unsigned long error = HoldChain(Levels(full), true, &deepest); error != 0) {
        return error;
    }
    const std::wstring resolved = WithoutExtendedPrefix(ResolvedPath(deepest));
    return resolved.empty() ? ERROR_SUCCESS : HoldChain(Levels(resolved), false, nullptr);
}

bool PrepareOutputDirectory(const std::wstring& directory) {
    if (directory.empty() || (PathExists(directory) && !IsDirectory(directory))) {
        boost::filesystem::create_directories(directory);  // raises the library's own error
    }
    if (HoldOutputPath(directory) != ERROR_SUCCESS) {
        return false;
    }
    if (IsDirectory(directory)) {
        return true;
    }
    const std::vector<std::wstring> levels = Levels(FullPathOf(directory));
    // Below the volume root, which is there when anything is.
    for (auto level = levels.begin() + 1; level < levels.end(); ++level) {
        if (IsDirectory(*level)) {
            continue;
        }
        if (!OutputProtection::Get().CreateDirectory(PathForCalls(*level)) ||
            HoldLevel(*level, false) != ERROR_SUCCESS) {
            return false;
        }
    }
    return true;
}

}  // namespace qeb
