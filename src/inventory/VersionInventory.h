// The inventory of the product's installed files: finds the install directories through the
// registry keys of the settings file, walks them, and reports each matching file with its
// version text, the first line of its companion text file, or its last-write time.
#pragma once

#include <windows.h>

#include <optional>
#include <regex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "inventory/Settings.h"

namespace qeb {

struct VersionGroup {
    std::wstring strDir;                                          // never ends in a backslash
    std::vector<std::pair<std::wstring, std::wstring>> vecFiles;  // name, information
};

class CVersionInventory {
public:
    CVersionInventory() = default;
    CVersionInventory(const CVersionInventory&) = delete;
    CVersionInventory& operator=(const CVersionInventory&) = delete;

    // True when the settings were read, the install directories resolved and the ignore
    // patterns compiled; otherwise GetErrorMessage tells why.
    bool LoadSettings(const std::wstring& path);

    // A directory that cannot be listed ends the scan and leaves its message; what was found
    // before stays. An EXT that is no valid expression raises std::regex_error.
    void Scan();

    // Groups sorted by directory without regard to case, every line ended by CR LF.
    void BuildReport(std::wstring& report);

    std::wstring GetErrorMessage() const { return m_strError; }
    DWORD GetLastErrorCode() const { return m_dwLastError; }

private:
    struct FileIdentity {
        DWORD volume = 0;
        ULONGLONG index = 0;
        bool operator==(const FileIdentity& other) const {
            return volume == other.volume && index == other.index;
        }
    };

    struct ScanLevel {
        std::wstring path;
        bool identified = false;
        std::optional<FileIdentity> identity;
    };

    class ScanLevelGuard;

    static std::optional<FileIdentity> IdentifyDirectory(const std::wstring& path);

    bool ResolveInstallDirs(const std::vector<std::wstring>& keys);
    bool CompileIgnorePatterns(const std::vector<std::wstring>& patterns);

    bool ScanDirectory(const std::wstring& directory);
    bool ScanEntry(const std::wstring& directory, const WIN32_FIND_DATAW& entry);
    void AddMatchingFile(const std::wstring& name, const std::wstring& path,
                         const FILETIME& lastWrite);
    const std::wregex& ExtPattern(size_t rule);
    VersionGroup& GroupFor(const std::wstring& directory);
    bool IsLinkIntoScanPath(const std::wstring& path, DWORD attributes);
    void RecordSearchFailure(const std::wstring& path, DWORD error);

    bool IsIgnored(const std::wstring& path) const;
    std::wstring GetFileInfo(int type, const std::wstring& path, const FILETIME& lastWrite);
    bool LoadVersionResource(const std::wstring& path, std::vector<BYTE>& resource);
    bool ReadFileVersion(const std::wstring& path, std::wstring& version);
    bool ReadVersionText(const std::wstring& path, std::wstring& text);
    std::wstring ReadLastWriteTime(const std::wstring& path, const FILETIME& lastWrite);

    std::wstring m_strError;
    DWORD m_dwLastError = 0;
    std::vector<VersionGroup> m_vecGroups;
    std::vector<std::wstring> m_aInstallDirs;
    std::vector<std::wregex> m_aIgnore;
    std::vector<ExtRule> m_aExtRules;
    std::vector<std::optional<std::wregex>> m_aExtPatterns;  // compiled on first use
    std::unordered_map<std::wstring, size_t> m_mapGroupIndex;
    std::vector<ScanLevel> m_aScanPath;  // the directories from the install directory down
};

}  // namespace qeb
