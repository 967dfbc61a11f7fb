#include "archive/MaskMap.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "archive/MaskForms.h"

namespace qeb {
namespace {

constexpr std::size_t kMaxNameUnits = 256;
constexpr std::size_t kMaxCodePage932Bytes = 2 * kMaxNameUnits;
// 254 host addresses (no .0, no .255) in each of the 65536 /24 blocks of 10.0.0.0/8, from
// 10.254.0.0 on and round to 10.253.255.0.
constexpr std::uint32_t kIPv4StandIns = 65536u * 254u;
constexpr std::uint32_t kIPv4FirstBlock = 0xFE00;

constexpr MaskKind kKinds[] = {MaskKind::Host, MaskKind::Domain, MaskKind::IPv4, MaskKind::IPv6,
                               MaskKind::Mac,  MaskKind::User,   MaskKind::Word, MaskKind::Sid};
constexpr char kSidStandInPrefix[] = "S-1-5-21-0-0-";

std::size_t IndexOf(MaskKind kind) {
    return static_cast<std::size_t>(kind);
}

bool IsNameKind(MaskKind kind) {
    return kind == MaskKind::Host || kind == MaskKind::Domain || kind == MaskKind::User ||
           kind == MaskKind::Word;
}

// Addresses and SIDs are found by their form wherever they are, and a dotted quad that stays
// stays by design, as a version. A user met only in a profile path is masked only there: a
// profile folder may be named as commonly as "test".
bool IsCheckedKind(MaskKind kind) {
    return IsNameKind(kind) && kind != MaskKind::User;
}

std::u16string Widened(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::string Narrowed(const std::u16string& ascii) {
    std::string text;
    for (const char16_t unit : ascii) {
        if (unit >= 0x80) {
            return {};
        }
        text += static_cast<char>(unit);
    }
    return text;
}

bool HasControlCharacter(const std::u16string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char16_t unit) { return unit < 0x20 || unit == 0x7F; });
}

bool IsValidCodePage932(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x20 || byte == 0x7F || byte == 0x80 || byte == 0xA0 || byte > 0xFC) {
            return false;
        }
        if ((byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0) {
            const unsigned char trail =
                i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[++i]) : 0;
            if (trail < 0x40 || trail == 0x7F || trail > 0xFC) {
                return false;
            }
        }
    }
    return true;
}

std::string Padded(std::uint32_t number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(number));
    return digits;
}

std::uint32_t IPv4OfNumber(std::uint32_t number) {
    const std::uint32_t block = (kIPv4FirstBlock + (number - 1) / 254) & 0xFFFF;
    return 0x0A000000u | (block << 8) | ((number - 1) % 254 + 1);
}

std::uint32_t NumberOfIPv4(std::uint32_t address) {
    const std::uint32_t host = address & 0xFF;
    if ((address >> 24) != 10 || host == 0 || host == 255) {
        return 0;
    }
    const std::uint32_t block = ((address >> 8) - kIPv4FirstBlock) & 0xFFFF;
    return block * 254 + host;
}

std::u16string StandInText(MaskKind kind, std::uint32_t number) {
    switch (kind) {
        case MaskKind::Host:
            return Widened("host" + Padded(number));
        case MaskKind::Domain:
            return Widened("domain" + Padded(number) + ".example");
        case MaskKind::User:
            return Widened("user" + Padded(number));
        case MaskKind::Word:
            return Widened("word" + Padded(number));
        case MaskKind::Sid:
            return Widened(kSidStandInPrefix + std::to_string(number));
        case MaskKind::IPv4:
            return Widened(IPv4Text(IPv4OfNumber(number)));
        case MaskKind::IPv6:
            return Widened(
                IPv6Text({0xFD00, 0, 0, 0, 0, 0, static_cast<std::uint16_t>(number >> 16),
                          static_cast<std::uint16_t>(number & 0xFFFF)}));
        case MaskKind::Mac: {
            char text[24];
            std::snprintf(text, sizeof text, "02-00-%02x-%02x-%02x-%02x", number >> 24,
                          (number >> 16) & 0xFF, (number >> 8) & 0xFF, number & 0xFF);
            return Widened(text);
        }
    }
    return {};
}

