#include "util/ConsoleCells.h"

namespace qeb {
namespace {

struct Range {
    unsigned long first;
    unsigned long last;
};

// The East Asian wide and full-width blocks that appear in Japanese text.
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6},
};

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

std::size_t CellWidth(wchar_t c) {
    const auto code = static_cast<unsigned long>(c);
    for (const Range& range : kWide) {
        if (code >= range.first && code <= range.last) {
            return 2;
        }
    }
    return 1;
}

std::wstring CutToCells(const std::wstring& text, std::size_t cells) {
    std::size_t used = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        // A surrogate pair is one character outside the basic plane, shown wide.
        const bool pair = IsHighSurrogate(text[end]) && end + 1 < text.size();
        const std::size_t width = pair ? 2 : CellWidth(text[end]);
        if (used + width > cells) {
            break;
        }
        used += width;
        end += pair ? 2 : 1;
    }
    return text.substr(0, end);
}

}  // namespace qeb
