// Texts of the program's string table and of the system's message table.
#pragma once

#include <string>

#include "../../res/resource.h"

namespace qeb {

// The stored text of a string-table entry, unprocessed; empty for a missing id.
std::wstring LoadText(unsigned id);

// The text of `id` expanded by the system message formatter: "%1!s!" takes a
// const wchar_t*, "%1!d!" an int, "%1!X!" an unsigned int, numbered in the order passed.
std::wstring LoadMessage(unsigned id, ...);

// The system's text for a result or Win32 error code in the user's default
// language, with its closing line end; empty when the system has none.
std::wstring GetSystemErrorText(unsigned long code);

// Wide text in the ANSI code page; unrepresentable characters become its default character.
std::string ToAnsi(const std::wstring& text);

// printf-style formatting with Microsoft's rule that %s takes a wide string.
std::wstring FormatPrintf(const wchar_t* format, ...);

// The text of `id` formatted printf-style (see FormatPrintf).
std::wstring LoadFormatted(unsigned id, ...);

}  // namespace qeb
