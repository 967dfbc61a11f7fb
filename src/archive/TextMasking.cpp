#include "archive/TextMasking.h"

#include <algorithm>
#include <cstring>

#include "archive/MaskForms.h"
#include "inventory/LineReader.h"

namespace qeb {
namespace {

enum class Encoding { Utf16, Utf8, CodePage932, None };

// The scanner sees every unit of a member as one byte: an ASCII character as itself, any other
// unit as the start of a character or as the rest of one. Trail bytes of code page 932 that
// look like ASCII thus never pass for it.
constexpr unsigned char kCharStart = 0x80;
constexpr unsigned char kContinuation = 0x81;

// What a decision at one unit may look at: before it, "C:\\Users\\" and an address's
// neighbours; after it, the longest name and a token that it must not cut.
constexpr std::size_t kLookBehind = 16;
constexpr std::size_t kLookAhead = 1200;
constexpr std::size_t kMaxNameUnits = 1024;
constexpr std::size_t kMaxProfileNameChars = 256;
constexpr std::size_t kMaxIPv6Run = 46;  // "ffff:...:255.255.255.255" and a dot after it

// The characters of MaskForms' EndsProfileName that code page 932 has, in the same order.
constexpr std::uint16_t kCodePage932NameEnds[] = {
    0x8140, 0x8141, 0x8142, 0x8175, 0x8176, 0x8177, 0x8178, 0x8169, 0x816A, 0xA1, 0xA2, 0xA3, 0xA4};

bool IsAlnum(unsigned char c) {
    return IsAsciiDigit(c) || IsAsciiLetter(c);
}
bool IsWord(unsigned char c) {
    return IsAlnum(c) || c == '-' || c == '_';
}
bool IsSeparator(unsigned char c) {
    return c == '\\' || c == '/';
}
bool IsIPv6Char(unsigned char c) {
    return IsAsciiHex(c) || c == ':' || c == '.';
}
bool IsCodePage932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsCodePage932Trail(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

Encoding EncodingOf(MemberText text) {
    switch (text) {
        case MemberText::Utf16WithMark:
        case MemberText::Utf16:
            return Encoding::Utf16;
        case MemberText::Utf8WithMark:
        case MemberText::Utf8:
            return Encoding::Utf8;
        case MemberText::CodePage932:
            return Encoding::CodePage932;
        case MemberText::Binary:
            break;
    }
    return Encoding::None;
}

std::size_t UnitBytesOf(Encoding encoding) {
    return encoding == Encoding::Utf16 ? 2 : 1;
}

// Appends the view of the units of `bytes` to `view`. Returns how many bytes the units take:
// unless `last`, a unit or character that the next piece may complete is left out.
std::size_t AppendView(Encoding encoding, const unsigned char* bytes, std::size_t size, bool last,
                       std::string& view) {
    const std::size_t start = view.size();
    view.resize(start + size);
    unsigned char* out = reinterpret_cast<unsigned char*>(&view[start]);
    std::size_t used = 0;
    std::size_t units = 0;
    if (encoding == Encoding::Utf16) {
        bool afterHigh = false;
        for (; used + 1 < size; used += 2) {
            const unsigned unit = bytes[used] | (bytes[used + 1] << 8);
            const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
            out[units++] = unit < 0x80        ? static_cast<unsigned char>(unit)
                           : low && afterHigh ? kContinuation
                                              : kCharStart;
            afterHigh = unit >= 0xD800 && unit <= 0xDBFF;
        }
    } else if (encoding == Encoding::Utf8) {
        for (; used < size; ++used) {
            const unsigned char byte = bytes[used];
            out[units++] = byte < 0x80 ? byte : byte < 0xC0 ? kContinuation : kCharStart;
        }
    } else {
        while (used < size) {
            const unsigned char byte = bytes[used];
            if (!IsCodePage932Lead(byte)) {
                out[units++] = byte < 0x80 ? byte : kCharStart;
                ++used;
            } else if (used + 1 < size && IsCodePage932Trail(bytes[used + 1])) {
                out[units++] = kCharStart;
                out[units++] = kContinuation;
                used += 2;
            } else if (used + 1 == size && !last) {
                break;
            } else {
                out[units++] = kCharStart;
                ++used;
            }
        }
    }
    view.resize(start + units);
    return used;
}

std::u16string Widened(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A MAC address's stand-in with the separator and the letter case of the original.
std::u16string InStyleOf(const std::u16string& original, std::u16string standIn) {
    const auto letter =
        std::find_if(original.begin(), original.end(), [](char16_t c) { return IsAsciiLetter(c); });
    const bool upper = letter != original.end() && *letter <= u'Z';
    for (char16_t& c : standIn) {
        if (c == u'-') {
            c = original[2];
        } else if (upper && c >= u'a' && c <= u'f') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return standIn;
}

bool HasOnlyText(const std::u16string& text) {
    return IsWellFormedUtf16(text) &&
           std::none_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

bool LooksLikeUtf16(const unsigned char* head, std::size_t size, bool isWhole) {
    if (size < 2 || (isWhole && size % 2 != 0)) {
        return false;
    }
    std::size_t zeroHigh = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        if (head[i + 1] != 0) {
            continue;
        }
        const unsigned char low = head[i];
        if (low < 0x20 && low != '\t' && low != '\n' && low != '\r' && low != '\f') {
            return false;  // U+0000 or a control that text does not hold: 16-bit binary data
        }
        ++zeroHigh;
    }
    return (head[0] == '<' && head[1] == 0) || zeroHigh * 10 >= (size / 2) * 3;
}

// The length of `size` without a multi-byte character that the head cuts off.
std::size_t WithoutCutUtf8(const unsigned char* head, std::size_t size) {
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const unsigned char byte = head[size - back];
        if (byte >= 0xC0) {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
            return length > back ? size - back : size;
        }
        if (byte < 0x80) {
            break;
        }
    }
    return size;
}

bool IsUtf8Text(const unsigned char* head, std::size_t size, bool isWhole) {
    const std::size_t checked = isWhole ? size : WithoutCutUtf8(head, size);
    std::u16string ignored;
    return Utf16OfUtf8(reinterpret_cast<const char*>(head), checked, ignored);
}

bool IsCodePage932Text(const unsigned char* head, std::size_t size, bool isWhole) {
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char byte = head[i];
        if (byte == 0x80 || byte == 0xA0 || byte > 0xFC) {
            return false;
        }
        if (IsCodePage932Lead(byte)) {
            if (i + 1 == size) {
                return !isWhole;
            }
            if (!IsCodePage932Trail(head[++i])) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

MemberText DetectMemberText(const char* head, std::size_t size, bool isWhole) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(head);
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return MemberText::Utf16WithMark;
    }
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        return MemberText::Utf8WithMark;
    }
    if (LooksLikeUtf16(bytes, size, isWhole)) {
        return MemberText::Utf16;
    }
    if (std::memchr(head, 0, size) != nullptr) {
        return MemberText::Binary;
    }
    if (IsUtf8Text(bytes, size, isWhole)) {
        return MemberText::Utf8;
    }
    return IsCodePage932Text(bytes, size, isWhole) ? MemberText::CodePage932 : MemberText::Binary;
}

class MemberMasker::Scanner {
public:
    Scanner(MaskMap& map, MemberText text, bool versions, const ITextDecoder* decoder);
    void Feed(const char* data, std::size_t size, bool last, std::string& out);

private:
    // A name of the map in the member's encoding: its view and its units, ASCII in lower case.
    struct Pattern {
        MaskKind kind;
        std::u16string original;
        std::u16string lower;
        std::string view;
        std::vector<std::uint16_t> units;
    };
    // A value found at a unit; `replace` is false for a stand-in, which stays.
    struct Found {
        std::size_t length = 0;
        MaskKind kind = MaskKind::Host;
        bool replace = false;
        std::u16string original;
        std::u16string key;
    };

    void AddPattern(const MaskMap::Name& name);
    std::string EncodedName(const MaskMap::Name& name) const;
    static int BucketOf(unsigned char view, std::uint16_t unit);

    std::uint16_t Unit(std::size_t i) const;
    const char* Chars(std::size_t i) const { return reinterpret_cast<const char*>(m_v + i); }
    std::u16string AsciiText(std::size_t begin, std::size_t end) const;
    // Whether the view at `at` holds `lower` ignoring ASCII case; moves `at` past it if so.
    template <typename Char>
    bool AsciiAt(std::size_t& at, const Char* lower) const {
        std::size_t i = 0;
        for (; lower[i] != 0; ++i) {
            if (AsciiLower(m_v[at + i]) != static_cast<unsigned>(lower[i])) {
                return false;
            }
        }
        at += i;
        return true;
    }
    std::size_t BuildView(bool last);
    void EmitUnits(std::size_t begin, std::size_t end, std::string& out) const;
    void EmitStandIn(const Found& found, const std::u16string& standIn, std::string& out) const;

    std::size_t Scan(std::size_t begin, std::size_t limit, std::string& out);
    bool MayStart(std::size_t i) const;
    bool WouldJoinLoneLead(std::size_t i, MaskKind kind) const;
    Found MatchAt(std::size_t i) const;
    Found TokenAt(std::size_t i) const;
    Found AddressOrStandInAt(std::size_t i) const;
    bool TokenWithin(std::size_t begin, std::size_t end) const;
    Found Address(std::size_t begin, std::size_t end, MaskKind kind, const std::string& key,
                  bool neighboursAllow) const;
    Found IPv4At(std::size_t i) const;
    Found IPv6At(std::size_t i) const;
    Found MacAt(std::size_t i) const;
    Found StandInNameAt(std::size_t i) const;
    bool IsLabelBefore(std::size_t separator) const;
    bool EndsName(std::size_t end, MaskKind kind) const;
    Found NameAt(std::size_t i) const;
    bool HoldsPattern(const Pattern& pattern, std::size_t i) const;
    Found ProfileNameAt(std::size_t i) const;
    bool IsProfileAt(std::size_t name) const;
    bool EndsProfileNameAt(std::size_t i) const;
    bool ProfileOriginal(std::size_t begin, std::size_t end, std::u16string& original) const;

    MaskMap& m_map;
    const Encoding m_encoding;
    const std::size_t m_unitBytes;
    const bool m_versions;
    const ITextDecoder* const m_decoder;
    std::vector<Pattern> m_patterns;
    std::vector<std::size_t> m_buckets[256];  // patterns by their first unit, longest first
    bool m_starts[256] = {};                  // views at which some value may begin
    std::string m_pending;   // the units not yet final, after some that are, for look-behind
    std::size_t m_done = 0;  // bytes of m_pending already given out
    bool m_atStart = true;   // m_pending begins the member
    // kLookBehind units of NUL before m_pending's first unit, so that looking back from the
    // member's start stays inside; positions in the scan count from here.
    std::string m_view;
    const unsigned char* m_v = nullptr;
    // Where the last name that was replaced ended: what follows reads it as its stand-in will
    // read once masked, so that masking masked text changes nothing.
    std::size_t m_nameEnd = 0;
    // Where the last value ended: a stand-in ends in a letter or digit, so none begins there.
    std::size_t m_matchEnd = 0;
    // Where the last replacement ended: no profile path is read through it.
    std::size_t m_replacedEnd = 0;
};

MemberMasker::Scanner::Scanner(MaskMap& map, MemberText text, bool versions,
                               const ITextDecoder* decoder)
    : m_map(map),
      m_encoding(EncodingOf(text)),
      m_unitBytes(UnitBytesOf(m_encoding)),
      m_versions(versions),
      m_decoder(decoder) {
    for (const MaskMap::Name& name : map.Names()) {
        AddPattern(name);
    }
    for (std::vector<std::size_t>& bucket : m_buckets) {
        std::stable_sort(bucket.begin(), bucket.end(), [this](std::size_t a, std::size_t b) {
            return m_patterns[a].view.size() > m_patterns[b].view.size();
        });
    }
    for (unsigned c = 0; c < 0x80; ++c) {
        m_starts[c] = m_starts[c] || IsAsciiHex(c) || c == ':' || AsciiLower(c) == 'h' ||
                      AsciiLower(c) == 'u';
    }
}

void MemberMasker::Scanner::AddPattern(const MaskMap::Name& name) {
    const std::string bytes = EncodedName(name);
    Pattern pattern{name.kind, name.original, name.lower, {}, {}};
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.empty() ||
        AppendView(m_encoding, data, bytes.size(), true, pattern.view) != bytes.size() ||
        pattern.view.size() > kMaxNameUnits) {
        return;
    }
    for (std::size_t i = 0; i < pattern.view.size(); ++i) {
        const std::uint16_t unit =
            m_unitBytes == 2 ? static_cast<std::uint16_t>(data[2 * i] | (data[2 * i + 1] << 8))
                             : data[i];
        const bool ascii = static_cast<unsigned char>(pattern.view[i]) < 0x80;
        pattern.units.push_back(ascii ? static_cast<std::uint16_t>(AsciiLower(unit)) : unit);
        if (ascii) {
            pattern.view[i] = static_cast<char>(AsciiLower(unit));
        }
    }
    const unsigned char first = static_cast<unsigned char>(pattern.view[0]);
    const int bucket = BucketOf(first, pattern.units[0]);
    if (bucket < 0) {
        return;
    }
    m_buckets[bucket].push_back(m_patterns.size());
    m_starts[first < 0x80 ? first : kCharStart] = true;
    if (first < 0x80) {
        m_starts[first >= 'a' && first <= 'z' ? first - 'a' + 'A' : first] = true;
    }
    m_patterns.push_back(std::move(pattern));
}

std::string MemberMasker::Scanner::EncodedName(const MaskMap::Name& name) const {
    const bool ascii =
        std::all_of(name.lower.begin(), name.lower.end(), [](char16_t c) { return c < 0x80; });
    switch (m_encoding) {
        case Encoding::Utf16: {
            std::string bytes;
            for (const char16_t unit : name.lower) {
                bytes += static_cast<char>(unit & 0xFF);
                bytes += static_cast<char>(unit >> 8);
            }
            return bytes;
        }
        case Encoding::Utf8:
            return Utf8Of(name.lower);
        case Encoding::CodePage932:
            return ascii ? Utf8Of(name.lower) : name.codePage932;
        case Encoding::None:
            break;
    }
    return {};
}

int MemberMasker::Scanner::BucketOf(unsigned char view, std::uint16_t unit) {
    if (view < 0x80) {
        return static_cast<int>(AsciiLower(view));
    }
    return view == kCharStart ? 0x80 | (unit & 0x7F) : -1;
}

std::uint16_t MemberMasker::Scanner::Unit(std::size_t i) const {
    const unsigned char* bytes =
        reinterpret_cast<const unsigned char*>(m_pending.data()) + (i - kLookBehind) * m_unitBytes;
    return m_unitBytes == 2 ? static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)) : bytes[0];
}

