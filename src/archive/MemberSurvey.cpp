#include "archive/MemberSurvey.h"

#include <algorithm>

#include "archive/MaskForms.h"
#include "text/TextDecoder.h"
#include "text/Unicode.h"

namespace qeb {
namespace {

// Longer lines are read in parts; no report field is that long.
constexpr std::size_t kMaxLine = 64 << 10;
constexpr std::size_t kMaxForms = 100000;

bool IsAlnum16(char16_t c) {
    return c < 0x80 && (IsAsciiDigit(c) || IsAsciiLetter(c));
}

std::string Narrow(const std::u16string& text, std::size_t begin, std::size_t end) {
    std::string ascii;
    for (std::size_t i = begin; i < end; ++i) {
        ascii += static_cast<char>(text[i]);
    }
    return ascii;
}

template <typename Accept>
std::size_t RunEnd(const std::u16string& line, std::size_t begin, Accept accept) {
    std::size_t end = begin;
    while (end < line.size() && end - begin < 64 && line[end] < 0x80 && accept(line[end])) {
        ++end;
    }
    return end;
}

}  // namespace

void FindStandInForms(const std::u16string& line, std::vector<StandInForm>& forms) {
    for (std::size_t i = 0; i < line.size() && forms.size() < kMaxForms; ++i) {
        if (!IsAsciiHex(line[i]) || (i > 0 && (IsAlnum16(line[i - 1]) || line[i - 1] == '.'))) {
            continue;
        }
        const std::size_t dotted =
            RunEnd(line, i, [](char16_t c) { return IsAsciiDigit(c) || c == '.'; });
        std::uint32_t address = 0;
        const std::string quad = Narrow(line, i, dotted);
        if (ParseIPv4(quad.data(), quad.size(), address) && (address >> 24) == 10 &&
            IsMaskedIPv4(address) && (dotted == line.size() || !IsAlnum16(line[dotted]))) {
            forms.push_back({MaskKind::IPv4, std::u16string(quad.begin(), quad.end())});
            i = dotted;
            continue;
        }
        const std::size_t hex =
            RunEnd(line, i, [](char16_t c) { return IsAsciiHex(c) || c == ':' || c == '-'; });
        const std::string token = Narrow(line, i, hex);
        std::string digits;
        IPv6Address address6{};
        if (token.size() == 17 && ParseMac(token.data(), 17, digits) &&
            digits.compare(0, 4, "0200") == 0) {
            forms.push_back({MaskKind::Mac, std::u16string(token.begin(), token.end())});
        } else if (ParseIPv6(token.data(), token.size(), address6) && address6[0] == 0xFD00) {
            forms.push_back({MaskKind::IPv6, std::u16string(token.begin(), token.end())});
        }
        i = std::max(i, hex);
    }
}

MemberSurvey::MemberSurvey(const ITextDecoder* codePage932, std::uint64_t size)
    : m_decoder(codePage932), m_size(size) {}

// The layout that lines are cut by, from the first piece: the classifier, which sees the whole
// member, may judge otherwise, and the fields are then learned from what the lines read.
void MemberSurvey::Decide(const char* data, std::size_t size) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        m_layout = Layout::Utf16;
        return;
    }
    if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        m_layout = Layout::Utf16BigEndian;
        return;
    }
    std::size_t zeros[2] = {};
    const std::size_t head = std::min<std::size_t>(size, 4096) & ~std::size_t{1};
    for (std::size_t i = 0; i < head; ++i) {
        zeros[i % 2] += bytes[i] == 0 ? 1 : 0;
    }
    if (zeros[1] * 10 >= head / 2 && zeros[0] * 4 < zeros[1]) {
        m_layout = Layout::Utf16;
    } else if (zeros[0] * 10 >= head / 2 && zeros[1] * 4 < zeros[0]) {
        m_layout = Layout::Utf16BigEndian;
    } else {
        m_layout = Layout::Bytes;
    }
}

bool MemberSurvey::Feed(const char* data, std::size_t size) {
    m_classifier.Feed(data, size);
    // A member that is no text is left out or archived as it is: nothing is learned from it.
    m_binary = m_binary || m_classifier.SettledBinary(m_size);
    if (m_binary) {
        return false;
    }
    if (m_layout == Layout::Unknown && size > 0) {
        Decide(data, size);
    }
    const bool wide = m_layout != Layout::Bytes;
    for (std::size_t i = 0; i < size; ++i) {
        if (wide && !m_oddByte) {
            m_carry = data[i];
            m_oddByte = true;
            continue;
        }
        if (wide) {
            m_oddByte = false;
            const bool big = m_layout == Layout::Utf16BigEndian;
            const char low = big ? data[i] : m_carry;
            const char high = big ? m_carry : data[i];
            if (low == '\n' && high == 0) {
                EndLine();
                continue;
            }
            m_line += low;
            m_line += high;
        } else if (data[i] == '\n') {
            EndLine();
            continue;
        } else {
            m_line += data[i];
        }
        if (m_line.size() >= kMaxLine) {
            EndLine();
        }
    }
    return true;
}

void MemberSurvey::EndLine() {
    std::u16string line;
    if (m_layout == Layout::Bytes) {
        if (!m_line.empty() && m_line.back() == '\r') {
            m_line.pop_back();
        }
        if (!Utf16OfUtf8(m_line.data(), m_line.size(), line)) {
            line = m_decoder != nullptr && m_line.find('\0') == std::string::npos
                       ? m_decoder->Decode(m_line, 932)
                       : std::u16string();
        }
    } else {
        for (std::size_t i = 0; i + 1 < m_line.size(); i += 2) {
            line += static_cast<char16_t>(static_cast<unsigned char>(m_line[i]) |
                                          static_cast<unsigned char>(m_line[i + 1]) << 8);
        }
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        }
    }
    m_line.clear();
    if (!line.empty() && line.front() == 0xFEFF) {
        line.erase(0, 1);
    }
    std::vector<LearnedValue> learned;
    m_learner.Line(line, learned);
    // A report names its own computer on every line: each value is kept once.
    for (LearnedValue& value : learned) {
        if (m_known.emplace(static_cast<int>(value.kind), value.value, value.under).second) {
            m_learned.push_back(std::move(value));
        }
    }
    FindStandInForms(line, m_forms);
}

TextForm MemberSurvey::Finish(std::vector<LearnedValue>& learned, std::vector<StandInForm>& forms) {
    if (m_binary) {
        return TextForm::Binary;
    }
    if (!m_line.empty()) {
        EndLine();
    }
    learned.insert(learned.end(), m_learned.begin(), m_learned.end());
    forms.insert(forms.end(), m_forms.begin(), m_forms.end());
    return m_classifier.Finish();
}

}  // namespace qeb
