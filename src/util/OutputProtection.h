// What every output of a run is given, so that nobody else can list, read, rename or replace
// anything in it while the run goes on or afterwards: owner the Administrators group, and a
// protected DACL with full control for SYSTEM, the Administrators group and the account that
// runs the program (so that the operator can still open and send the result from a session
// that is not elevated), inherited by everything below.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qeb {

class OutputProtection {
public:
    // Made once per process; throws std::runtime_error when the system cannot make it.
    static const OutputProtection& Get();

    ~OutputProtection();
    OutputProtection(const OutputProtection&) = delete;
    OutputProtection& operator=(const OutputProtection&) = delete;

    // For CreateDirectoryW and CreateFileW: the object is made protected, never given the
    // protection afterwards.
    SECURITY_ATTRIBUTES* Attributes() const { return &m_attributes; }

    // Make an object protected through the output calls; where the file system refuses the
    // owner (ERROR_INVALID_OWNER: an SMB share), again with the DACL alone, which is told.
    // The calls' own results (last error set on failure).
    BOOL CreateDirectory(const std::wstring& path) const;
    HANDLE CreateFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags) const;

    // Gives an existing object, open with READ_CONTROL, WRITE_DAC and WRITE_OWNER, the DACL
    // through its own handle (SetKernelObjectSecurity changes that object only, where
    // SetSecurityInfo would carry the inheritable entries down to everything a directory holds,
    // walking the subtree on every call), and the owner only where it differs. An owner that
    // the file system refuses is told and the DACL kept. The Win32 error of the DACL, 0 when set.
    unsigned long ApplyTo(HANDLE object, const std::wstring& path) const;

    // Told the first time in a command that the file system refused the owner, with the path and
    // the Win32 error; replacing the notice starts a new command.
    static void SetOwnerRefusalNotice(
        std::function<void(const std::wstring& path, unsigned long error)> notice);

    // The descriptor in the system's text form, for the tests.
    static std::wstring DescriptorText(const std::wstring& userSid);

private:
    OutputProtection();
    bool OwnerDiffers(HANDLE object) const;

    mutable SECURITY_ATTRIBUTES m_attributes{};
    mutable SECURITY_ATTRIBUTES m_withoutOwner{};
    mutable SECURITY_DESCRIPTOR m_daclOnly{};
    PSID m_owner = nullptr;
    PACL m_dacl = nullptr;
};

// The SID of the account that runs the program, in text form; empty when it cannot be read.
std::wstring CurrentUserSid();

}  // namespace qeb