std::u16string MemberMasker::Scanner::AsciiText(std::size_t begin, std::size_t end) const {
    return std::u16string(m_v + begin, m_v + end);
}

std::size_t MemberMasker::Scanner::BuildView(bool last) {
    m_view.assign(kLookBehind, '\0');
    const std::size_t bytes =
        AppendView(m_encoding, reinterpret_cast<const unsigned char*>(m_pending.data()),
                   m_pending.size(), last, m_view);
    // Past the end, a member that ends reads as NUL characters; one that goes on is never read
    // this far, as the scan stops kLookAhead units before.
    m_view.append(kLookAhead + 2, '\0');
    m_v = reinterpret_cast<const unsigned char*>(m_view.data());
    return bytes / m_unitBytes;
}

void MemberMasker::Scanner::Feed(const char* data, std::size_t size, bool last, std::string& out) {
    if (m_encoding == Encoding::None) {
        out.append(data, size);
        return;
    }
    m_pending.append(data, size);
    if (!last && m_pending.size() < m_done + (kLookAhead + 2) * m_unitBytes) {
        return;
    }
    const std::size_t units = BuildView(last);
    const std::size_t begin = kLookBehind + m_done / m_unitBytes;
    const std::size_t limit = kLookBehind + (last ? units : units - kLookAhead);
    const std::size_t stop = Scan(begin, std::max(begin, limit), out) - kLookBehind;
    if (last) {
        out.append(m_pending, stop * m_unitBytes, std::string::npos);
        m_pending.clear();
        m_done = 0;
        m_atStart = true;
        m_nameEnd = 0;
        m_matchEnd = 0;
        m_replacedEnd = 0;
        return;
    }
    std::size_t keep = stop > kLookBehind ? stop - kLookBehind : 0;
    if (keep > 0 && m_v[kLookBehind + keep] == kContinuation) {
        --keep;  // the carried units begin with a whole character
    }
    m_pending.erase(0, keep * m_unitBytes);
    m_nameEnd = m_nameEnd >= kLookBehind + keep ? m_nameEnd - keep : 0;
    m_matchEnd = m_matchEnd >= kLookBehind + keep ? m_matchEnd - keep : 0;
    m_replacedEnd = m_replacedEnd >= kLookBehind + keep ? m_replacedEnd - keep : 0;
    m_done = (stop - keep) * m_unitBytes;
    m_atStart = m_atStart && keep == 0;
}

