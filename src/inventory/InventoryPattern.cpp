#include "inventory/InventoryPattern.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace qeb {
namespace {

// More digits than any count or group number can use; the standard library's parser reads
// such numbers into a long without checking, and overflows.
constexpr size_t kLongestNumber = 9;

// Inventory paths are at most this long; the work bound is for a search of such a text.
constexpr uint64_t kLongestText = 259;

// Work is counted in sixteenths of a matching state, which copies the match results it carries
// to the next step. Every automaton state can be visited at each step of a search, by matches
// that began at different positions; a counted repetition makes a copy of the states it repeats.
constexpr uint64_t kMatchState = 16;   // and one more per capture group in the results
constexpr uint64_t kRepeatState = 16;  // chooses between one more round and leaving
constexpr uint64_t kOtherState = 2;    // groups, alternatives, assertions
constexpr uint64_t kStep = 16;  // and a sixteenth per state of the pattern, cleared each step
// A lookahead's sub-search is set up (allocating half a sixteenth per state of the pattern) at
// each step that reaches it, and then runs for as many steps as its text can be long, each
// costing about twice a step of the search, as it sets up its own queue of states.
constexpr uint64_t kLookahead = 512;
// Boost.Regex stops a search after visiting about length² × text + 100000 states; each costs
// about half a matching state, more when it compares a back-reference.
constexpr uint64_t kBoostState = 8;

// In matching states per step, ordinary patterns need up to about 150 ((.*\\)*Backup\\ 15, a GUID
// pattern 40, ^(?:(?!\\Keep\\).)*\\Temp\\ 143; a{250} needs 255). With at most 400 a search of a
// longest path takes at most about 5 ms natively and 60 ms under the sanitizers, where
// (?:.?){9000}Z (20000) takes 0.2 s natively, and far longer searched from each position.
constexpr uint64_t kMostWork = 400 * kMatchState * kLongestText;

constexpr uint64_t kSaturated = uint64_t{1} << 52;

uint64_t Add(uint64_t a, uint64_t b) {
    return std::min(kSaturated, a + b);
}

uint64_t Multiply(uint64_t a, uint64_t b) {
    return b != 0 && a > kSaturated / b ? kSaturated : a * b;
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsHexDigit(wchar_t c) {
    return IsDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
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

uint64_t NumberAt(const std::wstring& text, size_t& position) {
    uint64_t number = 0;
    for (; position < text.size() && IsDigit(text[position]); ++position) {
        number = Add(Multiply(number, 10), static_cast<uint64_t>(text[position] - L'0'));
    }
    return number;
}

std::regex_constants::syntax_option_type StandardFlags(bool ignoreCase) {
    return ignoreCase ? std::regex_constants::ECMAScript | std::regex_constants::icase
                      : std::regex_constants::ECMAScript;
}

// What a part of a pattern costs at each step of a search, the automaton states it makes and the
// longest text it matches (saturated when unbounded).
struct Part {
    uint64_t work = 0;
    uint64_t states = 0;
    uint64_t longest = 0;
};

Part State(uint64_t work, uint64_t length) {
    return {work, 1, length};
}

Part Concatenated(const Part& a, const Part& b) {
    return {Add(a.work, b.work), Add(a.states, b.states), Add(a.longest, b.longest)};
}

Part Alternated(const Part& a, const Part& b) {
    return {Add(Add(a.work, b.work), 2 * kOtherState), Add(Add(a.states, b.states), 2),
            std::max(a.longest, b.longest)};
}

// x{least,most}, and with a loop x{least,}; the library copies x for each count.
Part Repeated(const Part& x, uint64_t least, uint64_t most, bool loop) {
    const uint64_t choices = most - least + (loop ? 1 : 0);
    const uint64_t copies = most + (loop ? 1 : 0);
    Part r{Add(Multiply(x.work, copies), Add(Multiply(choices, kRepeatState), kOtherState)),
           Add(Multiply(x.states, copies + 1), Add(choices, 2)), Multiply(x.longest, most)};
    if (loop && x.longest > 0) {
        r.longest = kSaturated;
    }
    return r;
}

// The sub-search starts at each step the lookahead is reached, from its own single position.
Part Lookahead(const Part& inner, uint64_t states) {
    const uint64_t steps = std::min(kLongestText, Add(inner.longest, 1));
    const uint64_t step = Multiply(Add(Add(kStep, inner.work), states / 16), 2);
    return {Add(Add(kLookahead, states / 2), Multiply(step, steps)), Add(inner.states, 2), 0};
}

struct Measure {
    Part whole;
    uint64_t once = 0;  // lookaheads right after a leading ^, reached at the first step only
    uint64_t groups = 0;
    bool backReferences = false;
    // The library's lookahead takes the position it starts at for the start of the text unless
    // the search began after it, so ^, \b and \B in a lookahead need a search from each position.
    bool assertsInLookahead = false;
};

// A group being read: the alternatives so far, the current one, and its last item, which a
// quantifier may still repeat.
struct Group {
    wchar_t kind = L'(';  // '(' captures, ':' does not, '=' and '!' look ahead
    Part alternatives;
    bool alternated = false;
    Part sequence;
    std::optional<Part> last;

    void Flush() {
        if (last) {
            sequence = Concatenated(sequence, *last);
            last.reset();
        }
    }
    void Append(const Part& part) {
        Flush();
        last = part;
    }
    void EndAlternative() {
        Flush();
        alternatives = alternated ? Alternated(alternatives, sequence) : sequence;
        alternated = true;
        sequence = Part();
    }
    Part Close() {
        const bool several = alternated;
        EndAlternative();
        alternated = several;
        return alternatives;
    }
};

// Reads the expression as the ECMAScript grammar does, for what each part costs. States and
// groups are those of the whole expression, which the lookaheads' costs depend on.
Measure Measured(const std::wstring& expression, uint64_t states, uint64_t groups) {
    const uint64_t match = Add(kMatchState, groups);
    Measure measure;
    std::vector<Group> open(1);
    bool atStart = false;
    for (size_t i = 0; i < expression.size(); ++i) {
        const wchar_t c = expression[i];
        Group& group = open.back();
        const bool topLevel = open.size() == 1;
        const bool lookingAhead = std::any_of(open.begin(), open.end(), [](const Group& g) {
            return g.kind == L'=' || g.kind == L'!';
        });
        bool keepsStart = false;
        if (c == L'\\') {
            const wchar_t escaped = i + 1 < expression.size() ? expression[++i] : L'\0';
            if (escaped == L'b' || escaped == L'B') {
                measure.assertsInLookahead = measure.assertsInLookahead || lookingAhead;
                group.Append(State(kOtherState, 0));
            } else if (IsDigit(escaped) && escaped != L'0') {
                NumberAt(expression, i);
                --i;
                measure.backReferences = true;
                group.Append(State(match, kSaturated));
            } else {
                // \cX, \xHH and \uHHHH take the characters that follow.
                size_t more = escaped == L'c' ? 1 : escaped == L'x' ? 2 : escaped == L'u' ? 4 : 0;
                for (; more > 0 && i + 1 < expression.size(); --more) {
                    if (escaped != L'c' && !IsHexDigit(expression[i + 1])) {
                        break;
                    }
                    ++i;
                }
                group.Append(State(match, 1));
            }
        } else if (c == L'[') {
            i += i + 1 < expression.size() && expression[i + 1] == L'^' ? 2 : 1;
            while (i < expression.size() && expression[i] != L']') {
                i += expression[i] == L'\\' ? 2 : 1;
            }
            group.Append(State(match, 1));
        } else if (c == L'^' || c == L'$') {
            if (i == 0 && c == L'^') {
                atStart = keepsStart = true;
            }
            measure.assertsInLookahead = measure.assertsInLookahead || (lookingAhead && c == L'^');
            group.Append(State(kOtherState, 0));
        } else if (c == L'(') {
            Group inner;
            if (i + 2 < expression.size() && expression[i + 1] == L'?') {
                inner.kind = expression[i + 2];
                keepsStart = inner.kind == L'=' || inner.kind == L'!';
                i += 2;
            } else {
                ++measure.groups;
            }
            group.Flush();
            open.push_back(inner);
        } else if (c == L')' && open.size() > 1) {
            Group inner = open.back();
            open.pop_back();
            const Part content = inner.Close();
            const uint64_t marks = inner.kind == L'(' ? 2 : 1;
            Part part{Add(content.work, marks * kOtherState), Add(content.states, marks),
                      content.longest};
            if (inner.kind == L'=' || inner.kind == L'!') {
                part = Lookahead(content, states);
                if (atStart && open.size() == 1) {
                    measure.once = Add(measure.once, part.work);
                    part.work = kOtherState;
                }
            }
            open.back().Append(part);
        } else if (c == L'|') {
            group.EndAlternative();
        } else if ((c == L'*' || c == L'+' || c == L'?' || c == L'{') && group.last) {
            // The library loops over x itself for x* and x+, and makes copies of x for counts.
            uint64_t least = 0;
            uint64_t most = c == L'?' ? 1 : 0;
            bool loop = c != L'?';
            if (c == L'{') {
                size_t end = i + 1;
                least = most = NumberAt(expression, end);
                loop = end < expression.size() && expression[end] == L',';
                if (loop && end + 1 < expression.size() && IsDigit(expression[end + 1])) {
                    most = std::max(least, NumberAt(expression, ++end));
                    loop = false;
                } else if (loop) {
                    ++end;
                }
                if (end == i + 1 || end >= expression.size() || expression[end] != L'}') {
                    group.Append(State(match, 1));  // no count: the grammar refuses it
                    continue;
                }
                i = end;
            }
            *group.last = Repeated(*group.last, least, most, loop);
            if (i + 1 < expression.size() && expression[i + 1] == L'?') {
                ++i;  // lazy
            }
        } else {
            group.Append(State(match, 1));
        }
        atStart = atStart && (keepsStart || !topLevel);
    }
    while (open.size() > 1) {
        const Part content = open.back().Close();
        open.pop_back();
        open.back().Append(content);
    }
    measure.whole = open.back().Close();
    return measure;
}

struct SearchCost {
    uint64_t work = 0;  // of a search of a longest path
    bool onePass = true;
};

// The work of each step of the single pass over the text, or of a search from each position for
// as long as a match can be, and for back-references Boost.Regex's whole budget.
SearchCost CostOfSearch(const std::wstring& expression) {
    const Measure counted = Measured(expression, 0, 0);
    const Measure measure = Measured(expression, counted.whole.states, counted.groups);
    SearchCost cost;
    cost.onePass = !measure.assertsInLookahead;
    // The loop that starts a match at every position adds a matching and a repeat state.
    const uint64_t step =
        Add(Add(kStep + kMatchState + kRepeatState, measure.whole.work), counted.whole.states / 16);
    const uint64_t steps = cost.onePass ? 1 : std::min(kLongestText, Add(measure.whole.longest, 1));
    cost.work = Add(Multiply(Multiply(step, steps), kLongestText), measure.once);
    if (measure.backReferences) {
        const uint64_t length = expression.size();
        const uint64_t states = Add(Multiply(Multiply(length, length), kLongestText), 100000);
        cost.work = std::max(cost.work, Multiply(states, kBoostState));
    }
    return cost;
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
    const SearchCost cost = CostOfSearch(expression);
    if (cost.work > kMostWork) {
        throw std::regex_error(std::regex_constants::error_complexity);
    }
    const auto flags = StandardFlags(ignoreCase);
#if defined(__GLIBCXX__)
    try {
        const auto automaton = flags | std::regex_constants::__polynomial;
        std::wregex checked(expression, automaton);  // refuses what the grammar refuses
        if (!cost.onePass) {
            m_automaton.emplace(std::move(checked));
            return;
        }
        // A search from each position in turn repeats the work for every one of them; a single
        // pass that first skips any prefix finds the same, and matches that reach the same state
        // go on from there as one.
        m_automaton.emplace(L"[\\s\\S]*?(?:" + expression + L")", automaton);
        m_searchFlags = std::regex_constants::match_continuous;
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
        return std::regex_search(text, *m_automaton, m_searchFlags);
    }
    if (m_backtracking) {
        return boost::regex_search(text, *m_backtracking);
    }
    throw std::regex_error(std::regex_constants::error_complexity);
}

}  // namespace qeb
