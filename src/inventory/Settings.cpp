#include "inventory/Settings.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwctype>

#include "MessageCatalog.h"
#include "inventory/CsvRow.h"
#include "inventory/IniFile.h"
#include "util/Messages.h"

namespace qeb {
namespace {

const wchar_t kCommonSection[] = L"COMMON";

// EXTTYPE_* for a TYPE keyword in any letter case, 0 for no keyword.
int ExtTypeFromKeyword(const std::wstring& keyword) {
    std::wstring lower = keyword;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    if (lower == L"binary") {
        return EXTTYPE_BINARY;
    }
    if (lower == L"date") {
        return EXTTYPE_DATE;
    }
    return lower == L"file" ? EXTTYPE_FILE : 0;
}

// The private-profile functions look for a bare file name in the Windows directory, not
// where the existence test looked, so they get the full path.
std::wstring FullPath(const std::wstring& path) {
    const DWORD required = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (required == 0) {
        return path;
    }
    std::wstring full(required, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), required, full.data(), nullptr);
    full.resize(length < required ? length : 0);
    return full.empty() ? path : full;
}

class SettingsReader {
public:
    SettingsReader(const std::wstring& path, SettingsError& error)
        : m_strPath(path), m_ini(FullPath(path)), m_error(error) {}

    bool CheckExists() {
        if (::PathFileExistsW(m_strPath.c_str())) {
            return true;
        }
        m_error.code = ::GetLastError();
        m_error.message = LoadFormatted(msg::kSettingsFileMissing, m_strPath.c_str(),
                                        static_cast<int>(m_error.code));
        return false;
    }

    bool ReadInstallKeys(std::vector<std::wstring>& keys) {
        std::wstring value;
        const DWORD count = m_ini.GetString(kCommonSection, L"INSTALL_REG", value);
        if (count == 0) {
            m_error.code = ::GetLastError();
            return Fail(msg::kValueReadFailed, kCommonSection, L"INSTALL_REG");
        }
        if (!IsWhole(kCommonSection, L"INSTALL_REG", count)) {
            return false;
        }
        SplitCsvRow(value, keys);
        return !keys.empty() || Fail(msg::kValueEmpty, kCommonSection, L"INSTALL_REG");
    }

    bool ReadIgnorePatterns(std::vector<std::wstring>& patterns) {
        std::wstring value;
        const DWORD count = m_ini.GetString(kCommonSection, L"IGNORE", value);
        if (count > 0) {
            if (!IsWhole(kCommonSection, L"IGNORE", count)) {
                return false;
            }
            SplitCsvRow(value, patterns);
        }
        return true;
    }

    bool ReadExtensionCount(int& count) {
        count = m_ini.GetInt(kCommonSection, L"EXT_NUM", 0);
        if (count > 0) {
            return true;
        }
        m_error.message = FormatSettingsError(msg::kValueInvalid, m_strPath, kCommonSection,
                                              L"EXT_NUM", FormatPrintf(L"%d", count));
        return false;
    }

    bool ReadExtensionSection(int index, std::vector<ExtRule>& rules) {
        const std::wstring section = FormatPrintf(L"%s%02d", L"EXT_", index);
        std::wstring ext;
        std::wstring type;
        if (!ReadRequired(section, L"EXT", ext) || !ReadRequired(section, L"TYPE", type)) {
            return false;
        }
        if (const int code = ExtTypeFromKeyword(type); code != 0) {
            rules.push_back(ExtRule{ext, code});
        }
        return true;
    }

private:
    bool ReadRequired(const std::wstring& section, const std::wstring& key, std::wstring& value) {
        const DWORD count = m_ini.GetString(section, key, value);
        if (count == 0) {
            return Fail(msg::kValueReadFailed, section, key);
        }
        return IsWhole(section, key, count);
    }

    // A value cut at the buffer would be used as if whole (a cut inside a quote even drops
    // every field): it is refused like one that cannot be read.
    bool IsWhole(const std::wstring& section, const std::wstring& key, DWORD count) {
        if (!m_ini.IsLongerThanRead(section, key, count)) {
            return true;
        }
        m_error.code = ERROR_MORE_DATA;
        return Fail(msg::kValueReadFailed, section, key);
    }

    bool Fail(PrintfMessage<> detail, const std::wstring& section, const std::wstring& key) {
        m_error.message = FormatSettingsError(detail, m_strPath, section, key);
        return false;
    }

    const std::wstring& m_strPath;
    CIniFile m_ini;
    SettingsError& m_error;
};

std::wstring ComposeSettingsError(unsigned detailId, const std::wstring& path,
                                  const std::wstring& section, const std::wstring& key,
                                  const wchar_t* value) {
    const std::wstring format = LoadText(IDS_SETTINGS_FILE) + L"\r\n" + LoadText(IDS_SECTION_NAME) +
                                L"\r\n" + LoadText(IDS_KEY_NAME) + L"\r\n" + LoadText(detailId);
    // The value goes in even for a detail without an insert: it is simply not used then.
    return FormatPrintf(format.c_str(), path.c_str(), section.c_str(), key.c_str(), value);
}

}  // namespace

bool ReadSettings(const std::wstring& path, SettingsError& error,
                  std::vector<std::wstring>& installKeys, std::vector<std::wstring>& ignorePatterns,
                  std::vector<ExtRule>& rules) {
    error = SettingsError{};
    installKeys.clear();
    ignorePatterns.clear();
    SettingsReader reader(path, error);
    if (!reader.CheckExists() || !reader.ReadInstallKeys(installKeys)) {
        return false;
    }
    int count = 0;
    if (!reader.ReadIgnorePatterns(ignorePatterns) || !reader.ReadExtensionCount(count)) {
        return false;
    }
    for (int index = 0; index < count; ++index) {
        if (!reader.ReadExtensionSection(index, rules)) {
            return false;
        }
    }
    return true;
}

std::wstring FormatSettingsError(PrintfMessage<> detail, const std::wstring& path,
                                 const std::wstring& section, const std::wstring& key) {
    return ComposeSettingsError(detail.id, path, section, key, L"");
}

std::wstring FormatSettingsError(PrintfMessage<TextInsert> detail, const std::wstring& path,
                                 const std::wstring& section, const std::wstring& key,
                                 const std::wstring& value) {
    return ComposeSettingsError(detail.id, path, section, key, value.c_str());
}

}  // namespace qeb