std::size_t MemberMasker::Scanner::Scan(std::size_t begin, std::size_t limit, std::string& out) {
    std::size_t copied = begin;
    std::size_t i = begin;
    while (i < limit) {
        if (!MayStart(i)) {
            ++i;
            continue;
        }
        const Found found = MatchAt(i);
        if (found.length == 0) {
            ++i;
            continue;
        }
        const std::u16string* standIn =
            found.replace && !WouldJoinLoneLead(i, found.kind)
                ? m_map.StandInFor(found.kind, found.original, found.key)
                : nullptr;
        if (standIn != nullptr) {
            EmitUnits(copied, i, out);
            EmitStandIn(found, *standIn, out);
            m_map.CountReplacement(found.kind);
            copied = i + found.length;
            const bool name = found.kind == MaskKind::Host || found.kind == MaskKind::Domain ||
                              found.kind == MaskKind::User;
            m_nameEnd = name ? copied : m_nameEnd;
            m_replacedEnd = copied;
        }
        i += found.length;
        m_matchEnd = i;
    }
    EmitUnits(copied, i, out);
    return i;
}

void MemberMasker::Scanner::EmitUnits(std::size_t begin, std::size_t end, std::string& out) const {
    out.append(m_pending, (begin - kLookBehind) * m_unitBytes, (end - begin) * m_unitBytes);
}

