// MemberMasker and MaskMap: for any member text and any computer's names, (1) no name of the
// map stands as a whole word in the masked text, except inside or across a stand-in; (2) masking
// the masked text again changes nothing and adds no value; (3) pieces of any size give the same
// bytes as one feed; (4) the map file reads back as the same map.
//
// Input: byte 0 chooses the encoding and whether dotted numbers are versions, byte 1 the
// sizes of the pieces; then up to four values (host, domain, user, user), each ended by 0x1F,
// and the text. Values, and the text of a UTF-16 member, are UTF-8 in which every byte that is
// not stands for a lone surrogate.
#include <iconv.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "archive/MaskForms.h"
#include "archive/MaskCheck.h"
#include "archive/TextMasking.h"
#include "text/TextClassifier.h"
#include "text/TextDecoder.h"

namespace {

using qeb::MaskKind;
using qeb::TextForm;

constexpr TextForm kTexts[] = {TextForm::Utf16WithMark,  TextForm::Utf16,
                               TextForm::Utf8WithMark,   TextForm::Utf8,
                               TextForm::CodePage932,    TextForm::EucJp,
                               TextForm::Utf16BigEndian, TextForm::Utf8AndCodePage932};
constexpr int kKinds = 8;

// The forms whose units the property of no name left is written for.
bool HasUnitModel(TextForm text) {
    return text != TextForm::EucJp && text != TextForm::Utf16BigEndian &&
           text != TextForm::Utf8AndCodePage932;
}

std::string Convert(const char* to, const char* from, std::string in) {
    const iconv_t converter = iconv_open(to, from);
    FUZZ_CHECK(converter != reinterpret_cast<iconv_t>(-1));
    std::string out(in.size() * 4 + 4, '\0');
    char* inPointer = in.data();
    char* outPointer = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const bool converted =
        iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != static_cast<size_t>(-1);
    iconv_close(converter);
    return converted ? out.substr(0, out.size() - outLeft) : std::string();
}

std::string Utf16Bytes(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

class IconvDecoder : public qeb::ITextDecoder {
public:
    std::u16string Decode(const std::string& bytes, unsigned) const override {
        const std::string units = Convert("UTF-16LE", "CP932", bytes);
        std::u16string text;
        for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(units[i]) |
                                          static_cast<unsigned char>(units[i + 1]) << 8);
        }
        return text;
    }
};

std::u16string LooseUtf16(const std::string& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size();) {
        std::u16string character;
        std::size_t length = 1;
        for (; length <= 4 && i + length <= bytes.size(); ++length) {
            if (qeb::Utf16OfUtf8(bytes.data() + i, length, character)) {
                break;
            }
        }
        if (length > 4 || i + length > bytes.size()) {
            character = static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i]));
            length = 1;
        }
        text += character;
        i += length;
    }
    return text;
}

// A member's units as the rules see them: an ASCII character, the start of any other
// character, or the rest of one.
enum UnitKind : unsigned char { kAscii, kStart, kRest };
struct Units {
    std::vector<std::uint16_t> value;
    std::vector<UnitKind> kind;
};

bool IsLeadByte(unsigned byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

Units UnitsOf(TextForm text, const std::string& bytes) {
    Units units;
    const auto add = [&units](std::uint16_t value, UnitKind kind) {
        units.value.push_back(value);
        units.kind.push_back(value < 0x80 && kind == kStart ? kAscii : kind);
    };
    if (text == TextForm::Utf16 || text == TextForm::Utf16WithMark) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const std::uint16_t unit =
                static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8);
            const bool afterHigh = !units.value.empty() && units.value.back() >= 0xD800 &&
                                   units.value.back() <= 0xDBFF;
            add(unit, unit >= 0xDC00 && unit <= 0xDFFF && afterHigh ? kRest : kStart);
        }
    } else if (text == TextForm::CodePage932) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const unsigned char byte = static_cast<unsigned char>(bytes[i]);
            const unsigned char next =
                i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
            add(byte, kStart);
            if (((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) &&
                next >= 0x40 && next <= 0xFC && next != 0x7F) {
                add(next, kRest);
                ++i;
            }
        }
    } else {
        for (const char c : bytes) {
            const unsigned char byte = static_cast<unsigned char>(c);
            add(byte, byte >= 0x80 && byte < 0xC0 ? kRest : kStart);
        }
    }
    return units;
}

bool IsWordAt(const Units& units, std::size_t i) {
    if (i >= units.value.size() || units.kind[i] != kAscii) {
        return false;
    }
    const unsigned c = units.value[i];
    return qeb::IsAsciiDigit(c) || qeb::IsAsciiLetter(c) || c == '-' || c == '_';
}

bool SameUnit(const Units& text, std::size_t i, const Units& name, std::size_t k) {
    return text.kind[i] == name.kind[k] &&
           (text.kind[i] == kAscii
                ? qeb::AsciiLower(text.value[i]) == qeb::AsciiLower(name.value[k])
                : text.value[i] == name.value[k]);
}

