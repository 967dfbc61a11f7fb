// Texts of the program's string table and of the system's message table.
//
// Both formatters of string-table texts read C variable arguments, which cannot tell a
// const wchar_t* from a std::wstring object. Every formatted text is therefore declared
// with the kinds of its inserts, and an insert of the wrong kind does not compile.
#pragma once

#include <string>
#include <type_traits>

namespace qeb {

// "%n!s!" of the message formatter and "%s" of printf: a zero-terminated wide string.
// A std::wstring must be passed as c_str(); the object itself would be undefined behaviour.
class TextInsert {
public:
    TextInsert(const wchar_t* text) noexcept : m_text(text) {}  // NOLINT: implicit on purpose
    TextInsert(const std::wstring&) = delete;
    const wchar_t* Value() const noexcept { return m_text; }

private:
    const wchar_t* m_text;
};

// An insert of exactly one arithmetic type: no wider, narrower or differently signed value
// slips in through a conversion.
template <typename T>
class ExactInsert {
public:
    ExactInsert(T value) noexcept : m_value(value) {}  // NOLINT: implicit on purpose
    template <typename Other>
    ExactInsert(Other) = delete;
    T Value() const noexcept { return m_value; }

private:
    T m_value;
};

// "%n!d!" and "%d".
using SignedInsert = ExactInsert<int>;
// "%n!X!": a 32-bit unsigned value.
using HexInsert = ExactInsert<unsigned>;

// A string-table text printed as it is stored.
struct PlainText {
    unsigned id;
};

// A string-table text with numbered inserts, expanded by the system message formatter.
template <typename... Inserts>
struct NumberedMessage {
    unsigned id;
};

// A string-table text with printf-style inserts.
template <typename... Inserts>
struct PrintfMessage {
    unsigned id;
};

namespace detail {
template <typename T>
struct Exactly {
    using Type = T;
};
std::wstring FormatNumberedV(unsigned id, ...);
std::wstring FormatPrintfV(const wchar_t* format, ...);
}  // namespace detail

// The stored text of a string-table entry, unprocessed; empty for a missing id.
std::wstring LoadText(unsigned id);
inline std::wstring LoadText(PlainText text) {
    return LoadText(text.id);
}

// Numbered in the order passed; empty when the formatter fails.
template <typename... Inserts>
std::wstring LoadMessage(NumberedMessage<Inserts...> message,
                         typename detail::Exactly<Inserts>::Type... inserts) {
    return detail::FormatNumberedV(message.id, inserts.Value()...);
}

// printf-style formatting with Microsoft's rule that %s takes a wide string. Arguments are
// zero-terminated wide strings or arithmetic values; anything else does not compile.
template <typename... Args>
std::wstring FormatPrintf(const wchar_t* format, Args... args) {
    static_assert(((std::is_arithmetic_v<Args> || std::is_same_v<Args, const wchar_t*> ||
                    std::is_same_v<Args, wchar_t*>)&&...),
                  "printf-style arguments are wide C strings or numbers");
    return detail::FormatPrintfV(format, args...);
}

template <typename... Inserts>
std::wstring LoadFormatted(PrintfMessage<Inserts...> message,
                           typename detail::Exactly<Inserts>::Type... inserts) {
    const std::wstring format = LoadText(message.id);
    return detail::FormatPrintfV(format.c_str(), inserts.Value()...);
}

// The system's text for a result or Win32 error code in the user's default
// language, with its closing line end; empty when the system has none.
std::wstring GetSystemErrorText(unsigned long code);

// A system text without its closing line feed and then carriage return.
std::wstring TrimLineEnd(std::wstring text);

// Wide text in the ANSI code page; unrepresentable characters become its default character.
std::string ToAnsi(const std::wstring& text);

}  // namespace qeb