std::uint32_t Capacity(MaskKind kind) {
    return kind == MaskKind::IPv4 ? kIPv4StandIns : 0xFFFFFFFFu;
}

// The number of a name's stand-in: the digits after the prefix.
std::uint32_t NameNumber(const std::string& text, const std::string& prefix) {
    if (text.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    std::uint64_t number = 0;
    for (std::size_t i = prefix.size();
         i < text.size() && IsAsciiDigit(static_cast<unsigned char>(text[i])); ++i) {
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
        if (number > 0xFFFFFFFFu) {
            return 0;
        }
    }
    return static_cast<std::uint32_t>(number);
}

// The number whose stand-in `text` is exactly, or 0.
std::uint32_t NumberOfStandIn(MaskKind kind, const std::u16string& text) {
    const std::string ascii = Narrowed(text);
    std::uint32_t number = 0;
    std::uint32_t address = 0;
    IPv6Address address6{};
    std::string digits;
    switch (kind) {
        case MaskKind::Host:
            number = NameNumber(ascii, "host");
            break;
        case MaskKind::Domain:
            number = NameNumber(ascii, "domain");
            break;
        case MaskKind::User:
            number = NameNumber(ascii, "user");
            break;
        case MaskKind::Word:
            number = NameNumber(ascii, "word");
            break;
        case MaskKind::Sid:
            number = NameNumber(ascii, kSidStandInPrefix);
            break;
        case MaskKind::IPv4:
            number = ParseIPv4(ascii.data(), ascii.size(), address) ? NumberOfIPv4(address) : 0;
            break;
        case MaskKind::IPv6:
            if (ParseIPv6(ascii.data(), ascii.size(), address6)) {
                number = (static_cast<std::uint32_t>(address6[6]) << 16) | address6[7];
            }
            break;
        case MaskKind::Mac:
            if (ParseMac(ascii.data(), ascii.size(), digits)) {
                number = static_cast<std::uint32_t>(std::stoul(digits.substr(4), nullptr, 16));
            }
            break;
    }
    return number != 0 && number <= Capacity(kind) && StandInText(kind, number) == text ? number
                                                                                        : 0;
}

// The form in which a stand-in compares with what a member holds.
std::u16string KeyOfStandIn(MaskKind kind, const std::u16string& standIn) {
    if (kind != MaskKind::Mac) {
        return standIn;
    }
    std::u16string digits = standIn;
    digits.erase(std::remove(digits.begin(), digits.end(), u'-'), digits.end());
    return digits;
}

// The key of an original value, or empty when it is none of its kind.
std::u16string KeyOfOriginal(MaskKind kind, const std::u16string& original) {
    if (original.empty() || HasControlCharacter(original)) {
        return {};
    }
    const std::string ascii = Narrowed(original);
    std::uint32_t address = 0;
    IPv6Address address6{};
    std::string digits;
    switch (kind) {
        case MaskKind::Host:
        case MaskKind::Domain:
        case MaskKind::User:
        case MaskKind::Word:
            return LowerAscii(original);
        case MaskKind::Sid:
            return IsDomainSid(ascii) ? LowerAscii(original) : u"";
        case MaskKind::IPv4:
            return ParseIPv4(ascii.data(), ascii.size(), address) ? Widened(IPv4Text(address))
                                                                  : u"";
        case MaskKind::IPv6:
            return ParseIPv6(ascii.data(), ascii.size(), address6) ? Widened(IPv6Text(address6))
                                                                   : u"";
        case MaskKind::Mac:
            return ParseMac(ascii.data(), ascii.size(), digits) ? Widened(digits) : u"";
    }
    return {};
}

bool KindOfName(const std::string& name, MaskKind& kind) {
    for (const MaskKind candidate : kKinds) {
        if (name == MaskKindName(candidate)) {
            kind = candidate;
            return true;
        }
    }
    return false;
}

// One line of a map file: false when it is no such line.
bool ParseLine(std::string line, MaskMap::Entry& entry, std::u16string& key) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos || line.find('\t', second + 1) != std::string::npos ||
        !KindOfName(line.substr(0, first), entry.kind)) {
        return false;
    }
    std::u16string standIn;
    if (!Utf16OfUtf8(line.data() + first + 1, second - first - 1, entry.original) ||
        !Utf16OfUtf8(line.data() + second + 1, line.size() - second - 1, standIn)) {
        return false;
    }
    key = KeyOfOriginal(entry.kind, entry.original);
    entry.number = NumberOfStandIn(entry.kind, standIn);
    entry.standIn = standIn;
    return !key.empty() && entry.number != 0;
}

}  // namespace

