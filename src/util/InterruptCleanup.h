// Files that must not outlive a run that the console interrupts. When Ctrl+C, Ctrl+Break, a
// closed console window or the end of the session ends the program, every file registered
// at that moment is removed before the process goes.
#pragma once

#include <string>

namespace qeb {

class InterruptCleanup {
public:
    explicit InterruptCleanup(std::wstring path);
    ~InterruptCleanup();

    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    // What the console's handler does with every registered file, for the tests.
    static void RemoveRegisteredFiles() noexcept;

private:
    std::wstring m_path;
};

}  // namespace qeb
