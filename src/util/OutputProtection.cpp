#include "util/OutputProtection.h"

#include <aclapi.h>
#include <sddl.h>

#include <stdexcept>
#include <vector>

#include "util/OutputCalls.h"
#include "util/UniqueOwner.h"

namespace qeb {

std::wstring CurrentUserSid() {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    wchar_t* text = nullptr;
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size) ||
        !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid,
                                  &text)) {
        return {};
    }
    const UniqueLocalMemory owner(text);
    return text;
}

std::wstring OutputProtection::DescriptorText(const std::wstring& userSid) {
    return L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + userSid + L")";
}

OutputProtection::OutputProtection() {
    const std::wstring user = CurrentUserSid();
    if (user.empty() ||
        !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            DescriptorText(user).c_str(), SDDL_REVISION_1, &m_attributes.lpSecurityDescriptor,
            nullptr)) {
        throw std::runtime_error("the protection of the output cannot be made");
    }
    m_attributes.nLength = sizeof m_attributes;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorOwner(m_attributes.lpSecurityDescriptor, &m_owner, &defaulted);
    ::GetSecurityDescriptorDacl(m_attributes.lpSecurityDescriptor, &present, &m_dacl, &defaulted);
}

OutputProtection::~OutputProtection() {
    ::LocalFree(m_attributes.lpSecurityDescriptor);
}

const OutputProtection& OutputProtection::Get() {
    static const OutputProtection protection;
    return protection;
}

unsigned long OutputProtection::ApplyTo(HANDLE object) const {
    return TheOutputCalls().setSecurity(
        object, SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
            PROTECTED_DACL_SECURITY_INFORMATION,
        m_owner, nullptr, m_dacl, nullptr);
}

}  // namespace qeb
