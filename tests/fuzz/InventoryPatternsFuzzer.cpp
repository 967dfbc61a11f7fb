// IGNORE and EXT patterns, compiled and searched as the inventory does it. Input: a selector
// byte (IGNORE or EXT), the pattern, a zero byte, the text. A pattern is refused exactly when
// the standard library's ECMAScript grammar refuses it (or holds a number too long to parse), or
// as too costly with error_complexity; a pattern without back-references finds what a
// backtracking search finds (compared on short texts, where backtracking is cheap); only a
// pattern with back-references may stop a search with an exception; and a search of a longest
// path, the text repeated, ends within kSlowestSearch, so a costly pattern that passes is a
// finding.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>

#include "FuzzCheck.h"
#include "inventory/InventoryPattern.h"

namespace {

constexpr size_t kLongestPath = 259;
// Generous for a sanitizer build, where the costliest accepted patterns take about 60 ms and
// what the bound refuses takes seconds.
constexpr std::chrono::milliseconds kSlowestSearch(250);

// Where a backtracking search stays cheap enough to serve as the reference: short texts, at
// most two quantifiers and no counted repetition (stacked or counted repetitions multiply
// its work without bound, even on an empty text).
bool CheapToBacktrack(const std::wstring& pattern, const std::wstring& text) {
    const auto quantifiers = std::count_if(pattern.begin(), pattern.end(), [](wchar_t c) {
        return c == L'*' || c == L'+' || c == L'?';
    });
    return text.size() <= 10 && pattern.size() <= 16 && quantifiers <= 2 &&
           pattern.find(L'{') == std::wstring::npos;
}

std::optional<std::wregex> Backtracking(const std::wstring& expression, bool ignoreCase) {
    try {
        qeb::RefuseOversizedNumbers(expression);
        return std::wregex(
            expression, ignoreCase ? std::regex_constants::ECMAScript | std::regex_constants::icase
                                   : std::regex_constants::ECMAScript);
    } catch (const std::regex_error&) {
        return std::nullopt;
    }
}

// Whether the text holds the pattern; nothing when the search was stopped, as only one that
// backtracks may be.
std::optional<bool> Search(const qeb::InventoryPattern& pattern, const std::wstring& text) {
    try {
        return pattern.FoundIn(text);
    } catch (const std::runtime_error&) {
        FUZZ_CHECK(pattern.Backtracks());
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const bool extension = data[0] % 2 == 1;
    const std::wstring input(data + 1, data + size);
    const size_t split = input.find(L'\0');
    const std::wstring pattern = input.substr(0, split);
    std::wstring text = split == std::wstring::npos ? std::wstring() : input.substr(split + 1);
    text.resize(std::min(text.size(), kLongestPath));

    const std::wstring expression = extension ? L"\\." + pattern + L"$" : pattern;
    const std::optional<std::wregex> reference = Backtracking(expression, extension);
    std::optional<qeb::InventoryPattern> compiled;
    bool costly = false;
    try {
        compiled = extension ? qeb::InventoryPattern::ForExtension(pattern)
                             : qeb::InventoryPattern::ForIgnore(pattern);
    } catch (const std::regex_error& error) {
        costly = error.code() == std::regex_constants::error_complexity;
    }
    FUZZ_CHECK(compiled ? reference.has_value() : !reference || costly);
    if (!compiled) {
        return 0;
    }
    const std::optional<bool> found = Search(*compiled, text);
    if (found && !compiled->Backtracks() && CheapToBacktrack(pattern, text)) {
        FUZZ_CHECK(*found == std::regex_search(text, *reference));
    }

    const std::wstring unit = text.empty() ? pattern : text;
    std::wstring longest;
    while (!unit.empty() && longest.size() < kLongestPath) {
        longest += unit;
    }
    longest.resize(std::min(longest.size(), kLongestPath));
    const auto start = std::chrono::steady_clock::now();
    Search(*compiled, longest);
    FUZZ_CHECK(std::chrono::steady_clock::now() - start < kSlowestSearch);
    return 0;
}
