#include "archive/TextMasking.h"

#include <algorithm>
#include <cstring>

#include "archive/MaskForms.h"
#include "text/CodePage932.h"
#include "text/EucJp.h"
#include "text/TextDecoder.h"

namespace qeb {
namespace {

enum class Encoding { Utf16, Utf16BigEndian, Utf8, CodePage932, EucJp, Mixed, None };

// How a unit of a member is encoded, per line in a member of UTF-8 and code page 932 lines.
constexpr char kAnyMode = 0;
constexpr char kUtf8Mode = 'u';
constexpr char kCodePage932Mode = 's';
// A line of a mixed member longer than this is judged in parts.
constexpr std::size_t kMaxMixedLine = 64 << 10;

// The scanner sees every unit of a member as one byte: an ASCII character as itself, any other
// unit as the start of a character or as the rest of one. Trail bytes of code page 932 that
// look like ASCII thus never pass for it.
constexpr unsigned char kCharStart = 0x80;
constexpr unsigned char kContinuation = 0x81;

// What a decision at one unit may look at: before it, "C:\\Users\\", "バージョン: " in UTF-8 and
// an address's neighbours; after it, the longest name and a token that it must not cut.
constexpr std::size_t kLookBehind = 32;
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

Encoding EncodingOf(TextForm text) {
    switch (text) {
        case TextForm::Utf16WithMark:
        case TextForm::Utf16:
            return Encoding::Utf16;
        case TextForm::Utf16BigEndian:
            return Encoding::Utf16BigEndian;
        case TextForm::Utf8WithMark:
        case TextForm::Utf8:
            return Encoding::Utf8;
        case TextForm::CodePage932:
            return Encoding::CodePage932;
        case TextForm::EucJp:
            return Encoding::EucJp;
        case TextForm::Utf8AndCodePage932:
            return Encoding::Mixed;
        case TextForm::Binary:
            break;
    }
    return Encoding::None;
}

std::size_t UnitBytesOf(Encoding encoding) {
    return encoding == Encoding::Utf16 || encoding == Encoding::Utf16BigEndian ? 2 : 1;
}

std::uint16_t Utf16Unit(const unsigned char* bytes, bool bigEndian) {
    return static_cast<std::uint16_t>(bigEndian ? bytes[0] << 8 | bytes[1]
                                                : bytes[0] | bytes[1] << 8);
}

std::size_t AppendUtf16View(const unsigned char* bytes, std::size_t size, bool bigEndian,
                            unsigned char* out) {
    std::size_t used = 0;
    std::size_t units = 0;
    bool afterHigh = false;
    for (; used + 1 < size; used += 2) {
        const unsigned unit = Utf16Unit(bytes + used, bigEndian);
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        out[units++] = unit < 0x80        ? static_cast<unsigned char>(unit)
                       : low && afterHigh ? kContinuation
                                          : kCharStart;
        afterHigh = unit >= 0xD800 && unit <= 0xDBFF;
    }
    return used;
}

std::size_t AppendUtf8View(const unsigned char* bytes, std::size_t size, unsigned char* out) {
    for (std::size_t used = 0; used < size; ++used) {
        const unsigned char byte = bytes[used];
        out[used] = byte < 0x80 ? byte : byte < 0xC0 ? kContinuation : kCharStart;
    }
    return size;
}

// Both views of two-byte encodings: `TrailCount` tells how many bytes follow a lead, 0 when
// the byte stands alone; a lead without its trail is a character of its own.
template <typename TrailCount, typename IsTrail>
std::size_t AppendDoubleByteView(const unsigned char* bytes, std::size_t size, bool last,
                                 unsigned char* out, std::size_t& units, TrailCount trailCount,
                                 IsTrail isTrail) {
    std::size_t used = 0;
    while (used < size) {
        const unsigned char byte = bytes[used];
        const std::size_t trail = trailCount(byte);
        std::size_t have = 0;
        while (have < trail && used + 1 + have < size && isTrail(byte, bytes[used + 1 + have])) {
            ++have;
        }
        if (have < trail && used + 1 + have == size && !last) {
            break;
        }
        out[units++] = byte < 0x80 ? byte : kCharStart;
        for (std::size_t k = 0; k < (have == trail ? trail : 0); ++k) {
            out[units++] = kContinuation;
        }
        used += have == trail ? 1 + trail : 1;
    }
    return used;
}

std::size_t AppendCodePage932View(const unsigned char* bytes, std::size_t size, bool last,
                                  unsigned char* out, std::size_t& units) {
    return AppendDoubleByteView(
        bytes, size, last, out, units,
        [](unsigned char byte) -> std::size_t { return IsCodePage932Lead(byte) ? 1 : 0; },
        [](unsigned char, unsigned char trail) { return IsCodePage932Trail(trail); });
}

std::size_t AppendEucJpView(const unsigned char* bytes, std::size_t size, bool last,
                            unsigned char* out, std::size_t& units) {
    return AppendDoubleByteView(
        bytes, size, last, out, units,
        [](unsigned char byte) -> std::size_t {
            return byte == 0x8F ? 2 : byte == 0x8E || (byte >= 0xA1 && byte <= 0xFE) ? 1 : 0;
        },
        [](unsigned char lead, unsigned char trail) {
            return trail >= 0xA1 && trail <= (lead == 0x8E ? 0xDF : 0xFE);
        });
}

// The length of `size` without a multi-byte character that the end cuts off.
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

bool IsUtf8Line(const unsigned char* bytes, std::size_t size, bool cutAllowed) {
    for (std::size_t i = 0; i < size;) {
        const std::size_t length = Utf8SequenceAt(bytes + i, size - i);
        if (length == kUtf8Cut) {
            return cutAllowed;
        }
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

// Line by line, each as UTF-8 when it is well formed and as code page 932 otherwise; `modes`
// gets the mode of every unit.
std::size_t AppendMixedView(const unsigned char* bytes, std::size_t size, bool last,
                            unsigned char* out, std::size_t& units, std::string& modes) {
    std::size_t used = 0;
    while (used < size) {
        const unsigned char* line = bytes + used;
        const void* newline = std::memchr(line, '\n', size - used);
        std::size_t length = newline != nullptr
                                 ? static_cast<const unsigned char*>(newline) - line + 1
                                 : size - used;
        const bool whole = newline != nullptr || last;
        if (!whole && length < kMaxMixedLine) {
            break;
        }
        const std::size_t start = units;
        if (IsUtf8Line(line, length, !whole)) {
            length = whole ? length : std::min(length, WithoutCutUtf8(line, length));
            units += AppendUtf8View(line, length, out + units);
            modes.append(units - start, kUtf8Mode);
        } else {
            length = AppendCodePage932View(line, length, whole, out, units);
            modes.append(units - start, kCodePage932Mode);
        }
        used += length;
        if (length == 0) {
            break;
        }
    }
    return used;
}

// Appends the view of the units of `bytes` to `view`, and for a mixed member the mode of each
// to `modes`. Returns how many bytes the units take: unless `last`, a unit or character that
// the next piece may complete is left out.
std::size_t AppendView(Encoding encoding, const unsigned char* bytes, std::size_t size, bool last,
                       std::string& view, std::string* modes = nullptr) {
    const std::size_t start = view.size();
    view.resize(start + size);
    unsigned char* out = reinterpret_cast<unsigned char*>(&view[start]);
    std::size_t used = 0;
    std::size_t units = 0;
    std::string ignored;
    switch (encoding) {
        case Encoding::Utf16:
        case Encoding::Utf16BigEndian:
            used = AppendUtf16View(bytes, size, encoding == Encoding::Utf16BigEndian, out);
            units = used / 2;
            break;
        case Encoding::Utf8:
            units = used = AppendUtf8View(bytes, size, out);
            break;
        case Encoding::CodePage932:
            used = AppendCodePage932View(bytes, size, last, out, units);
            break;
        case Encoding::EucJp:
            used = AppendEucJpView(bytes, size, last, out, units);
            break;
        case Encoding::Mixed:
            used = AppendMixedView(bytes, size, last, out, units, modes ? *modes : ignored);
            break;
        case Encoding::None:
            break;
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

// The code page 932 code of an EUC-JP character of one or two bytes.
std::uint16_t CodePage932OfEucJp(std::uint16_t character) {
    char bytes[3] = {static_cast<char>(character >> 8), static_cast<char>(character & 0xFF), 0};
    char* text = character > 0xFF ? bytes : bytes + 1;
    EucJpToShiftJis(text);
    const unsigned char* converted = reinterpret_cast<const unsigned char*>(text);
    return converted[1] != 0 ? static_cast<std::uint16_t>(converted[0] << 8 | converted[1])
                             : converted[0];
}

bool HasOnlyText(const std::u16string& text) {
    return IsWellFormedUtf16(text) &&
           std::none_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

}  // namespace

class MemberMasker::Scanner {
public:
    Scanner(MaskMap& map, TextForm text, bool versions, const ITextDecoder* decoder);
    void Feed(const char* data, std::size_t size, bool last, std::string& out);

private:
    // A name of the map in the member's encoding: its view and its units, ASCII in lower case.
    struct Pattern {
        MaskKind kind;
        std::u16string original;
        std::u16string lower;
        std::string view;
        std::vector<std::uint16_t> units;
        char mode = kAnyMode;  // the lines it is looked for in, in a mixed member
    };
    // A value found at a unit; `replace` is false for a stand-in, which stays.
    struct Found {
        std::size_t length = 0;
        MaskKind kind = MaskKind::Host;
        bool replace = false;
        std::u16string original;
        std::u16string key;
    };

    void AddPatterns(const MaskMap::Name& name);
    void AddPattern(const MaskMap::Name& name, const std::string& bytes, Encoding encoding,
                    char mode);
    static std::string EncodedName(const MaskMap::Name& name, Encoding encoding);
    bool IsCodePage932At(std::size_t i) const;
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
    Found SidAt(std::size_t i) const;
    bool InVersionContext(std::size_t begin, std::size_t end) const;
    bool HoldsUnitsBefore(std::size_t end, const std::uint16_t* units, std::size_t count) const;
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
    std::string m_modes;  // of every unit of m_view, for a mixed member
    const unsigned char* m_v = nullptr;
    // Where the last name that was replaced ended: what follows reads it as its stand-in will
    // read once masked, so that masking masked text changes nothing.
    std::size_t m_nameEnd = 0;
    // Where the last value ended: a stand-in ends in a letter or digit, so none begins there.
    std::size_t m_matchEnd = 0;
    // Where the last replacement ended: no profile path is read through it.
    std::size_t m_replacedEnd = 0;
};

MemberMasker::Scanner::Scanner(MaskMap& map, TextForm text, bool versions,
                               const ITextDecoder* decoder)
    : m_map(map),
      m_encoding(EncodingOf(text)),
      m_unitBytes(UnitBytesOf(m_encoding)),
      m_versions(versions),
      m_decoder(decoder) {
    for (const MaskMap::Name& name : map.Names()) {
        AddPatterns(name);
    }
    for (std::vector<std::size_t>& bucket : m_buckets) {
        std::stable_sort(bucket.begin(), bucket.end(), [this](std::size_t a, std::size_t b) {
            return m_patterns[a].view.size() > m_patterns[b].view.size();
        });
    }
    for (unsigned c = 0; c < 0x80; ++c) {
        m_starts[c] = m_starts[c] || IsAsciiHex(c) || c == ':' || AsciiLower(c) == 'h' ||
                      AsciiLower(c) == 'u' || AsciiLower(c) == 'w' || AsciiLower(c) == 's';
    }
}

// A mixed member is searched for a name in both of its encodings, each in its own lines.
void MemberMasker::Scanner::AddPatterns(const MaskMap::Name& name) {
    const bool ascii =
        std::all_of(name.lower.begin(), name.lower.end(), [](char16_t c) { return c < 0x80; });
    if (m_encoding != Encoding::Mixed || ascii) {
        AddPattern(name, EncodedName(name, m_encoding), m_encoding, kAnyMode);
        return;
    }
    AddPattern(name, EncodedName(name, Encoding::Utf8), Encoding::Utf8, kUtf8Mode);
    AddPattern(name, EncodedName(name, Encoding::CodePage932), Encoding::CodePage932,
               kCodePage932Mode);
}

void MemberMasker::Scanner::AddPattern(const MaskMap::Name& name, const std::string& bytes,
                                       Encoding encoding, char mode) {
    Pattern pattern{name.kind, name.original, name.lower, {}, {}, mode};
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.empty() ||
        AppendView(encoding, data, bytes.size(), true, pattern.view) != bytes.size() ||
        pattern.view.size() > kMaxNameUnits) {
        return;
    }
    for (std::size_t i = 0; i < pattern.view.size(); ++i) {
        const std::uint16_t unit =
            m_unitBytes == 2 ? Utf16Unit(data + 2 * i, encoding == Encoding::Utf16BigEndian)
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

std::string MemberMasker::Scanner::EncodedName(const MaskMap::Name& name, Encoding encoding) {
    const bool ascii =
        std::all_of(name.lower.begin(), name.lower.end(), [](char16_t c) { return c < 0x80; });
    switch (encoding) {
        case Encoding::Utf16:
        case Encoding::Utf16BigEndian:
            return Utf16Bytes(name.lower, encoding == Encoding::Utf16BigEndian);
        case Encoding::Utf8:
        case Encoding::Mixed:
            return Utf8Of(name.lower);
        case Encoding::CodePage932:
            return ascii ? Utf8Of(name.lower) : name.codePage932;
        case Encoding::EucJp:
            return ascii ? Utf8Of(name.lower) : ShiftJisToEucJp(name.codePage932);
        case Encoding::None:
            break;
    }
    return {};
}

bool MemberMasker::Scanner::IsCodePage932At(std::size_t i) const {
    return m_encoding == Encoding::CodePage932 ||
           (m_encoding == Encoding::Mixed && m_modes[i] == kCodePage932Mode);
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
    return m_unitBytes == 2 ? Utf16Unit(bytes, m_encoding == Encoding::Utf16BigEndian) : bytes[0];
}

std::u16string MemberMasker::Scanner::AsciiText(std::size_t begin, std::size_t end) const {
    return std::u16string(m_v + begin, m_v + end);
}

std::size_t MemberMasker::Scanner::BuildView(bool last) {
    m_view.assign(kLookBehind, '\0');
    m_modes.assign(kLookBehind, kUtf8Mode);
    const std::size_t bytes =
        AppendView(m_encoding, reinterpret_cast<const unsigned char*>(m_pending.data()),
                   m_pending.size(), last, m_view, &m_modes);
    m_modes.append(kLookAhead + 2, kUtf8Mode);
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
        // A value that a lone lead byte keeps as it is runs into nothing: the next may begin.
        const bool joinsLead = found.replace && WouldJoinLoneLead(i, found.kind);
        const std::u16string* standIn =
            found.replace && !joinsLead ? m_map.StandInFor(found.kind, found.original, found.key)
                                        : nullptr;
        if (standIn != nullptr) {
            EmitUnits(copied, i, out);
            EmitStandIn(found, *standIn, out);
            m_map.CountReplacement(found.kind);
            copied = i + found.length;
            const bool name = found.kind == MaskKind::Host || found.kind == MaskKind::Domain ||
                              found.kind == MaskKind::User || found.kind == MaskKind::Word;
            m_nameEnd = name ? copied : m_nameEnd;
            m_replacedEnd = copied;
        }
        i += found.length;
        m_matchEnd = joinsLead ? m_matchEnd : i;
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
    const bool big = m_encoding == Encoding::Utf16BigEndian;
    for (const char16_t c : text) {
        if (big) {
            out += '\0';
        }
        out += static_cast<char>(c);
        if (m_unitBytes == 2 && !big) {
            out += '\0';
        }
    }
}

// A code page 932 lead byte without its trail takes a letter after it as the trail: a stand-in
// that begins with one would change how the bytes after it read.
bool MemberMasker::Scanner::WouldJoinLoneLead(std::size_t i, MaskKind kind) const {
    return IsCodePage932At(i - 1) && m_v[i - 1] == kCharStart &&
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
    if (AsciiLower(c) == 's' && !IsWord(m_v[i - 1])) {
        consider(SidAt(i));
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
    return Address(i, end, MaskKind::IPv4, IPv4Text(address),
                   !longerNumber && !InVersionContext(i, end));
}

// The domain or machine part of a SID; the relative identifier after it stays.
MemberMasker::Scanner::Found MemberMasker::Scanner::SidAt(std::size_t i) const {
    const std::size_t length = DomainSidLength(Chars(i), 40);
    if (length == 0 || IsAlnum(m_v[i + length])) {
        return {};
    }
    Found found;
    found.length = length;
    found.kind = MaskKind::Sid;
    found.original = AsciiText(i, i + length);
    found.key = LowerAscii(found.original);
    found.replace = !m_map.IsStandIn(MaskKind::Sid, found.key);
    return found;
}

// A dotted quad that names a version: a driver's "(12.17.10.8, 1.43 MB", or one after
// "Version", "ver", "v" or "バージョン" and a blank, colon or equals sign.
bool MemberMasker::Scanner::InVersionContext(std::size_t begin, std::size_t end) const {
    if (m_v[begin - 1] == '(' && m_v[end] == ',') {
        return true;
    }
    std::size_t at = begin;
    for (int skipped = 0; skipped < 4 && (m_v[at - 1] == ' ' || m_v[at - 1] == '\t' ||
                                          m_v[at - 1] == ':' || m_v[at - 1] == '=');
         ++skipped) {
        --at;
    }
    if (at == begin) {
        return false;  // "v1.2.3.4" is no address for want of a boundary already
    }
    std::size_t word = at;
    while (at - word < 12 && IsAsciiLetter(m_v[word - 1])) {
        --word;
    }
    std::string lower;
    for (std::size_t k = word; k < at; ++k) {
        lower += static_cast<char>(AsciiLower(m_v[k]));
    }
    const auto endsWith = [&lower](const std::string& tail) {
        return lower.size() >= tail.size() &&
               lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (word < at) {
        return endsWith("version") || lower == "ver" || lower == "v";
    }
    static const std::uint16_t kUtf16[] = {0x30D0, 0x30FC, 0x30B8, 0x30E7, 0x30F3};
    static const std::uint16_t kUtf8[] = {0xE3, 0x83, 0x90, 0xE3, 0x83, 0xBC, 0xE3, 0x82,
                                          0xB8, 0xE3, 0x83, 0xA7, 0xE3, 0x83, 0xB3};
    static const std::uint16_t kCodePage932[] = {0x83, 0x6F, 0x81, 0x5B, 0x83,
                                                 0x57, 0x83, 0x87, 0x83, 0x93};
    static const std::uint16_t kEucJp[] = {0xA5, 0xD0, 0xA1, 0xBC, 0xA5,
                                           0xB8, 0xA5, 0xE7, 0xA5, 0xF3};
    return HoldsUnitsBefore(at, kUtf16, std::size(kUtf16)) ||
           HoldsUnitsBefore(at, kUtf8, std::size(kUtf8)) ||
           HoldsUnitsBefore(at, kCodePage932, std::size(kCodePage932)) ||
           HoldsUnitsBefore(at, kEucJp, std::size(kEucJp));
}

bool MemberMasker::Scanner::HoldsUnitsBefore(std::size_t end, const std::uint16_t* units,
                                             std::size_t count) const {
    if (end < kLookBehind + count) {
        return false;
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (m_v[end - count + k] < 0x80 || Unit(end - count + k) != units[k]) {
            return false;
        }
    }
    return true;
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
                                  {"word", "", MaskKind::Word},
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
    if (pattern.mode != kAnyMode && m_modes[i] != pattern.mode) {
        return false;
    }
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
    const auto wordBefore = [this, &at](const char* lower, std::size_t length) {
        if (at < length + 2) {
            return false;
        }
        at -= length;
        std::size_t word = at;
        return AsciiAt(word, lower);
    };
    if (!separators() || !wordBefore("users", 5) || !separators()) {
        return false;
    }
    if (m_v[at - 1] == ':' && IsAsciiLetter(m_v[at - 2])) {
        const unsigned char before = m_v[at - 3];
        return !IsWord(before) && before != ':' && before != '.' && m_replacedEnd <= at - 3;
    }
    // \Device\HarddiskVolume3\Users\<name>: the form that the kernel and its audit events use.
    std::size_t digits = 0;
    while (digits < 3 && IsAsciiDigit(m_v[at - 1])) {
        --at;
        ++digits;
    }
    return digits > 0 && wordBefore("harddiskvolume", 14) && separators() &&
           wordBefore("device", 6) && IsSeparator(m_v[at - 1]) && m_replacedEnd <= at;
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
    if (IsCodePage932At(i) || m_encoding == Encoding::EucJp) {
        std::uint16_t character = m_v[i + 1] == kContinuation
                                      ? static_cast<std::uint16_t>(unit << 8 | Unit(i + 1))
                                      : unit;
        character = m_encoding == Encoding::EucJp ? CodePage932OfEucJp(character) : character;
        return std::find(std::begin(kCodePage932NameEnds), std::end(kCodePage932NameEnds),
                         character) != std::end(kCodePage932NameEnds);
    }
    if (m_unitBytes == 2) {
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
    if (m_unitBytes == 2) {
        for (std::size_t i = begin; i < end; ++i) {
            original += static_cast<char16_t>(Unit(i));
        }
        return IsWellFormedUtf16(original);
    }
    const std::string bytes = m_pending.substr(begin - kLookBehind, end - begin);
    if (m_encoding == Encoding::Utf8 ||
        (m_encoding == Encoding::Mixed && !IsCodePage932At(begin)) ||
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
    std::string codePage932 = bytes;
    if (m_encoding == Encoding::EucJp) {
        EucJpToShiftJis(codePage932.data());
    }
    original = m_decoder->Decode(codePage932, 932);
    return !original.empty() && HasOnlyText(original);
}

MemberMasker::MemberMasker(MaskMap& map, TextForm text, bool dottedNumbersAreVersions,
                           const ITextDecoder* codePage932)
    : m_scanner(std::make_unique<Scanner>(map, text, dottedNumbersAreVersions, codePage932)) {}

MemberMasker::~MemberMasker() = default;
MemberMasker::MemberMasker(MemberMasker&&) noexcept = default;
MemberMasker& MemberMasker::operator=(MemberMasker&&) noexcept = default;

void MemberMasker::Feed(const char* data, std::size_t size, bool last, std::string& out) {
    m_scanner->Feed(data, size, last, out);
}

// Masked once as text, so that a host such as web-01 is found whole, and once more with '-' and
// '_' as separators; no file name holds the control characters that stand in for them.
MemberNameMasker::MemberNameMasker(MaskMap& map)
    : m_asText(map, TextForm::Utf8, false), m_atEverySign(map, TextForm::Utf8, false) {}

std::string MemberNameMasker::Masked(const std::string& name) {
    std::string once;
    m_asText.Feed(name.data(), name.size(), true, once);
    std::replace(once.begin(), once.end(), '-', '\x01');
    std::replace(once.begin(), once.end(), '_', '\x02');
    std::string twice;
    m_atEverySign.Feed(once.data(), once.size(), true, twice);
    std::replace(twice.begin(), twice.end(), '\x01', '-');
    std::replace(twice.begin(), twice.end(), '\x02', '_');
    return twice;
}

}  // namespace qeb
