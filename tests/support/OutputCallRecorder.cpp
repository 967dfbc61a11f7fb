#include "support/OutputCallRecorder.h"

#include <sddl.h>

#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

std::vector<RecordedCall>& Recorded() {
    static std::vector<RecordedCall> calls;
    return calls;
}

OutputFaults& Faults() {
    static OutputFaults faults;
    return faults;
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

BOOL WINAPI RecordGetSecurity(HANDLE object, SECURITY_INFORMATION what,
                              PSECURITY_DESCRIPTOR descriptor, DWORD size, LPDWORD needed) {
    if (!Faults().ownersAreRight) {
        return ::GetKernelObjectSecurity(object, what, descriptor, size, needed);
    }
    PSECURITY_DESCRIPTOR administrators = nullptr;
    ULONG length = 0;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BA", SDDL_REVISION_1,
                                                           &administrators, &length);
    const UniqueLocalMemory owner(administrators);
    *needed = length;
    if (size < length) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(descriptor, administrators, length);
    return TRUE;
}

BOOL WINAPI RecordSetSecurity(HANDLE object, SECURITY_INFORMATION what,
                              PSECURITY_DESCRIPTOR descriptor) {
    Recorded().push_back(RecordedCall{RecordedCall::Kind::SetSecurity, L"", what, 0, 0,
                                      DescriptorText(descriptor, what)});
    if ((what & OWNER_SECURITY_INFORMATION) != 0 && Faults().ownerError != 0) {
        ::SetLastError(Faults().ownerError);
        return FALSE;
    }
    return ::SetKernelObjectSecurity(object, what, descriptor);
}

BOOL WINAPI RecordWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                        LPOVERLAPPED overlapped) {
    std::uint64_t& room = Faults().writableBytes;
    if (room < size) {
        ::WriteFile(file, data, static_cast<DWORD>(room), written, overlapped);
        room = 0;
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    room -= room != UINT64_MAX ? size : 0;
    return ::WriteFile(file, data, size, written, overlapped);
}

BOOL WINAPI RecordSetInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                                 DWORD size) {
    if (kind == FileDispositionInfo) {
        wchar_t path[4096] = {};
        ::GetFinalPathNameByHandleW(file, path, 4096, 0);
        Recorded().push_back(RecordedCall{RecordedCall::Kind::Dispose, path, 0, 0,
                                          static_cast<const FILE_DISPOSITION_INFO*>(info)->DeleteFile
                                              ? 1u
                                              : 0u,
                                          L""});
    }
    if (kind == FileRenameInfo) {
        const auto* rename = static_cast<const FILE_RENAME_INFO*>(info);
        Recorded().push_back(
            RecordedCall{RecordedCall::Kind::Rename,
                         std::wstring(rename->FileName, rename->FileNameLength / sizeof(wchar_t)),
                         0, 0, 0, L""});
        if (Faults().failingRenames > 0) {
            --Faults().failingRenames;
            ::SetLastError(Faults().renameError);
            return FALSE;
        }
    }
    return ::SetFileInformationByHandle(file, kind, info, size);
}

}  // namespace

OutputCallRecorder::OutputCallRecorder(const OutputFaults& faults) : m_saved(TheOutputCalls()) {
    Recorded().clear();
    Faults() = faults;
    TheOutputCalls() =
        OutputCalls{&RecordCreateDirectory, &RecordCreateFile, &RecordGetSecurity,
                    &RecordSetSecurity,     &RecordWrite,      &RecordSetInformation};
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