bool StandInOverlaps(const qeb::MaskMap& map, const Units& text, std::size_t begin,
                     std::size_t end) {
    for (const qeb::MaskMap::Entry& entry : map.Entries()) {
        const std::u16string& standIn = entry.standIn;
        const std::size_t from = begin > standIn.size() ? begin - standIn.size() : 0;
        for (std::size_t at = from; at < end && at + standIn.size() <= text.value.size(); ++at) {
            std::size_t k = 0;
            for (; k < standIn.size() && text.kind[at + k] == kAscii; ++k) {
                const unsigned c = qeb::AsciiLower(text.value[at + k]);
                if (c != standIn[k] &&
                    !(standIn[k] == u'-' && c == ':' && entry.kind == MaskKind::Mac)) {
                    break;
                }
            }
            if (k == standIn.size()) {
                return true;
            }
        }
    }
    return false;
}

// Whether `at` is inside the name of a profile path: one that is too long or unreadable stays
// whole, with any name in it.
bool InProfileName(const Units& text, std::size_t at) {
    const auto isAscii = [&text](std::size_t i, unsigned c) {
        return text.kind[i] == kAscii && qeb::AsciiLower(text.value[i]) == c;
    };
    const auto separators = [&](std::size_t& i) {
        std::size_t count = 0;
        while (count < 2 && i > 0 && (isAscii(i - 1, '\\') || isAscii(i - 1, '/'))) {
            --i;
            ++count;
        }
        return count > 0;
    };
    std::size_t i = at;
    while (i > 0 && at - i < 1100 &&
           !(text.kind[i - 1] == kAscii && qeb::EndsProfileName(text.value[i - 1]))) {
        --i;
    }
    if (!separators(i) || i < 5) {
        return false;
    }
    for (const char c : {'s', 'r', 'e', 's', 'u'}) {
        if (!isAscii(--i, static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return separators(i) && i >= 2 && isAscii(i - 1, ':') && text.kind[i - 2] == kAscii &&
           qeb::IsAsciiLetter(text.value[i - 2]);
}

// Whether `at` is inside a value right after a code page 932 lead byte without its trail: a
// stand-in that begins with a letter would join that byte, so such a value stays, with any name
// in it.
bool AfterLoneLead(const Units& text, std::size_t at) {
    std::size_t i = at;
    while (i > 0 && at - i < 64 && text.kind[i - 1] == kAscii &&
           (IsWordAt(text, i - 1) || text.value[i - 1] == ':' || text.value[i - 1] == '.')) {
        --i;
    }
    return i > 0 && text.kind[i - 1] == kStart && IsLeadByte(text.value[i - 1]);
}

std::string EncodedName(TextForm text, const qeb::MaskMap::Name& name) {
    const bool ascii =
        std::all_of(name.lower.begin(), name.lower.end(), [](char16_t c) { return c < 0x80; });
    if (text == TextForm::Utf16 || text == TextForm::Utf16WithMark) {
        return Utf16Bytes(name.lower);
    }
    if (text == TextForm::CodePage932 && !ascii) {
        return name.codePage932;
    }
    return qeb::Utf8Of(name.lower);
}

// Property (1); true when a name is left where the masker leaves it by design (inside a profile
// name kept whole, after a lone lead byte), which the check after masking must then find.
bool CheckNoNameLeft(const qeb::MaskMap& map, TextForm member, const std::string& masked) {
    bool leftByDesign = false;
    const Units text = UnitsOf(member, masked);
    for (const qeb::MaskMap::Name& name : map.Names()) {
        const std::string encoded = EncodedName(member, name);
        const Units units = UnitsOf(member, encoded);
        const std::size_t size = units.value.size();
        for (std::size_t at = 0; !encoded.empty() && at + size <= text.value.size(); ++at) {
            std::size_t k = 0;
            while (k < size && SameUnit(text, at + k, units, k)) {
                ++k;
            }
            const std::size_t end = at + size;
            const bool domainGoesOn = name.kind == MaskKind::Domain && end < text.value.size() &&
                                      text.kind[end] == kAscii && text.value[end] == '.' &&
                                      IsWordAt(text, end + 1);
            const auto digitAt = [&text](std::size_t i) {
                return text.kind[i] == kAscii && qeb::IsAsciiDigit(text.value[i]);
            };
            const bool inDottedNumber = at >= 2 && digitAt(at) && text.value[at - 1] == '.' &&
                                        text.kind[at - 1] == kAscii && digitAt(at - 2);
            if (k < size || text.kind[at] == kRest || (at > 0 && IsWordAt(text, at - 1)) ||
                IsWordAt(text, end) || domainGoesOn || inDottedNumber) {
                continue;
            }
            if (StandInOverlaps(map, text, at, end)) {
                continue;
            }
            FUZZ_CHECK(InProfileName(text, at) ||
                       (member == TextForm::CodePage932 && AfterLoneLead(text, at)));
            leftByDesign = true;
        }
    }
    return leftByDesign;
}

bool CheckFinds(const qeb::MaskMap& map, TextForm member, const std::string& masked) {
    const qeb::MaskCheck check(map.CheckedValues(), [](const std::u16string& text) {
        return Convert("CP932", "UTF-16LE", Utf16Bytes(text));
    });
    qeb::MaskCheck::Scan scan(check, member == TextForm::CodePage932);
    scan.Feed(masked.data(), masked.size(), true);
    return scan.Hit();
}

std::string Masked(qeb::MaskMap& map, TextForm text, bool versions, const std::string& input,
                   std::uint32_t pieceSeed) {
    static const IconvDecoder decoder;
    qeb::MemberMasker masker(map, text, versions, &decoder);
    std::string out;
    for (std::size_t at = 0; at < input.size() || at == 0;) {
        pieceSeed = pieceSeed * 1103515245u + 12345u;
        const std::size_t limit = pieceSeed % 4 == 0 ? 3000 : 40;
        const std::size_t size = std::min(input.size() - at, 1 + (pieceSeed >> 8) % limit);
        masker.Feed(input.data() + at, size, at + size == input.size(), out);
        at += size;
        if (at == input.size()) {
            break;
        }
    }
    return out;
}

std::string OneFeed(qeb::MaskMap& map, TextForm text, bool versions, const std::string& input) {
    std::string out;
    static const IconvDecoder decoder;
    qeb::MemberMasker(map, text, versions, &decoder).Feed(input.data(), input.size(), true, out);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const TextForm text = kTexts[data[0] % 8];
    const bool versions = (data[0] & 0x08) != 0;
    const std::uint32_t pieceSeed = data[1];
    std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);

    qeb::MaskMap map;
    for (int field = 0; field < 4; ++field) {
        const std::size_t end = rest.find('\x1F');
        if (end == std::string::npos) {
            break;
        }
        const std::u16string value = LooseUtf16(rest.substr(0, end));
        const qeb::MaskValue mask{value, Convert("CP932", "UTF-16LE", Utf16Bytes(value))};
        rest.erase(0, end + 1);
        if (field == 0) {
            map.AddHost(mask);
        } else if (field == 1) {
            map.AddDomain(mask);
        } else if (field == 2) {
            map.AddUser(mask);
        } else {
            map.AddWord(mask);
        }
    }
    std::string input = rest;
    if (text == TextForm::Utf16 || text == TextForm::Utf16WithMark ||
        text == TextForm::Utf16BigEndian) {
        input = Utf16Bytes(LooseUtf16(rest));
    }
    input.insert(0, text == TextForm::Utf16WithMark  ? "\xFF\xFE"
                    : text == TextForm::Utf8WithMark ? "\xEF\xBB\xBF"
                                                     : "");

    // A member is judged the same however it is read.
    qeb::TextClassifier whole;
    whole.Feed(input.data(), input.size());
    qeb::TextClassifier pieces;
    for (std::size_t at = 0, step = 1 + pieceSeed % 7; at < input.size(); at += step) {
        pieces.Feed(input.data() + at, std::min(step, input.size() - at));
    }
    FUZZ_CHECK(whole.Finish() == pieces.Finish());

    qeb::MaskMap before = map;
    const std::string masked = OneFeed(map, text, versions, input);
    if (HasUnitModel(text) && CheckNoNameLeft(map, text, masked)) {
        FUZZ_CHECK(CheckFinds(map, text, masked));
    }

    const std::string mapText = map.Text();
    const std::size_t entries = map.Entries().size();
    std::size_t counts[kKinds];
    for (int kind = 0; kind < kKinds; ++kind) {
        counts[kind] = map.Replacements(static_cast<MaskKind>(kind));
    }
    // A line of a mixed member is read as UTF-8 when it is well formed; masking a value that held
    // its only other bytes turns it into UTF-8, which reads its other characters anew.
    if (text != TextForm::Utf8AndCodePage932) {
        FUZZ_CHECK(OneFeed(map, text, versions, masked) == masked);
        FUZZ_CHECK(map.Entries().size() == entries);
        for (int kind = 0; kind < kKinds; ++kind) {
            FUZZ_CHECK(map.Replacements(static_cast<MaskKind>(kind)) == counts[kind]);
        }
    }

    FUZZ_CHECK(Masked(before, text, versions, input, pieceSeed) == masked);
    FUZZ_CHECK(before.Text() == mapText);

    qeb::MaskMap loaded;
    std::size_t badLine = 0;
    FUZZ_CHECK(loaded.Load(mapText, badLine));
    FUZZ_CHECK(loaded.Text() == mapText);
    if (loaded.Load(rest, badLine)) {
        qeb::MaskMap again;
        FUZZ_CHECK(again.Load(loaded.Text(), badLine) && again.Text() == loaded.Text());
    }
    return 0;
}