void MemberMasker::Scanner::EmitStandIn(const Found& found, const std::u16string& standIn,
                                        std::string& out) const {
    const std::u16string text =
        found.kind == MaskKind::Mac ? InStyleOf(found.original, standIn) : standIn;
    for (const char16_t c : text) {
        out += static_cast<char>(c);
        if (m_unitBytes == 2) {
            out += '\0';
        }
    }
}

// A code page 932 lead byte without its trail takes a letter after it as the trail: a stand-in
// that begins with one would change how the bytes after it read.
bool MemberMasker::Scanner::WouldJoinLoneLead(std::size_t i, MaskKind kind) const {
    return m_encoding == Encoding::CodePage932 && m_v[i - 1] == kCharStart &&
           IsCodePage932Lead(static_cast<unsigned char>(Unit(i - 1))) && kind != MaskKind::IPv4 &&
           kind != MaskKind::Mac;
}

bool MemberMasker::Scanner::MayStart(std::size_t i) const {
    const unsigned char before = m_v[i - 1];
    return !IsAlnum(before) && (m_starts[m_v[i]] || IsSeparator(before)) && i != m_matchEnd;
}

// Addresses and stand-ins first: a name never cuts into them.
MemberMasker::Scanner::Found MemberMasker::Scanner::MatchAt(std::size_t i) const {
    Found token = TokenAt(i);
    if (token.length > 0 || IsWord(m_v[i - 1])) {
        return token;
    }
    return NameAt(i);
}

