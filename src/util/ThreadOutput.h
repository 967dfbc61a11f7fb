// Output of one thread into a log of its own. While a ThreadOutput lives, every line that
// its thread prints goes to that log only: not to the console, not to the run's -log: file,
// and that thread draws no status line. Worker threads use it so that their lines do not
// interleave on the console.
#pragma once

#include <string>

#include "util/LineLog.h"

struct _SECURITY_ATTRIBUTES;

namespace qeb {

class ThreadOutput {
public:
    // When the log cannot be opened (Error() tells why), the thread prints as before.
    ThreadOutput(const std::wstring& logPath, _SECURITY_ATTRIBUTES* attributes);
    ~ThreadOutput();
    ThreadOutput(const ThreadOutput&) = delete;
    ThreadOutput& operator=(const ThreadOutput&) = delete;

    unsigned long Error() const { return m_error; }
    // False once a write has failed; the lines after it are lost.
    bool Intact() const { return m_intact; }

    // The current thread's own log, or null when it prints to the console.
    static LineLog* OfThisThread();

private:
    LineLog m_log;
    LineLog* m_previous;
    unsigned long m_error;
    bool m_intact = true;
};

}  // namespace qeb
