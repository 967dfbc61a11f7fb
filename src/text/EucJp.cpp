#include "text/EucJp.h"

#include "text/CodePage932.h"

namespace qeb {
namespace {

constexpr unsigned char kSingleShift2 = 0x8E;
constexpr unsigned char kSingleShift3 = 0x8F;

void PutJisX0208AsShiftJis(unsigned char first, unsigned char second, unsigned char*& out) {
    const unsigned j1 = first & 0x7Fu;
    const unsigned j2 = second & 0x7Fu;
    *out++ = static_cast<unsigned char>((j1 + 1) / 2 + (first < 0xDF ? 0x70 : 0xB0));
    if (first % 2 == 0) {
        *out++ = static_cast<unsigned char>(j2 + 0x7E);
    } else {
        *out++ = static_cast<unsigned char>(j2 + (second < 0xE0 ? 0x1F : 0x20));
    }
}

// JIS X 0208 rows 1 to 94 only: what lies past them has no EUC-JP form.
bool PutShiftJisAsEucJp(unsigned char lead, unsigned char trail, std::string& out) {
    if (!IsCodePage932Lead(lead) || lead > 0xEF || !IsCodePage932Trail(trail) || trail > 0xFC) {
        return false;
    }
    unsigned row = (lead <= 0x9F ? lead - 0x71u : lead - 0xB1u) * 2 + 1;
    unsigned cell = 0;
    if (trail >= 0x9F) {
        ++row;
        cell = trail - 0x7Eu;
    } else {
        cell = trail - (trail >= 0x80 ? 0x20u : 0x1Fu);
    }
    out += static_cast<char>(row | 0x80);
    out += static_cast<char>(cell | 0x80);
    return true;
}

}  // namespace

void EucJpToShiftJis(char* text) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    unsigned char* out = reinterpret_cast<unsigned char*>(text);
    while (*in != 0) {
        const unsigned char lead = *in;
        if (lead < 0x80) {
            *out++ = *in++;
        } else if (lead == kSingleShift2) {
            if (in[1] == 0) {
                *out++ = *in++;
            } else {
                *out++ = static_cast<unsigned char>(in[1] | 0x80);
                in += 2;
            }
        } else if (lead == kSingleShift3) {
            if (in[1] != 0 && in[2] != 0) {
                *out++ = 0x81;
                *out++ = 0xAC;
                in += 3;
            } else {
                // Never past the terminator: a lone trailing 0x8F is kept alone.
                *out++ = *in++;
                if (*in != 0) {
                    *out++ = *in++;
                }
            }
        } else if (in[1] == 0) {
            *out++ = *in++;
        } else {
            PutJisX0208AsShiftJis(in[0], in[1], out);
            in += 2;
        }
    }
    *out = 0;
}

std::string ShiftJisToEucJp(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else if (byte >= 0xA1 && byte <= 0xDF) {
            out += static_cast<char>(kSingleShift2);
            out += static_cast<char>(byte);
        } else if (i + 1 >= text.size() ||
                   !PutShiftJisAsEucJp(byte, static_cast<unsigned char>(text[++i]), out)) {
            return {};
        }
    }
    return out;
}

}  // namespace qeb
