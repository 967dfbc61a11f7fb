// The byte structure of code page 932 (Shift_JIS with Microsoft's extensions), shared by every
// reader of such text: a lead byte takes the next byte as its trail, and a trail may look like
// an ASCII letter, digit or backslash.
#pragma once

namespace qeb {

constexpr bool IsCodePage932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

constexpr bool IsCodePage932Trail(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Bytes that stand alone in no code page 932 text.
constexpr bool IsCodePage932Invalid(unsigned char c) {
    return c == 0x80 || c == 0xA0 || c > 0xFC;
}

}  // namespace qeb