// An address that would cut into a stand-in stays: the stand-in has replaced what followed it
// first, so it was no address before.
MemberMasker::Scanner::Found MemberMasker::Scanner::TokenAt(std::size_t i) const {
    Found token = AddressOrStandInAt(i);
    for (std::size_t j = i + 1; token.replace && j < i + token.length; ++j) {
        if (!IsAlnum(m_v[j - 1])) {
            const Found inside = AddressOrStandInAt(j);
            if (inside.length > 0 && !inside.replace) {
                return {};
            }
        }
    }
    return token;
}

MemberMasker::Scanner::Found MemberMasker::Scanner::AddressOrStandInAt(std::size_t i) const {
    Found best;
    const auto consider = [&best](Found found) {
        if (found.length > best.length) {
            best = std::move(found);
        }
    };
    const unsigned char c = m_v[i];
    if (!m_versions && IsAsciiDigit(c)) {
        consider(IPv4At(i));
    }
    if (IsAsciiHex(c) || c == ':') {
        consider(IPv6At(i));
        consider(MacAt(i));
    }
    if (IsAsciiLetter(c) && !IsWord(m_v[i - 1])) {
        consider(StandInNameAt(i));
    }
    return best;
}

bool MemberMasker::Scanner::TokenWithin(std::size_t begin, std::size_t end) const {
    for (std::size_t j = begin + 1; j < end; ++j) {
        if (!IsAlnum(m_v[j - 1]) && TokenAt(j).length > 0) {
            return true;
        }
    }
    return false;
}