const char* MaskKindName(MaskKind kind) {
    switch (kind) {
        case MaskKind::Host:
            return "host";
        case MaskKind::Domain:
            return "domain";
        case MaskKind::IPv4:
            return "ipv4";
        case MaskKind::IPv6:
            return "ipv6";
        case MaskKind::Mac:
            return "mac";
        case MaskKind::User:
            return "user";
        case MaskKind::Word:
            return "word";
        case MaskKind::Sid:
            return "sid";
    }
    return "";
}

void MaskMap::AddHost(const MaskValue& name) {
    AddName(MaskKind::Host, name);
}
void MaskMap::AddDomain(const MaskValue& domain) {
    AddName(MaskKind::Domain, domain);
}
void MaskMap::AddUser(const MaskValue& name) {
    AddName(MaskKind::User, name);
}
void MaskMap::AddWord(const MaskValue& word) {
    AddName(MaskKind::Word, word);
}

void MaskMap::Reserve(MaskKind kind, const std::u16string& original) {
    const std::u16string key = KeyOfOriginal(kind, original);
    if (!key.empty() && !IsStandIn(kind, KeyOfStandIn(kind, key))) {
        StandInFor(kind, original, key);
    }
}

void MaskMap::AddName(MaskKind kind, const MaskValue& value) {
    // A value that a profile path's name could end before would change that name once masked.
    if (value.text.empty() || value.text.size() > kMaxNameUnits ||
        HasControlCharacter(value.text) || !IsWellFormedUtf16(value.text) ||
        EndsProfileName(value.text.front()) || EndsProfileName(value.text.back())) {
        return;
    }
    const std::u16string lower = LowerAscii(value.text);
    const bool known = std::any_of(m_names.begin(), m_names.end(), [&](const Name& name) {
        return name.kind == kind && name.lower == lower;
    });
    if ((kind == MaskKind::User && IsBuiltInAccount(lower)) || known || IsAnyStandIn(lower)) {
        return;
    }
    const bool codePageUsable =
        value.codePage932.size() <= kMaxCodePage932Bytes && IsValidCodePage932(value.codePage932);
    m_names.push_back(
        {kind, value.text, lower, codePageUsable ? value.codePage932 : std::string()});
    m_nameKeys.insert(lower);
}

bool MaskMap::IsAnyStandIn(const std::u16string& lowerText) const {
    return std::any_of(std::begin(kKinds), std::end(kKinds), [&](MaskKind kind) {
        return IsStandIn(kind, KeyOfStandIn(kind, lowerText));
    });
}

bool MaskMap::IsStandIn(MaskKind kind, const std::u16string& key) const {
    return m_byStandIn.count({kind, key}) != 0;
}

bool MaskMap::IsTaken(MaskKind kind, const std::u16string& standIn) const {
    return m_byStandIn.count({kind, KeyOfStandIn(kind, standIn)}) != 0 ||
           m_byKey.count({kind, KeyOfOriginal(kind, standIn)}) != 0 ||
           m_nameKeys.count(standIn) != 0;
}

const std::u16string* MaskMap::StandInFor(MaskKind kind, const std::u16string& original,
                                          const std::u16string& key) {
    const auto known = m_byKey.find({kind, key});
    if (known != m_byKey.end()) {
        return &m_entries[known->second].standIn;
    }
    std::uint32_t& last = m_lastNumber[IndexOf(kind)];
    std::u16string standIn;
    do {
        if (last >= Capacity(kind)) {
            m_full = true;
            return nullptr;
        }
        standIn = StandInText(kind, ++last);
    } while (IsTaken(kind, standIn) || KeyOfStandIn(kind, standIn) == key);
    m_byKey[{kind, key}] = m_entries.size();
    m_byStandIn[{kind, KeyOfStandIn(kind, standIn)}] = m_entries.size();
    if (IsNameKind(kind)) {
        m_nameKeys.insert(key);
    }
    m_entries.push_back({kind, original, standIn, last});
    return &m_entries.back().standIn;
}

