// Whether a file's bytes are text, and in which encoding, judged over all of them: a log that
// turns Japanese halfway, a few stray bytes or a run of NUL padding must not make text pass for
// binary, which PACK -mask would otherwise have to leave out or let through unmasked.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qeb {

enum class TextForm {
    Utf16WithMark,       // FF FE, then UTF-16LE
    Utf16,               // UTF-16LE without a mark (as wevtutil writes XML)
    Utf16BigEndian,      // FE FF, or UTF-16BE judged by where its zero bytes fall
    Utf8WithMark,        // EF BB BF, then UTF-8
    Utf8,                // UTF-8, ASCII included
    CodePage932,         // Shift_JIS with Microsoft's extensions
    EucJp,               // EUC-JP
    Utf8AndCodePage932,  // lines of UTF-8 and lines of code page 932 in one file
    Binary,              // anything else
};

// Fed the bytes in order, in pieces of any size; its memory does not grow with the file.
class TextClassifier {
public:
    void Feed(const char* data, std::size_t size);
    TextForm Finish();
    // Whether what was fed already makes a file of `totalSize` bytes binary whatever follows:
    // more damage than any text encoding tolerates in that size.
    bool SettledBinary(std::uint64_t totalSize) const;

private:
    struct Validator {
        std::uint64_t invalid = 0;
        unsigned pending = 0;  // bytes of an unfinished character
        unsigned char lead = 0;
    };
    void FeedByte(unsigned char byte);
    void EndLine();
    void CheckUtf8(unsigned char byte);
    void CheckCodePage932(unsigned char byte);
    void CheckEucJp(unsigned char byte);
    TextForm ByteForm() const;
    bool ReadsAsUtf16(bool bigEndian) const;
    bool IsUtf16(bool bigEndian) const;

    std::uint64_t m_size = 0;
    unsigned char m_head[4] = {};
    std::uint64_t m_zeroEven = 0;
    std::uint64_t m_zeroOdd = 0;
    std::uint64_t m_controls = 0;
    std::uint64_t m_highC1 = 0;  // 80 to A0 but the single shifts: bytes that EUC-JP text lacks
    std::uint64_t m_nulRun = 0;
    // Units that no UTF-16 text holds, read each way: controls and lone surrogates.
    std::uint64_t m_badUnits[2] = {};
    unsigned char m_previous = 0;
    bool m_afterHigh[2] = {};
    Validator m_utf8;
    unsigned char m_utf8Sequence[4] = {};
    Validator m_codePage932;
    Validator m_eucJp;
    // Per line: whether it holds bytes past ASCII, and how its UTF-8 and code page 932 read.
    std::uint64_t m_lineUtf8Start = 0;
    std::uint64_t m_lineCodePage932Start = 0;
    bool m_lineHigh = false;
    std::uint64_t m_utf8Lines = 0;
    std::uint64_t m_codePage932Lines = 0;
    std::uint64_t m_badLines = 0;
};

}  // namespace qeb
