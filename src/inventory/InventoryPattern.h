// The regular expressions of the settings file (IGNORE and EXT), compiled and searched as
// the inventory uses them, with a bound on the work of every search.
//
// A backtracking engine can take exponential time on patterns such as (.*\\)*Backup\\.
// Patterns without back-references are matched by the standard library's automaton mode in a
// single pass over the text, which needs polynomial time and finds whether the pattern occurs
// as a search from each position would. Its work at each character still grows with the states
// of the pattern, which counted repetitions copy and lookaheads multiply: every pattern's work
// is bounded at load, and a pattern whose search of a longest path could take more is refused
// as an invalid one. Back-references need
// backtracking: such a pattern is matched by Boost.Regex, whose ECMAScript grammar is the
// same and which stops a search that passes its complexity limit with an exception; that
// limit grows with the length of the pattern, which the bound at load therefore also limits.
#pragma once

#include <optional>
#include <regex>
#include <string>

#include <boost/regex.hpp>

namespace qeb {

// Throws std::regex_error for a group number or repetition count of more digits than any
// pattern can use: the standard library's parser would overflow on it.
void RefuseOversizedNumbers(const std::wstring& expression);

class InventoryPattern {
public:
    // An IGNORE pattern: ECMAScript, letter case significant. Throws std::regex_error when
    // the text is no valid expression, with error_complexity when its searches could cost
    // more than the bound.
    static InventoryPattern ForIgnore(const std::wstring& pattern);

    // An EXT value: the expression \.<ext>$ with letter case ignored. Throws std::regex_error
    // as ForIgnore does.
    static InventoryPattern ForExtension(const std::wstring& ext);

    // Whether the expression is found anywhere in the text. A search of a pattern with
    // back-references that passes the complexity limit throws std::runtime_error.
    bool FoundIn(const std::wstring& text) const;

    // True for a pattern with back-references, whose searches may be stopped.
    bool Backtracks() const { return !m_automaton.has_value(); }

private:
    InventoryPattern(const std::wstring& expression, bool ignoreCase);

    std::optional<std::wregex> m_automaton;
    std::regex_constants::match_flag_type m_searchFlags = std::regex_constants::match_default;
    std::optional<boost::wregex> m_backtracking;
    // For an extension of letters, digits and underscores: "." and the extension in lower
    // case, which a name of ASCII characters ends with exactly when the expression is found.
    std::wstring m_plainSuffix;
};

}  // namespace qeb
