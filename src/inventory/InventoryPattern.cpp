#include "inventory/InventoryPattern.h"

#include <algorithm>

namespace qeb {
namespace {

// More digits than any count or group number can use; the standard library's parser reads
// such numbers into a long without checking, and overflows.
constexpr size_t kLongestNumber = 9;

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsPlainCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || IsDigit(c) || c == L'_';
}

wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

size_t DigitsAt(const std::wstring& text, size_t position) {
    size_t end = position;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    return end - position;
}

std::regex_constants::syntax_option_type StandardFlags(bool ignoreCase) {
    return ignoreCase ? std::regex_constants::ECMAScript | std::regex_constants::icase
                      : std::regex_constants::ECMAScript;
}

}  // namespace

void RefuseOversizedNumbers(const std::wstring& expression) {
    bool inBrackets = false;
    bool inBraces = false;
    for (size_t i = 0; i < expression.size(); ++i) {
        const wchar_t c = expression[i];
        if (c == L'\\') {
            if (DigitsAt(expression, i + 1) > kLongestNumber) {
                throw std::regex_error(std::regex_constants::error_backref);
            }
            // The escaped character stands for itself here; a control escape \cX takes one
            // more, whatever it is.
            i += i + 1 < expression.size() && expression[i + 1] == L'c' ? 2 : 1;
        } else if (inBrackets) {
            inBrackets = c != L']';
        } else if (c == L'[') {
            inBrackets = true;
        } else if (c == L'{') {
            inBraces = true;
        } else if (c == L'}') {
            inBraces = false;
        } else if (inBraces && DigitsAt(expression, i) > kLongestNumber) {
            throw std::regex_error(std::regex_constants::error_badbrace);
        }
    }
}

InventoryPattern InventoryPattern::ForIgnore(const std::wstring& pattern) {
    return InventoryPattern(pattern, false);
}

InventoryPattern InventoryPattern::ForExtension(const std::wstring& ext) {
    InventoryPattern pattern(L"\\." + ext + L"$", true);
    if (!ext.empty() && std::all_of(ext.begin(), ext.end(), IsPlainCharacter)) {
        pattern.m_plainSuffix = L"." + ext;
        std::transform(pattern.m_plainSuffix.begin(), pattern.m_plainSuffix.end(),
                       pattern.m_plainSuffix.begin(), AsciiLower);
    }
    return pattern;
}

InventoryPattern::InventoryPattern(const std::wstring& expression, bool ignoreCase) {
    RefuseOversizedNumbers(expression);
    const auto flags = StandardFlags(ignoreCase);
#if defined(__GLIBCXX__)
    try {
        m_automaton.emplace(expression, flags | std::regex_constants::__polynomial);
        return;
    } catch (const std::regex_error& error) {
        // The automaton refuses back-references with error_complexity; any other error is
        // the pattern's own.
        if (error.code() != std::regex_constants::error_complexity) {
            throw;
        }
    }
    const std::wregex standard(expression, flags);  // refuses what was refused before
    try {
        m_backtracking.emplace(expression, ignoreCase ? boost::regex_constants::ECMAScript |
                                                            boost::regex_constants::icase
                                                      : boost::regex_constants::ECMAScript);
    } catch (const boost::regex_error&) {
        // A form that only the standard library's lenient grammar takes: nothing could bound
        // its search, so every search is stopped.
    }
#else
    // Without an automaton mode the library's own complexity limit ends a runaway search
    // with std::regex_error.
    m_automaton.emplace(expression, flags);
#endif
}

bool InventoryPattern::FoundIn(const std::wstring& text) const {
    // A search per file name is most of the inventory's own work; the usual extension is a
    // plain suffix. Letter case beyond ASCII is the expression's to judge.
    if (!m_plainSuffix.empty()) {
        if (text.size() < m_plainSuffix.size()) {
            return false;
        }
        const size_t start = text.size() - m_plainSuffix.size();
        if (std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                        [](wchar_t c) { return c < 0x80; })) {
            return std::equal(m_plainSuffix.begin(), m_plainSuffix.end(),
                              text.begin() + static_cast<std::ptrdiff_t>(start),
                              [](wchar_t suffix, wchar_t c) { return suffix == AsciiLower(c); });
        }
    }
    if (m_automaton) {
        return std::regex_search(text, *m_automaton);
    }
    if (m_backtracking) {
        return boost::regex_search(text, *m_backtracking);
    }
    throw std::regex_error(std::regex_constants::error_complexity);
}

}  // namespace qeb
