// One line of progress, rewritten in place, on a real console only: nothing of it reaches a
// file or a pipe, and it is erased before any other output and before the program ends, so
// the screen holds exactly the lines that were printed. Any thread may draw or erase it; a
// thread that prints into a log of its own (ThreadOutput) does neither.
#pragma once

#include <functional>
#include <string>

namespace qeb {

class StatusLine {
public:
    // The console is one per process, and so is its status line.
    static StatusLine& Get();

    // Shows the text that `describe` gives, cut to the console's width, unless the line was
    // drawn less than a moment ago (the text is then not even made).
    void Update(const std::function<std::wstring()>& describe) noexcept;

    // Erases the line and leaves the cursor where the line began.
    void Erase() noexcept;

private:
    StatusLine();

    void* m_console = nullptr;  // the console's output handle; null when output goes elsewhere
    bool m_shown = false;
    short m_row = 0;
    unsigned long long m_lastDrawn = 0;
};

}  // namespace qeb
