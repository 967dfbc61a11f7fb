// Values of a Windows initialisation file, read through the private-profile functions:
// names match without regard to case, and an absent key reads as an empty value.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qeb {

template <unsigned Capacity>
class CIniFileT {
public:
    explicit CIniFileT(std::wstring path) : m_strPath(std::move(path)) {}
    virtual ~CIniFileT() = default;

    // The character count, 0 for an absent or empty value; a longer value is cut to
    // Capacity - 1 characters. GetLastError tells why a count of 0 came back.
    DWORD GetString(const std::wstring& section, const std::wstring& key,
                    std::wstring& value) const {
        std::vector<wchar_t> buffer(Capacity, L'\0');
        const DWORD count = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"",
                                                       buffer.data(), Capacity, m_strPath.c_str());
        value.assign(buffer.data(), count);
        return count;
    }

    // Whether a value read with `count` characters was cut: only a count of Capacity - 1 can
    // be, and a read with more room then tells a value of exactly that length from a longer one.
    bool IsLongerThanRead(const std::wstring& section, const std::wstring& key, DWORD count) const {
        if (count < Capacity - 1) {
            return false;
        }
        std::vector<wchar_t> buffer(2 * Capacity, L'\0');
        return ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                          2 * Capacity, m_strPath.c_str()) > count;
    }

    int GetInt(const std::wstring& section, const std::wstring& key, int defaultValue) const {
        return static_cast<int>(
            ::GetPrivateProfileIntW(section.c_str(), key.c_str(), defaultValue, m_strPath.c_str()));
    }

private:
    std::wstring m_strPath;
};

using CIniFile = CIniFileT<1024>;

}  // namespace qeb
