#include "archive/MaskCheck.h"

#include <algorithm>
#include <deque>
#include <set>
#include <utility>

#include "archive/MaskForms.h"
#include "text/CodePage932.h"
#include "text/EucJp.h"

namespace qeb {
namespace {

unsigned char Folded(unsigned char byte) {
    return static_cast<unsigned char>(AsciiLower(byte));
}

bool IsWordByte(unsigned char byte) {
    return IsAsciiDigit(byte) || IsAsciiLetter(byte) || byte == '-' || byte == '_';
}

std::string FoldedBytes(std::string bytes) {
    for (char& byte : bytes) {
        byte = static_cast<char>(Folded(static_cast<unsigned char>(byte)));
    }
    return bytes;
}

}  // namespace

MaskCheck::MaskCheck(const std::vector<std::u16string>& values,
                     const CodePage932Encoder& codePage932) {
    m_nodes.emplace_back();
    std::set<std::pair<std::string, Layout>> seen;
    const auto add = [this, &seen](const std::string& bytes, Layout layout) {
        if (!bytes.empty() && seen.emplace(FoldedBytes(bytes), layout).second) {
            Add(FoldedBytes(bytes), layout);
        }
    };
    for (const std::u16string& value : values) {
        if (value.empty() || !IsWellFormedUtf16(value)) {
            continue;
        }
        const std::u16string lower = LowerAscii(value);
        add(Utf8Of(lower), Layout::Bytes);
        add(Utf16Bytes(lower, false), Layout::Utf16);
        add(Utf16Bytes(lower, true), Layout::Utf16BigEndian);
        const std::string sjis = codePage932 ? codePage932(lower) : std::string();
        add(sjis, Layout::Bytes);
        add(ShiftJisToEucJp(sjis), Layout::Bytes);
    }
    Link();
}

void MaskCheck::Add(const std::string& bytes, Layout layout) {
    std::uint32_t node = 0;
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const std::int64_t child = Child(node, byte);
        if (child >= 0) {
            node = static_cast<std::uint32_t>(child);
            continue;
        }
        const std::uint32_t created = static_cast<std::uint32_t>(m_nodes.size());
        m_nodes.emplace_back();
        auto& next = m_nodes[node].next;
        next.insert(std::lower_bound(next.begin(), next.end(), std::make_pair(byte, 0u)),
                    {byte, created});
        node = created;
    }
    m_nodes[node].pattern = static_cast<std::int32_t>(m_patterns.size());
    m_patterns.push_back(Pattern{bytes.size(), layout});
    m_longest = std::max(m_longest, bytes.size());
}

std::int64_t MaskCheck::Child(std::uint32_t node, unsigned char byte) const {
    const auto& next = m_nodes[node].next;
    const auto found = std::lower_bound(next.begin(), next.end(), std::make_pair(byte, 0u));
    return found != next.end() && found->first == byte ? static_cast<std::int64_t>(found->second)
                                                       : -1;
}

// Breadth first, so that every node's fail target is linked before the node.
void MaskCheck::Link() {
    std::deque<std::uint32_t> queue;
    for (const auto& edge : m_nodes[0].next) {
        queue.push_back(edge.second);
    }
    while (!queue.empty()) {
        const std::uint32_t node = queue.front();
        queue.pop_front();
        for (const auto& [byte, child] : m_nodes[node].next) {
            std::uint32_t fail = m_nodes[node].fail;
            std::int64_t target = Child(fail, byte);
            while (target < 0 && fail != 0) {
                fail = m_nodes[fail].fail;
                target = Child(fail, byte);
            }
            Node& linked = m_nodes[child];
            linked.fail = target >= 0 ? static_cast<std::uint32_t>(target) : 0;
            const Node& failNode = m_nodes[linked.fail];
            linked.nextMatch =
                failNode.pattern >= 0 ? static_cast<std::int32_t>(linked.fail) : failNode.nextMatch;
            queue.push_back(child);
        }
    }
}

std::uint32_t MaskCheck::Step(std::uint32_t node, unsigned char byte) const {
    for (;;) {
        const std::int64_t child = Child(node, byte);
        if (child >= 0) {
            return static_cast<std::uint32_t>(child);
        }
        if (node == 0) {
            return 0;
        }
        node = m_nodes[node].fail;
    }
}

// Matches that end in the last two bytes wait for the next piece, which tells what follows
// them; the bytes kept are enough to read what stood before any match that ends later.
void MaskCheck::Scan::Feed(const char* data, std::size_t size, bool last) {
    if (m_hit || m_check.m_patterns.empty()) {
        return;
    }
    std::string window = std::move(m_keep);
    window.reserve(window.size() + size);
    for (std::size_t i = 0; i < size; ++i) {
        window += static_cast<char>(Folded(static_cast<unsigned char>(data[i])));
    }
    std::uint32_t node = 0;
    for (std::size_t i = 0; i < window.size() && !m_hit; ++i) {
        node = m_check.Step(node, static_cast<unsigned char>(window[i]));
        const Node& at = m_check.m_nodes[node];
        for (std::int32_t match = at.pattern >= 0 ? static_cast<std::int32_t>(node) : at.nextMatch;
             match >= 0 && !m_hit; match = m_check.m_nodes[match].nextMatch) {
            const std::size_t end = i + 1;
            if (m_base + end <= m_checkedTo || (!last && end + 2 > window.size())) {
                continue;
            }
            m_hit = IsWholeWord(window, end, m_check.m_nodes[match].pattern);
        }
    }
    const std::size_t checked =
        last ? window.size() : window.size() - std::min<std::size_t>(2, window.size());
    m_checkedTo = std::max(m_checkedTo, m_base + checked);
    const std::size_t keep = std::min(window.size(), m_check.m_longest + 4);
    m_base += window.size() - keep;
    m_keep = window.substr(window.size() - keep);
}

bool MaskCheck::Scan::IsWholeWord(const std::string& window, std::size_t end,
                                  std::size_t pattern) const {
    const Pattern& p = m_check.m_patterns[pattern];
    const std::size_t begin = end - p.length;
    const auto byteAt = [&window](std::size_t i) { return static_cast<unsigned char>(window[i]); };
    if (p.layout == Layout::Bytes) {
        const bool afterTrail = m_codePage932 && begin >= 2 && IsCodePage932Lead(byteAt(begin - 2));
        return !(begin > 0 && IsWordByte(byteAt(begin - 1)) && !afterTrail) &&
               !(end < window.size() && IsWordByte(byteAt(end)));
    }
    const bool big = p.layout == Layout::Utf16BigEndian;
    const auto wordUnit = [&](std::size_t at) {
        if (at + 2 > window.size()) {
            return false;
        }
        const unsigned char low = byteAt(big ? at + 1 : at);
        const unsigned char high = byteAt(big ? at : at + 1);
        return high == 0 && IsWordByte(low);
    };
    return !(begin >= 2 && wordUnit(begin - 2)) && !wordUnit(end);
}

}  // namespace qeb
