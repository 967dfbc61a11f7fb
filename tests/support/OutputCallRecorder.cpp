#include "support/OutputCallRecorder.h"

#include <sddl.h>

#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

std::vector<RecordedCall>& Recorded() {
    static std::vector<RecordedCall> calls;
    return calls;
}

std::wstring DescriptorText(PSECURITY_DESCRIPTOR descriptor, SECURITY_INFORMATION what) {
    wchar_t* text = nullptr;
    if (descriptor == nullptr || !::ConvertSecurityDescriptorToStringSecurityDescriptorW(
                                     descriptor, SDDL_REVISION_1, what, &text, nullptr)) {
        return {};
    }
    const UniqueLocalMemory owner(text);
    return text;
}

constexpr SECURITY_INFORMATION kOwnerAndDacl =
    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

std::wstring AttributesText(LPSECURITY_ATTRIBUTES attributes) {
    return attributes != nullptr ? DescriptorText(attributes->lpSecurityDescriptor, kOwnerAndDacl)
                                 : std::wstring();
}

BOOL WINAPI RecordCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes) {
    Recorded().push_back(RecordedCall{RecordedCall::Kind::CreateDirectory, path, 0, 0, 0,
                                      AttributesText(attributes)});
    return ::CreateDirectoryW(path, attributes);
}

HANDLE WINAPI RecordCreateFile(LPCWSTR path, DWORD access, DWORD share,
                               LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                               HANDLE model) {
    Recorded().push_back(RecordedCall{RecordedCall::Kind::CreateFile, path, access, share, flags,
                                      AttributesText(attributes)});
    return ::CreateFileW(path, access, share, attributes, disposition, flags, model);
}

// The descriptor that the call would give, built in the form the system's text reads.
DWORD WINAPI RecordSetSecurity(HANDLE object, SE_OBJECT_TYPE type, SECURITY_INFORMATION what,
                               PSID owner, PSID group, PACL dacl, PACL sacl) {
    SECURITY_DESCRIPTOR descriptor{};
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorOwner(&descriptor, owner, FALSE);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    if ((what & PROTECTED_DACL_SECURITY_INFORMATION) != 0) {
        ::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }
    Recorded().push_back(RecordedCall{RecordedCall::Kind::SetSecurity, L"", 0, 0, 0,
                                      DescriptorText(&descriptor, kOwnerAndDacl)});
    return ::SetSecurityInfo(object, type, what, owner, group, dacl, sacl);
}

}  // namespace

OutputCallRecorder::OutputCallRecorder() : m_saved(TheOutputCalls()) {
    Recorded().clear();
    TheOutputCalls() = OutputCalls{&RecordCreateDirectory, &RecordCreateFile, &RecordSetSecurity};
}

OutputCallRecorder::~OutputCallRecorder() {
    TheOutputCalls() = m_saved;
}

const std::vector<RecordedCall>& OutputCallRecorder::Calls() const {
    return Recorded();
}

std::vector<RecordedCall> OutputCallRecorder::CallsOf(RecordedCall::Kind kind) const {
    std::vector<RecordedCall> found;
    for (const RecordedCall& call : Recorded()) {
        if (call.kind == kind) {
            found.push_back(call);
        }
    }
    return found;
}

}  // namespace qeb::test
