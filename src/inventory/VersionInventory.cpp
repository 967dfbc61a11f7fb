#include "inventory/VersionInventory.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "MessageCatalog.h"
#include "inventory/InventoryPaths.h"
#include "inventory/TextFileIO.h"
#include "util/Messages.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/ReparseTag.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr DWORD kInstallDirCapacity = MAX_PATH;
constexpr int kInstallDirTries = 2;
constexpr DWORD kVersionResourceRoom = 16 * 1024;

bool LessIgnoringCase(const std::wstring& left, const std::wstring& right) {
    return std::lexicographical_compare(
        left.begin(), left.end(), right.begin(), right.end(),
        [](wchar_t a, wchar_t b) { return std::towlower(a) < std::towlower(b); });
}

std::wstring FormatTimeStamp(const SYSTEMTIME& time) {
    return FormatPrintf(L"%04d/%02d/%02d %02d:%02d:%02d", time.wYear, time.wMonth, time.wDay,
                        time.wHour, time.wMinute, time.wSecond);
}

std::wstring ReadInstallDir(const std::wstring& keyPath) {
    UniqueRegistryKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS) {
        return {};
    }
    wchar_t buffer[kInstallDirCapacity];
    for (int attempt = 0; attempt < kInstallDirTries; ++attempt) {
        std::fill(std::begin(buffer), std::end(buffer), L'\0');
        DWORD size = sizeof buffer;
        if (::RegQueryValueExW(key.Get(), L"InstallDir", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS) {
            // Stored text need not end in a terminator.
            buffer[kInstallDirCapacity - 1] = L'\0';
            return buffer;
        }
    }
    return {};
}

}  // namespace

class CVersionInventory::ScanLevelGuard {
public:
    ScanLevelGuard(std::vector<ScanLevel>& path, const std::wstring& directory) : m_path(path) {
        m_path.push_back(ScanLevel{directory, false, std::nullopt});
    }
    ~ScanLevelGuard() { m_path.pop_back(); }

    ScanLevelGuard(const ScanLevelGuard&) = delete;
    ScanLevelGuard& operator=(const ScanLevelGuard&) = delete;

private:
    std::vector<ScanLevel>& m_path;
};

bool CVersionInventory::LoadSettings(const std::wstring& path) {
    m_strError.clear();
    SettingsError error;
    std::vector<std::wstring> keys;
    std::vector<std::wstring> patterns;
    if (!ReadSettings(path, error, keys, patterns, m_aExtRules)) {
        m_dwLastError = error.code;
        m_strError = error.message;
        return false;
    }
    return ResolveInstallDirs(keys) && CompileIgnorePatterns(patterns);
}

bool CVersionInventory::ResolveInstallDirs(const std::vector<std::wstring>& keys) {
    m_aInstallDirs.clear();
    for (const std::wstring& key : keys) {
        const std::wstring directory = ReadInstallDir(key);
        if (directory.empty()) {
            continue;
        }
        if (!::PathIsDirectoryW(directory.c_str())) {
            m_dwLastError = ::GetLastError();
            m_strError = LoadFormatted(msg::kDirectoryNotFound, directory.c_str());
            return false;
        }
        m_aInstallDirs.push_back(directory);
    }
    return true;
}

bool CVersionInventory::CompileIgnorePatterns(const std::vector<std::wstring>& patterns) {
    m_aIgnore.clear();
    for (const std::wstring& pattern : patterns) {
        try {
            m_aIgnore.push_back(InventoryPattern::ForIgnore(pattern));
        } catch (const std::regex_error&) {
            m_strError = LoadFormatted(msg::kRegexInvalid, pattern.c_str());
            return false;
        }
    }
    return true;
}

void CVersionInventory::Scan() {
    m_vecGroups.clear();
    m_mapGroupIndex.clear();
    m_aScanPath.clear();
    m_vecLeftOut.clear();
    m_nListed = 0;
    m_aExtPatterns.assign(m_aExtRules.size(), std::nullopt);
    for (const std::wstring& directory : m_aInstallDirs) {
        m_setFollowedLinks.clear();
        ScanDirectory(directory);
    }
}

