#include "text/TextClassifier.h"

#include <algorithm>

#include "text/CodePage932.h"
#include "text/Unicode.h"

namespace qeb {
namespace {

// Shorter runs of NUL are stray bytes; longer ones are padding that a log writer preallocated.
constexpr std::uint64_t kPaddingRun = 8;

// A few damaged bytes do not make text binary: a log cut by a crash, a stray byte of another
// encoding, a control character that a program printed.
std::uint64_t Tolerance(std::uint64_t size) {
    return std::min<std::uint64_t>(8, size / 16) + size / 1000;
}

bool IsTextControl(unsigned unit) {
    return unit == '\t' || unit == '\n' || unit == '\r' || unit == '\f' || unit == 0x1A ||
           unit == 0x1B;
}

// The rows of JIS X 0208 that hold characters, with NEC's row 13; random bytes past A0 would
// otherwise read as EUC-JP.
bool IsJisX0208Row(unsigned char lead) {
    return (lead >= 0xA1 && lead <= 0xA8) || lead == 0xAD || (lead >= 0xB0 && lead <= 0xF4);
}

std::size_t Utf8LengthOf(unsigned char lead) {
    return lead < 0xC2 || lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
}

}  // namespace

// Most of a log is printable ASCII, which every encoding reads alike, and most of a UTF-16 report
// is such characters with a zero byte after each: both kinds of runs are taken whole, by their
// byte pairs' effect on the counts alone.
void TextClassifier::Feed(const char* data, std::size_t size) {
    const auto plain = [data](std::size_t i) {
        return static_cast<unsigned char>(data[i]) >= 0x20 &&
               static_cast<unsigned char>(data[i]) < 0x7F;
    };
    for (std::size_t i = 0; i < size;) {
        const bool idle = m_size >= sizeof m_head && m_size % 2 == 0 && m_nulRun <= 1 &&
                          m_utf8.pending == 0 && m_codePage932.pending == 0 && m_eucJp.pending == 0;
        std::size_t ascii = i;
        while (idle && m_nulRun == 0 && ascii + 1 < size && plain(ascii) && plain(ascii + 1)) {
            ascii += 2;
        }
        std::size_t wide = i;
        while (idle && ascii == i && wide + 1 < size && plain(wide) && data[wide + 1] == 0) {
            wide += 2;
        }
        const std::size_t end = std::max(ascii, wide);
        if (end == i) {
            FeedByte(static_cast<unsigned char>(data[i++]));
            continue;
        }
        // A pair of a printable ASCII byte and another or a zero is a unit of neither surrogate
        // nor control, either way round.
        for (int order = 0; order < 2; ++order) {
            m_badUnits[order] += m_afterHigh[order] ? 1 : 0;
            m_afterHigh[order] = false;
        }
        if (wide > i) {
            // Every zero but the last ended a run of one NUL; the last may go on.
            const std::size_t pairs = (wide - i) / 2;
            m_controls += m_nulRun + pairs - 1;
            m_nulRun = 1;
            m_zeroOdd += pairs;
        }
        m_size += end - i;
        m_previous = static_cast<unsigned char>(data[end - 1]);
        i = end;
    }
}

void TextClassifier::FeedByte(unsigned char byte) {
    if (m_size < sizeof m_head) {
        m_head[m_size] = byte;
    }
    const bool odd = m_size % 2 != 0;
    ++m_size;
    (odd ? m_zeroOdd : m_zeroEven) += byte == 0 ? 1 : 0;
    if (odd) {
        const unsigned units[2] = {static_cast<unsigned>(m_previous | byte << 8),
                                   static_cast<unsigned>(m_previous << 8 | byte)};
        for (int order = 0; order < 2; ++order) {
            const unsigned unit = units[order];
            const bool high = unit >= 0xD800 && unit <= 0xDBFF;
            const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
            const bool bad = (unit < 0x20 && !IsTextControl(unit)) || (low != m_afterHigh[order]);
            m_badUnits[order] += bad ? 1 : 0;
            m_afterHigh[order] = high;
        }
    }
    m_previous = byte;
    if (byte == 0) {
        ++m_nulRun;
    } else {
        m_controls += m_nulRun < kPaddingRun ? m_nulRun : 0;
        m_nulRun = 0;
        m_controls += (byte < 0x20 && !IsTextControl(byte)) || byte == 0x7F ? 1 : 0;
    }
    m_highC1 += byte >= 0x80 && byte <= 0xA0 && byte != 0x8E && byte != 0x8F ? 1 : 0;
    m_lineHigh = m_lineHigh || byte >= 0x80;
    CheckUtf8(byte);
    CheckCodePage932(byte);
    CheckEucJp(byte);
    if (byte == '\n') {
        EndLine();
    }
}

void TextClassifier::CheckUtf8(unsigned char byte) {
    Validator& v = m_utf8;
    if (v.pending > 0) {
        if ((byte & 0xC0) == 0x80) {
            m_utf8Sequence[v.lead - v.pending] = byte;
            if (--v.pending == 0 && Utf8SequenceAt(m_utf8Sequence, v.lead) != v.lead) {
                ++v.invalid;  // overlong, a surrogate or past U+10FFFF
            }
            return;
        }
        ++v.invalid;
        v.pending = 0;
    }
    if (byte < 0x80) {
        return;
    }
    v.lead = static_cast<unsigned char>(Utf8LengthOf(byte));
    if (v.lead == 0) {
        ++v.invalid;
        return;
    }
    m_utf8Sequence[0] = byte;
    v.pending = v.lead - 1u;
}

void TextClassifier::CheckCodePage932(unsigned char byte) {
    Validator& v = m_codePage932;
    if (v.pending > 0) {
        v.pending = 0;
        if (IsCodePage932Trail(byte)) {
            return;
        }
        ++v.invalid;
    }
    if (IsCodePage932Lead(byte)) {
        v.pending = 1;
    } else if (IsCodePage932Invalid(byte)) {
        ++v.invalid;
    }
}

void TextClassifier::CheckEucJp(unsigned char byte) {
    Validator& v = m_eucJp;
    if (v.pending > 0) {
        const unsigned char last = v.lead == 0x8E ? 0xDF : 0xFE;
        if (byte >= 0xA1 && byte <= last) {
            --v.pending;
            return;
        }
        ++v.invalid;
        v.pending = 0;
    }
    if (byte < 0x80) {
        return;
    }
    v.lead = byte;
    if (byte == 0x8E || IsJisX0208Row(byte)) {
        v.pending = 1;
    } else if (byte == 0x8F) {
        v.pending = 2;
    } else {
        ++v.invalid;
    }
}

void TextClassifier::EndLine() {
    if (m_lineHigh) {
        if (m_utf8.invalid == m_lineUtf8Start && m_utf8.pending == 0) {
            ++m_utf8Lines;
        } else if (m_codePage932.invalid == m_lineCodePage932Start && m_codePage932.pending == 0) {
            ++m_codePage932Lines;
        } else {
            ++m_badLines;
        }
    }
    m_lineHigh = false;
    m_lineUtf8Start = m_utf8.invalid;
    m_lineCodePage932Start = m_codePage932.invalid;
}

bool TextClassifier::ReadsAsUtf16(bool bigEndian) const {
    return m_badUnits[bigEndian ? 1 : 0] + m_size % 2 <= Tolerance(m_size / 2);
}

// Without a mark, by the zero bytes of its ASCII characters, which fall on one side only and
// are at least a tenth of its units: markup, digits, blanks and line ends.
bool TextClassifier::IsUtf16(bool bigEndian) const {
    const std::uint64_t zeroHigh = bigEndian ? m_zeroEven : m_zeroOdd;
    const std::uint64_t zeroLow = bigEndian ? m_zeroOdd : m_zeroEven;
    return m_size >= 2 && zeroHigh * 10 >= m_size / 2 && zeroLow * 4 < zeroHigh &&
           ReadsAsUtf16(bigEndian);
}

TextForm TextClassifier::ByteForm() const {
    if (m_utf8.invalid == 0) {
        return TextForm::Utf8;
    }
    if (m_utf8Lines > 0 && m_codePage932Lines > 0 && m_badLines <= 2) {
        return TextForm::Utf8AndCodePage932;
    }
    const bool eucJp = m_highC1 == 0 && m_eucJp.invalid <= m_codePage932.invalid;
    const std::uint64_t japanese = eucJp ? m_eucJp.invalid : m_codePage932.invalid;
    if (std::min(m_utf8.invalid, japanese) > Tolerance(m_size)) {
        return TextForm::Binary;
    }
    if (m_utf8.invalid <= japanese) {
        return TextForm::Utf8;
    }
    return eucJp ? TextForm::EucJp : TextForm::CodePage932;
}

bool TextClassifier::SettledBinary(std::uint64_t totalSize) const {
    const std::uint64_t units = Tolerance(totalSize / 2) + 1;
    return m_controls > Tolerance(totalSize) && m_badUnits[0] > units && m_badUnits[1] > units;
}

TextForm TextClassifier::Finish() {
    m_utf8.invalid += m_utf8.pending > 0 ? 1 : 0;
    m_codePage932.invalid += m_codePage932.pending > 0 ? 1 : 0;
    m_eucJp.invalid += m_eucJp.pending > 0 ? 1 : 0;
    m_utf8.pending = m_codePage932.pending = m_eucJp.pending = 0;
    EndLine();
    m_controls += m_nulRun < kPaddingRun ? m_nulRun : 0;
    m_nulRun = 0;
    const unsigned char* h = m_head;
    if (m_size >= 2 && h[0] == 0xFF && h[1] == 0xFE) {
        return ReadsAsUtf16(false) ? TextForm::Utf16WithMark : TextForm::Binary;
    }
    if (m_size >= 2 && h[0] == 0xFE && h[1] == 0xFF) {
        return ReadsAsUtf16(true) ? TextForm::Utf16BigEndian : TextForm::Binary;
    }
    if (IsUtf16(false)) {
        return TextForm::Utf16;
    }
    if (IsUtf16(true)) {
        return TextForm::Utf16BigEndian;
    }
    if (m_controls > Tolerance(m_size)) {
        return TextForm::Binary;
    }
    const TextForm form = ByteForm();
    const bool marked = m_size >= 3 && h[0] == 0xEF && h[1] == 0xBB && h[2] == 0xBF;
    return marked && form == TextForm::Utf8 ? TextForm::Utf8WithMark : form;
}

}  // namespace qeb
