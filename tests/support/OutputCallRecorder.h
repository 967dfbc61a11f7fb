// Puts recording stand-ins into the calls through which outputs are made, held, protected,
// written and moved (util/OutputCalls.h) while the object lives. Each stand-in records what it
// was given and then makes the system's own call, so that the command under test runs as it
// would, unless a fault was asked for: what Windows would answer and Wine does not.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "util/OutputCalls.h"

namespace qeb::test {

struct RecordedCall {
    enum class Kind { CreateDirectory, CreateFile, SetSecurity, Rename, Dispose } kind;
    // For a rename the new name, for Dispose the file's own; empty for SetSecurity
    std::wstring path;
    DWORD access = 0;   // for SetSecurity: what it sets (SECURITY_INFORMATION)
    DWORD share = 0;
    DWORD flags = 0;  // for Dispose: 1 when the file is to go, 0 when it is kept
    std::wstring descriptor;  // the security descriptor given, in its text form
};

struct OutputFaults {
    int failingRenames = 0;  // the next renames fail with renameError
    DWORD renameError = ERROR_SHARING_VIOLATION;
    std::uint64_t writableBytes = UINT64_MAX;  // then writes fail with ERROR_DISK_FULL
    DWORD ownerError = 0;                      // a refused owner: every owner change fails with it
    bool ownersAreRight = false;  // every object reports the Administrators group as owner
};

class OutputCallRecorder {
public:
    explicit OutputCallRecorder(const OutputFaults& faults = {});
    ~OutputCallRecorder();
    OutputCallRecorder(const OutputCallRecorder&) = delete;
    OutputCallRecorder& operator=(const OutputCallRecorder&) = delete;

    const std::vector<RecordedCall>& Calls() const;
    std::vector<RecordedCall> CallsOf(RecordedCall::Kind kind) const;

private:
    OutputCalls m_saved;
};

}  // namespace qeb::test
