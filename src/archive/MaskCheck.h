// The last look at a masked member before it is archived: a value that the masker did not
// replace, in whatever encoding the member holds it, keeps the member out of the archive.
// Each value is looked for as a whole word (as the masker reads words), ignoring ASCII case,
// in UTF-8, UTF-16LE, UTF-16BE, code page 932 and EUC-JP, all at once in one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qeb {

class MaskCheck {
public:
    // The code page 932 bytes of a value; empty when the code page cannot show it.
    using CodePage932Encoder = std::function<std::string(const std::u16string&)>;

    MaskCheck(const std::vector<std::u16string>& values, const CodePage932Encoder& codePage932);
    std::size_t Patterns() const { return m_patterns.size(); }

    // One member's bytes, in pieces of any size.
    class Scan {
    public:
        // `codePage932`: the member may hold code page 932 text, whose trail bytes may look like
        // letters or digits; a value right after such a byte is a word of its own.
        explicit Scan(const MaskCheck& check, bool codePage932 = false)
            : m_check(check), m_codePage932(codePage932) {}
        void Feed(const char* data, std::size_t size, bool last);
        bool Hit() const { return m_hit; }

    private:
        bool IsWholeWord(const std::string& window, std::size_t end, std::size_t pattern) const;

        const MaskCheck& m_check;
        bool m_codePage932;
        std::string m_keep;  // the end of what was fed, folded, for values across pieces
        std::uint64_t m_base = 0;
        std::uint64_t m_checkedTo = 0;
        bool m_hit = false;
    };

private:
    enum class Layout : unsigned char { Bytes, Utf16, Utf16BigEndian };
    struct Pattern {
        std::size_t length;
        Layout layout;
    };
    struct Node {
        std::vector<std::pair<unsigned char, std::uint32_t>> next;  // sorted by byte
        std::uint32_t fail = 0;
        std::int32_t pattern = -1;    // the pattern that ends here
        std::int32_t nextMatch = -1;  // the nearest node on the fail chain where one ends
    };
    void Add(const std::string& bytes, Layout layout);
    void Link();
    std::uint32_t Step(std::uint32_t node, unsigned char byte) const;
    std::int64_t Child(std::uint32_t node, unsigned char byte) const;

    std::vector<Node> m_nodes;
    std::vector<Pattern> m_patterns;
    std::size_t m_longest = 0;
};

}  // namespace qeb