// An address where its neighbours allow one, or a stand-in of the map anywhere: a neighbour that
// a stand-in replaced must not hide a stand-in when masked text is masked again.
MemberMasker::Scanner::Found MemberMasker::Scanner::Address(std::size_t begin, std::size_t end,
                                                            MaskKind kind, const std::string& key,
                                                            bool neighboursAllow) const {
    if (!neighboursAllow && !m_map.IsStandIn(kind, Widened(key))) {
        return {};
    }
    Found found;
    found.length = end - begin;
    found.kind = kind;
    found.key = Widened(key);
    found.replace = !m_map.IsStandIn(kind, found.key);
    found.original = AsciiText(begin, end);
    return found;
}

MemberMasker::Scanner::Found MemberMasker::Scanner::IPv4At(std::size_t i) const {
    if (IsAlnum(m_v[i - 1])) {
        return {};
    }
    std::size_t end = i;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0 && m_v[end++] != '.') {
            return {};
        }
        std::size_t digits = 0;
        while (digits < 4 && IsAsciiDigit(m_v[end + digits])) {
            ++digits;
        }
        if (digits == 0 || digits > 3) {
            return {};
        }
        end += digits;
    }
    std::uint32_t address = 0;
    if (IsAlnum(m_v[end]) || !ParseIPv4(Chars(i), end - i, address) || !IsMaskedIPv4(address)) {
        return {};
    }
    const bool longerNumber = (m_v[i - 1] == '.' && IsAsciiDigit(m_v[i - 2])) ||
                              (m_v[end] == '.' && IsAsciiDigit(m_v[end + 1]));
    return Address(i, end, MaskKind::IPv4, IPv4Text(address), !longerNumber);
}

MemberMasker::Scanner::Found MemberMasker::Scanner::IPv6At(std::size_t i) const {
    const unsigned char before = m_v[i - 1];
    if (IsAlnum(before)) {
        return {};
    }
    std::size_t end = i;
    while (end - i <= kMaxIPv6Run && IsIPv6Char(m_v[end])) {
        ++end;
    }
    if (end - i > kMaxIPv6Run || IsAlnum(m_v[end])) {
        return {};
    }
    IPv6Address address{};
    if (!ParseIPv6(Chars(i), end - i, address)) {
        if (m_v[end - 1] != '.' && m_v[end - 1] != ':') {
            return {};
        }
        --end;  // the full stop or colon after an address
        if (!ParseIPv6(Chars(i), end - i, address)) {
            return {};
        }
    }
    const char* text = Chars(i);
    const bool compressed = std::search_n(text, text + (end - i), 2, ':') != text + (end - i);
    const bool digit = std::any_of(
        text, text + (end - i), [](char c) { return IsAsciiDigit(static_cast<unsigned char>(c)); });
    if (!IsMaskedIPv6(address) || (compressed && !digit)) {
        return {};
    }
    const bool inside = before == '.' || (before == ':' && !IsLabelBefore(i - 1));
    return Address(i, end, MaskKind::IPv6, IPv6Text(address), !inside);
}

MemberMasker::Scanner::Found MemberMasker::Scanner::MacAt(std::size_t i) const {
    const unsigned char before = m_v[i - 1];
    std::string digits;
    const std::size_t end = i + 17;
    const unsigned char after = m_v[end];
    if (IsAlnum(before) || (m_v[i + 2] != '-' && m_v[i + 2] != ':') ||
        !ParseMac(Chars(i), 17, digits) || IsAlnum(after) || !IsMaskedMac(digits)) {
        return {};
    }
    const bool longer = ((before == '-' || before == ':') && !IsLabelBefore(i - 1)) ||
                        ((after == '-' || after == ':') && IsAlnum(m_v[end + 1]));
    return Address(i, end, MaskKind::Mac, digits, !longer);
}

