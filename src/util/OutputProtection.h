// What every output of a run is given, so that nobody else can list, read, rename or replace
// anything in it while the run goes on or afterwards: owner the Administrators group, and a
// protected DACL with full control for SYSTEM, the Administrators group and the account that
// runs the program (so that the operator can still open and send the result from a session
// that is not elevated), inherited by everything below.
#pragma once

#include <windows.h>

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

    // Gives an existing object, open with WRITE_DAC and WRITE_OWNER, the same owner and DACL.
    // The Win32 error, 0 on success.
    unsigned long ApplyTo(HANDLE object) const;

    // The descriptor in the system's text form, for the tests.
    static std::wstring DescriptorText(const std::wstring& userSid);

private:
    OutputProtection();

    mutable SECURITY_ATTRIBUTES m_attributes{};
    PSID m_owner = nullptr;
    PACL m_dacl = nullptr;
};

// The SID of the account that runs the program, in text form; empty when it cannot be read.
std::wstring CurrentUserSid();

}  // namespace qeb
