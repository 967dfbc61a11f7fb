// The inventory of the product's installed files: finds the install directories through the
// registry keys of the settings file, walks them, and reports each matching file with its
// version text, the first line of its companion text file, or its last-write time.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "inventory/InventoryPattern.h"
#include "inventory/Settings.h"
#include "util/FileIdentity.h"

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

    // Entries that cannot be read (a directory that cannot be listed, a path past the length
    // limit, a file whose time stamp cannot be read) are left out, each with a message of
    // its own; the scan goes on. An EXT that is no valid expression raises
    // std::regex_error, a search that passes the complexity limit std::runtime_error.
    void Scan();

    // Told the number of file lines so far each time the scan adds one.
    void SetListingNotice(std::function<void(std::size_t listed)> notice) {
        m_fnListed = std::move(notice);
    }

    // Groups sorted by directory without regard to case, every line ended by CR LF.
    void BuildReport(std::wstring& report);

    std::wstring GetErrorMessage() const { return m_strError; }
    // One line per entry that the last scan left out, in the order met.
    const std::vector<std::wstring>& GetLeftOutMessages() const { return m_vecLeftOut; }
    DWORD GetLastErrorCode() const { return m_dwLastError; }

private:
    struct ScanLevel {
        std::wstring path;
        bool identified = false;
        std::optional<FileIdentity> identity;
    };

    class ScanLevelGuard;

    bool ResolveInstallDirs(const std::vector<std::wstring>& keys);
    bool CompileIgnorePatterns(const std::vector<std::wstring>& patterns);

    void ScanDirectory(const std::wstring& directory);
    void ScanEntry(const std::wstring& directory, const WIN32_FIND_DATAW& entry);
    void AddMatchingFile(const std::wstring& name, const std::wstring& path,
                         const FILETIME& lastWrite);
    const InventoryPattern& ExtPattern(size_t rule);
    VersionGroup& GroupFor(const std::wstring& directory);
    bool ShouldFollow(const std::wstring& path, const WIN32_FIND_DATAW& entry);
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
    std::vector<InventoryPattern> m_aIgnore;
    std::vector<ExtRule> m_aExtRules;
    std::vector<std::optional<InventoryPattern>> m_aExtPatterns;  // compiled on first use
    std::unordered_map<std::wstring, size_t> m_mapGroupIndex;
    std::vector<ScanLevel> m_aScanPath;         // the directories from the install directory down
    std::set<FileIdentity> m_setFollowedLinks;  // targets of this install directory's links
    std::vector<std::wstring> m_vecLeftOut;
    std::function<void(std::size_t)> m_fnListed;
    std::size_t m_nListed = 0;
};

}  // namespace qeb
