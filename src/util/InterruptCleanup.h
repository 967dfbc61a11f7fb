// Files that must not outlive a run that the console interrupts. When Ctrl+C, Ctrl+Break, a
// closed console window or the end of the session ends the program, every file registered
// at that moment is removed before the process goes. A file that its writer still holds
// without delete sharing goes once the writer, which sees Requested(), has given it up.
#pragma once

#include <string>

namespace qeb {

class InterruptCleanup {
public:
    explicit InterruptCleanup(std::wstring path);
    ~InterruptCleanup();

    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    // True once the console asked the program to end: long work stops at the next chance.
    static bool Requested() noexcept;

    // What the console's handler does with the registered files before the process ends:
    // true when none of them is left.
    static bool RemoveRegisteredFiles() noexcept;

private:
    std::wstring m_path;
};

}  // namespace qeb
