#include "inventory/Settings.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwctype>

#include "inventory/IniFile.h"
#include "util/Messages.h"

namespace qeb {
namespace {

const wchar_t kCommonSection[] = L"COMMON";

class CsvRowSplitter {
public:
    // False when the text ends inside a quote.
    bool Split(const std::wstring& text) {
        for (const wchar_t c : text) {
            if (c == L'"') {
                m_bInQuotes = !m_bInQuotes;
            }
            if (m_bInQuotes) {
                TakeQuoted(c);
            } else {
                TakeUnquoted(c);
            }
        }
        if (m_bInQuotes) {
            return false;
        }
        if (!m_vecRow.empty() || !m_strField.empty()) {
            EndRow();
        }
        return true;
    }

    const std::vector<std::wstring>& FirstRow() const { return m_vecFirstRow; }

private:
    void TakeQuoted(wchar_t c) {
        // The opening quote of a field is no part of it; any later one is, which turns a
        // doubled quote into one.
        if (c != L'"' || !m_bFieldStart) {
            m_strField += c;
        }
        m_bFieldStart = false;
    }

    void TakeUnquoted(wchar_t c) {
        if (c == L',') {
            EndField();
        } else if (c == L'\n') {
            EndRow();
        } else {
            if (c != L'"' && c != L'\r') {
                m_strField += c;
            }
            m_bFieldStart = false;
        }
    }

    void EndField() {
        m_vecRow.push_back(std::move(m_strField));
        m_strField.clear();
        m_bFieldStart = true;
    }

    void EndRow() {
        EndField();
        if (!m_bHaveFirstRow) {
            m_vecFirstRow = std::move(m_vecRow);
            m_bHaveFirstRow = true;
        }
        m_vecRow.clear();
    }

    bool m_bInQuotes = false;
    bool m_bFieldStart = true;
    bool m_bHaveFirstRow = false;
    std::wstring m_strField;
    std::vector<std::wstring> m_vecRow;
    std::vector<std::wstring> m_vecFirstRow;
};

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
        m_error.message = LoadFormatted(IDS_SETTINGS_FILE_MISSING, m_strPath.c_str(),
                                        static_cast<int>(m_error.code));
        return false;
    }

    bool ReadInstallKeys(std::vector<std::wstring>& keys) {
        std::wstring value;
        if (m_ini.GetString(kCommonSection, L"INSTALL_REG", value) == 0) {
            m_error.code = ::GetLastError();
            return Fail(IDS_VALUE_READ_FAILED, kCommonSection, L"INSTALL_REG");
        }
        SplitCsvRow(value, keys);
        return !keys.empty() || Fail(IDS_VALUE_EMPTY, kCommonSection, L"INSTALL_REG");
    }

    void ReadIgnorePatterns(std::vector<std::wstring>& patterns) {
        std::wstring value;
        if (m_ini.GetString(kCommonSection, L"IGNORE", value) > 0) {
            SplitCsvRow(value, patterns);
        }
    }

    bool ReadExtensionCount(int& count) {
        count = m_ini.GetInt(kCommonSection, L"EXT_NUM", 0);
        return count > 0 ||
               Fail(IDS_VALUE_INVALID, kCommonSection, L"EXT_NUM", FormatPrintf(L"%d", count));
    }

    bool ReadExtensionSection(int index, std::vector<ExtRule>& rules) {
        const std::wstring section = FormatPrintf(L"%s%02d", L"EXT_", index);
        std::wstring ext;
        if (m_ini.GetString(section, L"EXT", ext) == 0) {
            return Fail(IDS_VALUE_READ_FAILED, section, L"EXT");
        }
        std::wstring type;
        if (m_ini.GetString(section, L"TYPE", type) == 0) {
            return Fail(IDS_VALUE_READ_FAILED, section, L"TYPE");
        }
        if (const int code = ExtTypeFromKeyword(type); code != 0) {
            rules.push_back(ExtRule{ext, code});
        }
        return true;
    }

private:
    bool Fail(unsigned id, const std::wstring& section, const std::wstring& key,
              const std::wstring& value = {}) {
        m_error.message = FormatSettingsError(id, m_strPath, section, key, value);
        return false;
    }

    const std::wstring& m_strPath;
    CIniFile m_ini;
    SettingsError& m_error;
};

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
    reader.ReadIgnorePatterns(ignorePatterns);
    int count = 0;
    if (!reader.ReadExtensionCount(count)) {
        return false;
    }
    for (int index = 0; index < count; ++index) {
        if (!reader.ReadExtensionSection(index, rules)) {
            return false;
        }
    }
    return true;
}

void SplitCsvRow(const std::wstring& text, std::vector<std::wstring>& fields) {
    fields.clear();
    CsvRowSplitter splitter;
    if (splitter.Split(text)) {
        fields = splitter.FirstRow();
    }
}

std::wstring FormatSettingsError(unsigned id, const std::wstring& path, const std::wstring& section,
                                 const std::wstring& key, const std::wstring& value) {
    const std::wstring format = LoadText(IDS_SETTINGS_FILE) + L"\r\n" + LoadText(IDS_SECTION_NAME) +
                                L"\r\n" + LoadText(IDS_KEY_NAME) + L"\r\n" + LoadText(id);
    // The value goes in even when empty: a detail text with an insert then reads an empty
    // string instead of whatever lies on the stack.
    return FormatPrintf(format.c_str(), path.c_str(), section.c_str(), key.c_str(), value.c_str());
}

}  // namespace qeb
