// Console output. Messages are wide text; on a real console they go out through
// WriteConsoleW, otherwise as bytes of the system language's ANSI code page.
// Exception texts are narrow bytes and go out unconverted. Both write straight to
// standard output, unbuffered, so their lines keep the order in which they were written.
#pragma once

#include <functional>
#include <string>

// The system's SECURITY_ATTRIBUTES, named without windows.h: the portable core sees this header.
struct _SECURITY_ATTRIBUTES;

namespace qeb {

// The code page into which wide text is converted when standard output is no console.
void SetConsoleCodePage(unsigned codePage);

// Writes the text and CR LF; inner CR LF pairs stay as they are.
void PrintLine(const std::wstring& text) noexcept;

// Writes the narrow text unconverted, then CR LF.
void PrintNarrowLine(const std::string& text) noexcept;

// From now on every printed line is also appended to the file, in UTF-8 with CR LF (a
// byte-order mark at the file's start); narrow texts are taken to be in the ANSI code page.
// A new file gets `attributes`. The Win32 error when the file cannot be opened or is a link
// (nothing is logged then). A write that fails later ends the logging and is told once to
// `onWriteFailure`.
unsigned long StartLineLog(const std::wstring& path, _SECURITY_ATTRIBUTES* attributes,
                           std::function<void(unsigned long error)> onWriteFailure);

}  // namespace qeb