MemberMasker::Scanner::Found MemberMasker::Scanner::StandInNameAt(std::size_t i) const {
    struct Form {
        const char* prefix;
        const char* suffix;
        MaskKind kind;
    };
    static const Form kForms[] = {{"host", "", MaskKind::Host},
                                  {"user", "", MaskKind::User},
                                  {"domain", ".example", MaskKind::Domain}};
    for (const Form& form : kForms) {
        std::size_t end = i;
        if (!AsciiAt(end, form.prefix)) {
            continue;
        }
        std::size_t digits = 0;
        while (digits <= 10 && IsAsciiDigit(m_v[end + digits])) {
            ++digits;
        }
        end += digits;
        if (digits == 0 || digits > 10 || !AsciiAt(end, form.suffix) || IsWord(m_v[end])) {
            continue;
        }
        if (m_map.IsStandIn(form.kind, LowerAscii(AsciiText(i, end)))) {
            Found found;
            found.length = end - i;
            found.kind = form.kind;
            return found;
        }
    }
    return {};
}

// Whether the separator at `separator` ends a label such as "MAC:" rather than a group of the
// address that goes on before it.
bool MemberMasker::Scanner::IsLabelBefore(std::size_t separator) const {
    if (separator == m_nameEnd) {
        return true;  // as "user0001:" is
    }
    std::size_t run = 0;
    bool hexOnly = true;
    while (run < 5 && IsAlnum(m_v[separator - 1 - run])) {
        hexOnly = hexOnly && IsAsciiHex(m_v[separator - 1 - run]);
        ++run;
    }
    return run > 0 && (run == 5 || !hexOnly);
}

bool MemberMasker::Scanner::EndsName(std::size_t end, MaskKind kind) const {
    return !IsWord(m_v[end]) &&
           !(kind == MaskKind::Domain && m_v[end] == '.' && IsWord(m_v[end + 1]));
}

MemberMasker::Scanner::Found MemberMasker::Scanner::NameAt(std::size_t i) const {
    Found best;
    if (IsAsciiDigit(m_v[i]) && m_v[i - 1] == '.' && IsAsciiDigit(m_v[i - 2])) {
        return best;  // part of a dotted number, as in 10.0.17763.1
    }
    const int bucket = BucketOf(m_v[i], m_v[i] >= 0x80 ? Unit(i) : 0);
    for (std::size_t index = 0; bucket >= 0 && index < m_buckets[bucket].size(); ++index) {
        const Pattern& pattern = m_patterns[m_buckets[bucket][index]];
        const std::size_t end = i + pattern.view.size();
        if (HoldsPattern(pattern, i) && EndsName(end, pattern.kind) && !TokenWithin(i, end)) {
            best.length = pattern.view.size();
            best.kind = pattern.kind;
            best.replace = true;
            best.original = pattern.original;
            best.key = pattern.lower;
            break;
        }
    }
    if (IsSeparator(m_v[i - 1])) {
        Found profile = ProfileNameAt(i);
        if (profile.length > best.length) {
            return profile;
        }
    }
    return best;
}

bool MemberMasker::Scanner::HoldsPattern(const Pattern& pattern, std::size_t i) const {
    for (std::size_t k = 0; k < pattern.view.size(); ++k) {
        const unsigned char view = static_cast<unsigned char>(AsciiLower(m_v[i + k]));
        if (view != static_cast<unsigned char>(pattern.view[k]) ||
            (view >= 0x80 && Unit(i + k) != pattern.units[k])) {
            return false;
        }
    }
    return true;
}

// A profile path's name that is not replaced stays whole (a built-in name, an environment
// variable, one that is too long or unreadable): what is masked inside or right after it
// could make it a name that masking masked text would then replace.
MemberMasker::Scanner::Found MemberMasker::Scanner::ProfileNameAt(std::size_t i) const {
    if (!IsProfileAt(i)) {
        return {};
    }
    Found kept;
    kept.kind = MaskKind::User;
    for (const char16_t* builtIn : kBuiltInAccounts) {
        std::size_t end = i;
        if (AsciiAt(end, builtIn) && (EndsProfileNameAt(end) || m_v[end] == '.')) {
            kept.length = end - i;  // also Default.migrated, which an upgrade of Windows leaves
            return kept;
        }
    }
    std::size_t end = i;
    bool tooLong = false;
    for (std::size_t characters = 0; !EndsProfileNameAt(end) && !tooLong; ++end) {
        tooLong = (m_v[end] != kContinuation && ++characters > kMaxProfileNameChars) ||
                  end - i >= kMaxNameUnits;
    }
    if (end == i || TokenWithin(i, end)) {
        return {};
    }
    kept.length = end - i;
    std::size_t nameEnd = end;
    while (nameEnd > i && m_v[nameEnd - 1] == '.') {
        --nameEnd;
    }
    Found found;
    if (tooLong || nameEnd == i || !ProfileOriginal(i, nameEnd, found.original) ||
        (found.original.size() >= 2 && found.original.front() == u'%' &&
         found.original.back() == u'%')) {
        return kept;  // %USERNAME% names nobody
    }
    found.key = LowerAscii(found.original);
    if (IsBuiltInAccount(found.key)) {
        return kept;
    }
    found.length = nameEnd - i;
    found.kind = MaskKind::User;
    found.replace = !m_map.IsStandIn(MaskKind::User, found.key);
    return found;
}

