#include "util/OutputProtection.h"

#include <sddl.h>

#include <mutex>
#include <stdexcept>
#include <vector>

#include "util/OutputCalls.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

struct OwnerRefusal {
    std::mutex guard;
    std::function<void(const std::wstring&, unsigned long)> notice;
    bool told = false;
};

OwnerRefusal& TheOwnerRefusal() {
    static OwnerRefusal refusal;
    return refusal;
}

void TellOwnerRefused(const std::wstring& path, unsigned long error) {
    OwnerRefusal& refusal = TheOwnerRefusal();
    std::function<void(const std::wstring&, unsigned long)> notice;
    {
        const std::lock_guard<std::mutex> lock(refusal.guard);
        if (refusal.told) {
            return;
        }
        refusal.told = true;
        notice = refusal.notice;
    }
    if (notice) {
        notice(path, error);
    }
}

}  // namespace

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
    ::InitializeSecurityDescriptor(&m_daclOnly, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&m_daclOnly, TRUE, m_dacl, FALSE);
    ::SetSecurityDescriptorControl(&m_daclOnly, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    m_withoutOwner.nLength = sizeof m_withoutOwner;
    m_withoutOwner.lpSecurityDescriptor = &m_daclOnly;
}

OutputProtection::~OutputProtection() {
    ::LocalFree(m_attributes.lpSecurityDescriptor);
}

const OutputProtection& OutputProtection::Get() {
    static const OutputProtection protection;
    return protection;
}

void OutputProtection::SetOwnerRefusalNotice(
    std::function<void(const std::wstring& path, unsigned long error)> notice) {
    OwnerRefusal& refusal = TheOwnerRefusal();
    const std::lock_guard<std::mutex> lock(refusal.guard);
    refusal.notice = std::move(notice);
    refusal.told = false;
}

BOOL OutputProtection::CreateDirectory(const std::wstring& path) const {
    if (TheOutputCalls().createDirectory(path.c_str(), &m_attributes)) {
        return TRUE;
    }
    if (::GetLastError() != ERROR_INVALID_OWNER ||
        !TheOutputCalls().createDirectory(path.c_str(), &m_withoutOwner)) {
        return FALSE;
    }
    TellOwnerRefused(path, ERROR_INVALID_OWNER);
    return TRUE;
}

HANDLE OutputProtection::CreateFile(const std::wstring& path, DWORD access, DWORD share,
                                    DWORD disposition, DWORD flags) const {
    HANDLE file = TheOutputCalls().createFile(path.c_str(), access, share, &m_attributes,
                                              disposition, flags, nullptr);
    if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_INVALID_OWNER) {
        return file;
    }
    file = TheOutputCalls().createFile(path.c_str(), access, share, &m_withoutOwner, disposition,
                                       flags, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        TellOwnerRefused(path, ERROR_INVALID_OWNER);
    }
    return file;
}

bool OutputProtection::OwnerDiffers(HANDLE object) const {
    DWORD needed = 0;
    TheOutputCalls().getObjectSecurity(object, OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return needed == 0 ||
           !TheOutputCalls().getObjectSecurity(object, OWNER_SECURITY_INFORMATION, buffer.data(),
                                               needed, &needed) ||
           !::GetSecurityDescriptorOwner(buffer.data(), &owner, &defaulted) || owner == nullptr ||
           !::EqualSid(owner, m_owner);
}

unsigned long OutputProtection::ApplyTo(HANDLE object, const std::wstring& path) const {
    if (!TheOutputCalls().setObjectSecurity(object, DACL_SECURITY_INFORMATION, &m_daclOnly)) {
        return ::GetLastError();
    }
    if (OwnerDiffers(object) &&
        !TheOutputCalls().setObjectSecurity(object, OWNER_SECURITY_INFORMATION,
                                            m_attributes.lpSecurityDescriptor)) {
        TellOwnerRefused(path, ::GetLastError());
    }
    return ERROR_SUCCESS;
}

}  // namespace qeb