// A directory that cannot be listed is left out with what lies below it; the rest of the
// tree and the other install directories are still listed.
// A listing that ends part way (a share that went away) is named like one that cannot start.
void CVersionInventory::ScanDirectory(const std::wstring& directory) {
    const std::optional<std::wstring> pattern = CombinePathAsShell(directory, L"*");
    if (!pattern) {
        RecordSearchFailure(directory, ERROR_FILENAME_EXCED_RANGE);
        return;
    }
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle search(::FindFirstFileW(pattern->c_str(), &entry));
    if (!search) {
        RecordSearchFailure(directory, ::GetLastError());
        return;
    }
    ScanLevelGuard level(m_aScanPath, directory);
    do {
        ScanEntry(directory, entry);
    } while (::FindNextFileW(search.Get(), &entry));
    if (const DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES) {
        RecordSearchFailure(directory, error);
    }
}

void CVersionInventory::ScanEntry(const std::wstring& directory, const WIN32_FIND_DATAW& entry) {
    const std::wstring name = entry.cFileName;
    const bool isDirectory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isDirectory && (name == L"." || name == L"..")) {
        return;
    }
    // The shell's combination, as the report has always shown it: "." and ".." parts
    // resolved, a bare drive given its backslash, nothing of 260 characters or more.
    const std::optional<std::wstring> combined = CombinePathAsShell(directory, name);
    const std::wstring path = combined ? *combined : JoinPath(directory, name);
    if (IsIgnored(path)) {
        return;
    }
    if (!combined || (isDirectory && !CombinePathAsShell(path, L"*"))) {
        RecordSearchFailure(path, ERROR_FILENAME_EXCED_RANGE);
        return;
    }
    if (isDirectory) {
        if (ShouldFollow(path, entry)) {
            ScanDirectory(path);
        }
        return;
    }
    AddMatchingFile(name, path, entry.ftLastWriteTime);
}

void CVersionInventory::AddMatchingFile(const std::wstring& name, const std::wstring& path,
                                        const FILETIME& lastWrite) {
    for (size_t rule = 0; rule < m_aExtRules.size(); ++rule) {
        if (ExtPattern(rule).FoundIn(name)) {
            std::wstring info = GetFileInfo(m_aExtRules[rule].nType, path, lastWrite);
            GroupFor(GroupDirectoryOf(path)).vecFiles.emplace_back(name, std::move(info));
            if (m_fnListed) {
                m_fnListed(++m_nListed);
            }
        }
    }
}

const InventoryPattern& CVersionInventory::ExtPattern(size_t rule) {
    std::optional<InventoryPattern>& pattern = m_aExtPatterns[rule];
    if (!pattern) {
        pattern = InventoryPattern::ForExtension(m_aExtRules[rule].szExt);
    }
    return *pattern;
}

VersionGroup& CVersionInventory::GroupFor(const std::wstring& directory) {
    const auto [found, added] = m_mapGroupIndex.try_emplace(directory, m_vecGroups.size());
    if (added) {
        m_vecGroups.push_back(VersionGroup{directory, {}});
    }
    return m_vecGroups[found->second];
}

// Directories are entered as they come; a directory link only when it leads neither back
// into the directories being scanned (that would repeat the tree until the path limit) nor
// to a directory that an earlier link of this install directory led to (links that fan
// out would multiply the tree). A reparse point that is no link (its tag, in dwReserved0, is
// no name surrogate) is an ordinary directory.
bool CVersionInventory::ShouldFollow(const std::wstring& path, const WIN32_FIND_DATAW& entry) {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 ||
        !IsLinkReparseTag(entry.dwReserved0)) {
        return true;
    }
    const auto target = IdentifyFile(path);
    if (!target) {
        return true;
    }
    const bool intoScanPath =
        std::any_of(m_aScanPath.begin(), m_aScanPath.end(), [&target](ScanLevel& level) {
            if (!level.identified) {
                level.identity = IdentifyFile(level.path);
                level.identified = true;
            }
            return level.identity == target;
        });
    return !intoScanPath && m_setFollowedLinks.insert(*target).second;
}