std::vector<std::u16string> MaskMap::CheckedValues() const {
    std::vector<std::u16string> values;
    for (const Name& name : m_names) {
        values.push_back(name.original);
    }
    for (const Entry& entry : m_entries) {
        if (IsCheckedKind(entry.kind)) {
            values.push_back(entry.original);
        }
    }
    return values;
}

void MaskMap::CountReplacement(MaskKind kind) {
    ++m_replacements[IndexOf(kind)];
}

std::size_t MaskMap::Replacements(MaskKind kind) const {
    return m_replacements[IndexOf(kind)];
}

bool MaskMap::Load(const std::string& text, std::size_t& badLine) {
    std::size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::vector<Entry> loaded;
    std::vector<std::u16string> keys;
    std::map<Key, std::size_t> byKey;
    std::map<Key, std::size_t> byStandIn;
    for (std::size_t line = 1; at < text.size(); ++line) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        Entry entry{};
        std::u16string key;
        badLine = line;
        if (!ParseLine(text.substr(at, end - at), entry, key)) {
            return false;
        }
        const Key original{entry.kind, key};
        const Key standIn{entry.kind, KeyOfStandIn(entry.kind, entry.standIn)};
        const auto sameKey = m_byKey.find(original);
        const auto sameStandIn = m_byStandIn.find(standIn);
        const bool agrees = sameKey != m_byKey.end() && sameStandIn != m_byStandIn.end() &&
                            sameKey->second == sameStandIn->second;
        if (byKey.count(original) != 0 || byStandIn.count(standIn) != 0 ||
            (!agrees && (sameKey != m_byKey.end() || sameStandIn != m_byStandIn.end()))) {
            return false;
        }
        byKey[original] = line;
        byStandIn[standIn] = line;
        if (!agrees) {
            loaded.push_back(entry);
            keys.push_back(key);
        }
        at = end + 1;
    }
    // An original that is some stand-in would make masked text change when masked again.
    for (const auto& original : byKey) {
        const Key asStandIn{original.first.first,
                            KeyOfStandIn(original.first.first, original.first.second)};
        if (byStandIn.count(asStandIn) != 0 || m_byStandIn.count(asStandIn) != 0) {
            badLine = original.second;
            return false;
        }
    }
    for (const auto& standIn : byStandIn) {
        if (m_byKey.count({standIn.first.first, standIn.first.second}) != 0) {
            badLine = standIn.second;
            return false;
        }
    }
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        const Entry& entry = loaded[i];
        m_byKey[{entry.kind, keys[i]}] = m_entries.size();
        m_byStandIn[{entry.kind, KeyOfStandIn(entry.kind, entry.standIn)}] = m_entries.size();
        if (IsNameKind(entry.kind)) {
            m_nameKeys.insert(keys[i]);
        }
        std::uint32_t& last = m_lastNumber[IndexOf(entry.kind)];
        last = std::max(last, entry.number);
        m_checkedEntries += IsCheckedKind(entry.kind) ? 1 : 0;
        m_entries.push_back(entry);
    }
    m_names.erase(std::remove_if(m_names.begin(), m_names.end(),
                                 [&](const Name& name) { return IsAnyStandIn(name.lower); }),
                  m_names.end());
    return true;
}

std::string MaskMap::Text() const {
    std::vector<const Entry*> order;
    for (const Entry& entry : m_entries) {
        order.push_back(&entry);
    }
    std::sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) {
        return std::make_pair(a->kind, a->number) < std::make_pair(b->kind, b->number);
    });
    std::string text = "\xEF\xBB\xBF";
    for (const Entry* entry : order) {
        text += std::string(MaskKindName(entry->kind)) + '\t' + Utf8Of(entry->original) + '\t' +
                Utf8Of(entry->standIn) + "\r\n";
    }
    return text;
}

}  // namespace qeb
