#include "util/StatusLine.h"

#include <windows.h>

#include "util/ConsoleCells.h"
#include "util/ConsoleLock.h"
#include "util/ThreadOutput.h"

namespace qeb {
namespace {

constexpr ULONGLONG kRedrawInterval = 250;

}  // namespace

StatusLine& StatusLine::Get() {
    static StatusLine line;
    return line;
}

StatusLine::StatusLine() {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetConsoleMode(out, &mode)) {
        m_console = out;
    }
}

void StatusLine::Update(const std::function<std::wstring()>& describe) noexcept {
    // A thread that prints into a log of its own has no place on the console.
    if (m_console == nullptr || ThreadOutput::OfThisThread() != nullptr) {
        return;
    }
    const std::lock_guard<std::recursive_mutex> lock(ConsoleMutex());
    const ULONGLONG now = ::GetTickCount64();
    if (m_shown && now - m_lastDrawn < kRedrawInterval) {
        return;
    }
    try {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (!::GetConsoleScreenBufferInfo(m_console, &info)) {
            return;
        }
        // Only on a line of its own: text before the cursor belongs to someone else.
        if (!m_shown && info.dwCursorPosition.X != 0) {
            return;
        }
        const SHORT window = static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left + 1);
        const SHORT width = window < info.dwSize.X ? window : info.dwSize.X;
        if (width < 2) {
            return;
        }
        // One cell short of the width, so that the console never wraps the line.
        const std::wstring text = CutToCells(describe(), static_cast<size_t>(width - 1));
        const COORD start{0, m_shown ? m_row : info.dwCursorPosition.Y};
        DWORD done = 0;
        ::FillConsoleOutputCharacterW(m_console, L' ', static_cast<DWORD>(width), start, &done);
        ::SetConsoleCursorPosition(m_console, start);
        ::WriteConsoleW(m_console, text.c_str(), static_cast<DWORD>(text.size()), &done, nullptr);
        ::SetConsoleCursorPosition(m_console, start);
        m_row = start.Y;
        m_shown = true;
        m_lastDrawn = now;
    } catch (...) {
        // Progress is a courtesy: it never fails the command.
    }
}

void StatusLine::Erase() noexcept {
    if (ThreadOutput::OfThisThread() != nullptr) {
        return;
    }
    const std::lock_guard<std::recursive_mutex> lock(ConsoleMutex());
    if (!m_shown) {
        return;
    }
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(m_console, &info)) {
        const COORD start{0, m_row};
        DWORD done = 0;
        ::FillConsoleOutputCharacterW(m_console, L' ', static_cast<DWORD>(info.dwSize.X), start,
                                      &done);
        ::SetConsoleCursorPosition(m_console, start);
    }
    m_shown = false;
}

}  // namespace qeb
