#include "inventory/EucJp.h"

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

}  // namespace qeb
