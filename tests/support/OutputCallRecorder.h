// Puts recording stand-ins into the calls through which outputs are made, held and protected
// (util/OutputCalls.h) while the object lives. Each stand-in records what it was given and
// then makes the system's own call, so that the command under test runs as it would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "util/OutputCalls.h"

namespace qeb::test {

struct RecordedCall {
    enum class Kind { CreateDirectory, CreateFile, SetSecurity } kind;
    std::wstring path;  // empty for SetSecurity, which gets a handle
    DWORD access = 0;
    DWORD share = 0;
    DWORD flags = 0;
    std::wstring descriptor;  // the security descriptor given, in its text form
};

class OutputCallRecorder {
public:
    OutputCallRecorder();
    ~OutputCallRecorder();
    OutputCallRecorder(const OutputCallRecorder&) = delete;
    OutputCallRecorder& operator=(const OutputCallRecorder&) = delete;

    const std::vector<RecordedCall>& Calls() const;
    std::vector<RecordedCall> CallsOf(RecordedCall::Kind kind) const;

private:
    OutputCalls m_saved;
};

}  // namespace qeb::test
