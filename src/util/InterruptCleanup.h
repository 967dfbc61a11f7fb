// Files that must not outlive a run that the console interrupts. When Ctrl+C, Ctrl+Break, a
// closed console window or the end of the session ends the program, every file registered
// at that moment is removed before the process goes. A file that its writer still holds
// without delete sharing goes once the writer, which sees Requested(), has given it up.
#pragma once

#include <functional>
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

    // What the console's handler does for one control event (CTRL_C_EVENT and the like);
    // returns only when the program goes on.
    static void HandleControl(unsigned long controlType) noexcept;

private:
    std::wstring m_path;
};

// While it lives, the first Ctrl+C or Ctrl+Break does not end the program: Requested() turns
// true and `cancel` is called on the console's handler thread (it must only signal), so that
// the run stops its work and ends on its own, with its record. A second one, a closed console
// window or the end of the session end the program at once, as without it.
class InterruptCancels {
public:
    explicit InterruptCancels(std::function<void()> cancel);
    ~InterruptCancels();
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;
};

}  // namespace qeb
