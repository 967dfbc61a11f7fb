#include "archive/SystemMaskValues.h"

#include <windows.h>

#include <lm.h>

#include <string>
#include <vector>

namespace qeb {
namespace {

// The code page 932 form, when that code page can show every character of the value.
std::string InCodePage932(const std::wstring& text) {
    BOOL lossy = FALSE;
    const int size =
        ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                              nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) {
        return {};
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                          bytes.data(), size, nullptr, &lossy);
    return bytes;
}

MaskValue ValueOf(const std::wstring& text) {
    return MaskValue{std::u16string(text.begin(), text.end()), InCodePage932(text)};
}

std::wstring ComputerName(COMPUTER_NAME_FORMAT format) {
    DWORD size = 0;
    ::GetComputerNameExW(format, nullptr, &size);
    std::vector<wchar_t> buffer(size + 1, L'\0');
    if (size == 0 || !::GetComputerNameExW(format, buffer.data(), &size)) {
        return {};
    }
    return std::wstring(buffer.data(), size);
}

std::vector<std::wstring> LocalAccounts() {
    std::vector<std::wstring> names;
    USER_INFO_0* users = nullptr;
    DWORD read = 0;
    DWORD total = 0;
    DWORD resume = 0;
    NET_API_STATUS status = 0;
    do {
        status = ::NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, reinterpret_cast<LPBYTE*>(&users),
                               MAX_PREFERRED_LENGTH, &read, &total, &resume);
        if ((status == NERR_Success || status == ERROR_MORE_DATA) && users != nullptr) {
            for (DWORD i = 0; i < read; ++i) {
                names.emplace_back(users[i].usri0_name);
            }
        }
        if (users != nullptr) {
            ::NetApiBufferFree(users);
            users = nullptr;
        }
    } while (status == ERROR_MORE_DATA);
    wchar_t own[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    if (::GetUserNameW(own, &size)) {
        names.emplace_back(own);
    }
    return names;
}

}  // namespace

void AddSystemMaskValues(MaskMap& map) {
    map.AddHost(ValueOf(ComputerName(ComputerNameNetBIOS)));
    map.AddHost(ValueOf(ComputerName(ComputerNameDnsHostname)));
    map.AddDomain(ValueOf(ComputerName(ComputerNameDnsDomain)));
    for (const std::wstring& name : LocalAccounts()) {
        map.AddUser(ValueOf(name));
    }
}

}  // namespace qeb
