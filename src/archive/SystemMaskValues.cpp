#include "archive/SystemMaskValues.h"

#include <windows.h>

#include <dsrole.h>
#include <lm.h>

#include <memory>
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

struct RoleInfoFree {
    void operator()(DSROLE_PRIMARY_DOMAIN_INFO_BASIC* info) const { ::DsRoleFreeMemory(info); }
};

// Only a member or a controller of a domain has a domain's flat name: a standalone machine
// reports its workgroup there, which names nobody.
// https://learn.microsoft.com/windows/win32/api/dsrole/nf-dsrole-dsrolegetprimarydomaininformation
std::wstring NetBiosDomain() {
    DSROLE_PRIMARY_DOMAIN_INFO_BASIC* raw = nullptr;
    if (::DsRoleGetPrimaryDomainInformation(nullptr, DsRolePrimaryDomainInfoBasic,
                                            reinterpret_cast<PBYTE*>(&raw)) != ERROR_SUCCESS) {
        return {};
    }
    const std::unique_ptr<DSROLE_PRIMARY_DOMAIN_INFO_BASIC, RoleInfoFree> info(raw);
    const bool member = info->MachineRole != DsRole_RoleStandaloneWorkstation &&
                        info->MachineRole != DsRole_RoleStandaloneServer;
    return member && info->DomainNameFlat != nullptr ? info->DomainNameFlat : L"";
}

}  // namespace

MaskValue MaskValueOf(const std::wstring& text) {
    return MaskValue{std::u16string(text.begin(), text.end()), InCodePage932(text)};
}

SystemDomains AddSystemMaskValues(MaskMap& map) {
    map.AddHost(MaskValueOf(ComputerName(ComputerNameNetBIOS)));
    map.AddHost(MaskValueOf(ComputerName(ComputerNameDnsHostname)));
    const std::wstring dns = ComputerName(ComputerNameDnsDomain);
    map.AddDomain(MaskValueOf(dns));
    const std::wstring flat = NetBiosDomain();
    map.AddWord(MaskValueOf(flat));
    for (const std::wstring& name : LocalAccounts()) {
        map.AddUser(MaskValueOf(name));
    }
    return SystemDomains{std::u16string(dns.begin(), dns.end()),
                         std::u16string(flat.begin(), flat.end())};
}

}  // namespace qeb