void CVersionInventory::RecordSearchFailure(const std::wstring& path, DWORD error) {
    m_dwLastError = error;
    m_strError = LoadFormatted(msg::kFileSearchFailed, path.c_str(), static_cast<int>(error));
    m_vecLeftOut.push_back(m_strError);
}

bool CVersionInventory::IsIgnored(const std::wstring& path) const {
    return std::any_of(m_aIgnore.begin(), m_aIgnore.end(),
                       [&path](const InventoryPattern& pattern) { return pattern.FoundIn(path); });
}

std::wstring CVersionInventory::GetFileInfo(int type, const std::wstring& path,
                                            const FILETIME& lastWrite) {
    std::wstring info;
    if (type == EXTTYPE_BINARY && ReadFileVersion(path, info)) {
        return info;
    }
    if (type == EXTTYPE_FILE && ReadVersionText(path, info)) {
        return info;
    }
    return ReadLastWriteTime(path, lastWrite);
}

// Each of the system's version calls loads the whole file, which costs more than all the
// rest of a file's inventory: one call with room for any usual resource, and the exact size
// asked for only when the resource turns out to be larger.
bool CVersionInventory::LoadVersionResource(const std::wstring& path, std::vector<BYTE>& resource) {
    resource.assign(kVersionResourceRoom, 0);
    if (::GetFileVersionInfoW(path.c_str(), 0, kVersionResourceRoom, resource.data())) {
        const WORD length = *reinterpret_cast<const WORD*>(resource.data());
        if (length * 2u + 4u <= kVersionResourceRoom) {
            return true;
        }
    }
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        m_dwLastError = ::GetLastError();
        return false;
    }
    resource.assign(size, 0);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, resource.data())) {
        m_dwLastError = ::GetLastError();
        return false;
    }
    return true;
}

bool CVersionInventory::ReadFileVersion(const std::wstring& path, std::wstring& version) {
    std::vector<BYTE> resource;
    if (!LoadVersionResource(path, resource)) {
        return false;
    }
    std::wstring translation;
    void* value = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation", &value, &length) &&
        value != nullptr && length >= 2 * sizeof(WORD)) {
        const WORD* entry = static_cast<const WORD*>(value);
        translation = FormatPrintf(L"%04X%04X", entry[0], entry[1]);
    } else {
        translation = FormatPrintf(L"%04X04B0", ::GetUserDefaultLangID());
    }
    const std::wstring query =
        FormatPrintf(L"%s%s\\FileVersion", L"\\StringFileInfo\\", translation.c_str());
    if (!::VerQueryValueW(resource.data(), query.c_str(), &value, &length) || value == nullptr) {
        m_dwLastError = ::GetLastError();
        return false;
    }
    const wchar_t* text = static_cast<const wchar_t*>(value);
    version.assign(text, wcsnlen(text, length));
    return true;
}

bool CVersionInventory::ReadVersionText(const std::wstring& path, std::wstring& text) {
    std::wstring line;
    const ResultCode result = ReadFirstLine(CompanionPath(path), line);
    if (result != kSuccess) {
        m_dwLastError = result;
        return false;
    }
    text = line;
    return true;
}

// The time stamp comes from the directory listing that found the file: asking the file
// system for the same entry again would tell the same.
std::wstring CVersionInventory::ReadLastWriteTime(const std::wstring& path,
                                                  const FILETIME& lastWrite) {
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!::FileTimeToSystemTime(&lastWrite, &utc) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        RecordSearchFailure(path, ::GetLastError());
        return {};
    }
    return FormatTimeStamp(local);
}

void CVersionInventory::BuildReport(std::wstring& report) {
    std::stable_sort(m_vecGroups.begin(), m_vecGroups.end(),
                     [](const VersionGroup& left, const VersionGroup& right) {
                         return LessIgnoringCase(left.strDir, right.strDir);
                     });
    m_mapGroupIndex.clear();  // positions changed
    report.clear();
    for (const VersionGroup& group : m_vecGroups) {
        report += group.strDir + L"\r\n";
        for (const auto& [name, info] : group.vecFiles) {
            report += FormatPrintf(L"    %s ( %s )", name.c_str(), info.c_str()) + L"\r\n";
        }
    }
}

}  // namespace qeb
