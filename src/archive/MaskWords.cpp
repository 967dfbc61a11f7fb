#include "archive/MaskWords.h"

#include <algorithm>

#include "text/Unicode.h"

namespace qeb {
namespace {

constexpr std::size_t kMaxWords = 10000;
constexpr std::size_t kMaxWordUnits = 256;

bool Blank(char16_t c) {
    return c == u' ' || c == u'\t' || c == 0x3000;
}

// The text as UTF-16, by its mark; false when it is no well-formed text.
bool Decode(const std::string& bytes, std::u16string& text) {
    const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 &&
        ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
        const bool big = byte(0) == 0xFE;
        if (bytes.size() % 2 != 0) {
            return false;
        }
        text.clear();
        for (std::size_t i = 2; i < bytes.size(); i += 2) {
            text += static_cast<char16_t>(big ? byte(i) << 8 | byte(i + 1)
                                              : byte(i) | byte(i + 1) << 8);
        }
        return IsWellFormedUtf16(text);
    }
    const std::size_t mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    return Utf16OfUtf8(bytes.data() + mark, bytes.size() - mark, text);
}

}  // namespace

bool ParseMaskWords(const std::string& bytes, std::vector<std::u16string>& words,
                    std::size_t& badLine) {
    words.clear();
    badLine = 1;
    std::u16string text;
    if (!Decode(bytes, text)) {
        // The line that does not read: the first whose bytes fail on their own.
        std::size_t line = 1;
        for (std::size_t at = 0; at < bytes.size(); ++line) {
            const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
            std::u16string ignored;
            if (!Utf16OfUtf8(bytes.data() + at, end - at, ignored)) {
                break;
            }
            at = end + 1;
        }
        badLine = line;
        return false;
    }
    std::size_t line = 1;
    for (std::size_t at = 0; at <= text.size(); ++line) {
        const std::size_t end = std::min(text.find(u'\n', at), text.size());
        std::u16string word = text.substr(at, end - at);
        at = end + 1;
        if (!word.empty() && word.back() == u'\r') {
            word.pop_back();
        }
        const auto first = std::find_if_not(word.begin(), word.end(), Blank);
        const auto last = std::find_if_not(word.rbegin(), word.rend(), Blank).base();
        word = first < last ? std::u16string(first, last) : std::u16string();
        if (word.empty() || word.front() == u'#') {
            continue;
        }
        const bool control =
            std::any_of(word.begin(), word.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
        if (control || word.size() > kMaxWordUnits || words.size() >= kMaxWords) {
            badLine = line;
            words.clear();
            return false;
        }
        words.push_back(std::move(word));
    }
    return true;
}

}  // namespace qeb