// Whether "<drive>:\Users\" ends right before `name`, either slash, one or two of them (as in
// escaped text).
bool MemberMasker::Scanner::IsProfileAt(std::size_t name) const {
    std::size_t at = name;
    const auto separators = [this, &at]() {
        std::size_t count = 0;
        while (count < 2 && IsSeparator(m_v[at - 1])) {
            --at;
            ++count;
        }
        return count > 0;
    };
    if (!separators()) {
        return false;
    }
    at -= 5;
    std::size_t users = at;
    if (!AsciiAt(users, "users") || !separators() || m_v[at - 1] != ':' ||
        !IsAsciiLetter(m_v[at - 2])) {
        return false;
    }
    const unsigned char before = m_v[at - 3];
    return !IsWord(before) && before != ':' && before != '.' && m_replacedEnd <= at - 3;
}

bool MemberMasker::Scanner::EndsProfileNameAt(std::size_t i) const {
    const unsigned char view = m_v[i];
    if (view < 0x80) {
        return EndsProfileName(view);
    }
    if (view == kContinuation) {
        return false;
    }
    const std::uint16_t unit = Unit(i);
    if (m_encoding == Encoding::CodePage932) {
        const std::uint16_t character = m_v[i + 1] == kContinuation
                                            ? static_cast<std::uint16_t>(unit << 8 | Unit(i + 1))
                                            : unit;
        return std::find(std::begin(kCodePage932NameEnds), std::end(kCodePage932NameEnds),
                         character) != std::end(kCodePage932NameEnds);
    }
    if (m_encoding == Encoding::Utf16) {
        return EndsProfileName(unit);
    }
    const bool threeBytes =
        unit >= 0xE0 && unit < 0xF0 && m_v[i + 1] == kContinuation && m_v[i + 2] == kContinuation;
    return threeBytes &&
           EndsProfileName(static_cast<char16_t>((unit & 0x0F) << 12 | (Unit(i + 1) & 0x3F) << 6 |
                                                 (Unit(i + 2) & 0x3F)));
}

bool MemberMasker::Scanner::ProfileOriginal(std::size_t begin, std::size_t end,
                                            std::u16string& original) const {
    original.clear();
    if (m_encoding == Encoding::Utf16) {
        for (std::size_t i = begin; i < end; ++i) {
            original += static_cast<char16_t>(Unit(i));
        }
        return IsWellFormedUtf16(original);
    }
    const std::string bytes = m_pending.substr(begin - kLookBehind, end - begin);
    if (m_encoding == Encoding::Utf8 ||
        std::all_of(m_v + begin, m_v + end, [](unsigned char c) { return c < 0x80; })) {
        return Utf16OfUtf8(bytes.data(), bytes.size(), original);
    }
    for (const Pattern& pattern : m_patterns) {
        if (pattern.kind == MaskKind::User && pattern.view.size() == end - begin &&
            HoldsPattern(pattern, begin)) {
            original = pattern.original;
            return true;
        }
    }
    if (m_decoder == nullptr) {
        return false;
    }
    original = m_decoder->Decode(bytes, 932);
    return !original.empty() && HasOnlyText(original);
}

MemberMasker::MemberMasker(MaskMap& map, MemberText text, bool dottedNumbersAreVersions,
                           const ITextDecoder* codePage932)
    : m_scanner(std::make_unique<Scanner>(map, text, dottedNumbersAreVersions, codePage932)) {}

MemberMasker::~MemberMasker() = default;
MemberMasker::MemberMasker(MemberMasker&&) noexcept = default;
MemberMasker& MemberMasker::operator=(MemberMasker&&) noexcept = default;

void MemberMasker::Feed(const char* data, std::size_t size, bool last, std::string& out) {
    m_scanner->Feed(data, size, last, out);
}

}  // namespace qeb
