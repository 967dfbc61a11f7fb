// The line readers. Input: an encoding selector, a line-end mode, a read-fault offset (two
// bytes, little endian), then the file's bytes. Every line comes without CR or LF, UTF-16
// lines stay within their limit, every successful call consumes bytes, and the source is
// never read past its end (the memory source reads the fuzzer's buffer in place).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "inventory/LineReader.h"
#include "support/MemorySource.h"
#include "support/PlainLineStores.h"

namespace {

constexpr int kDetectFirst = 7;  // as ReadFirstLine: the encoding from the byte-order mark

struct Input {
    int encoding;
    int lineEnd;
    size_t faultAt;
    const uint8_t* bytes;
    size_t size;
};

Input Decode(const uint8_t* data, size_t size) {
    static const int kEncodings[] = {qeb::ENCODING_ANSI,  qeb::ENCODING_UTF16LE,
                                     qeb::ENCODING_UTF16BE, qeb::ENCODING_UTF8,
                                     qeb::ENCODING_EUCJP, qeb::ENCODING_SJIS,
                                     42,                  kDetectFirst};
    return Input{kEncodings[data[0] % 8], data[1] % 4, static_cast<size_t>(data[2] | data[3] << 8),
                 data + 4, size - 4};
}

bool IsKnownEncoding(int encoding) {
    return encoding >= qeb::ENCODING_ANSI && encoding <= qeb::ENCODING_SJIS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    Input input = Decode(data, size);
    if (input.encoding == kDetectFirst) {
        qeb::test::MemorySource detection(input.bytes, input.size);
        detection.FailAt(input.faultAt);
        if (qeb::DetectEncoding(detection, input.size, input.encoding) != qeb::kSuccess) {
            return 0;
        }
        FUZZ_CHECK(input.encoding >= qeb::ENCODING_ANSI &&
                   input.encoding <= qeb::ENCODING_UTF8);
    }
    const bool utf16 =
        input.encoding == qeb::ENCODING_UTF16LE || input.encoding == qeb::ENCODING_UTF16BE;

    qeb::test::MemorySource source(input.bytes, input.size);
    source.FailAt(input.faultAt);
    const qeb::test::ByteValueDecoder decoder;
    for (size_t call = 0; call <= input.size + 1; ++call) {
        std::uint64_t before = 0;
        source.GetPosition(before);
        const int pausesBefore = source.Pauses();
        qeb::test::StringLineStore store;
        std::u16string line;
        const qeb::ResultCode result =
            qeb::ReadTextLine(source, input.encoding, input.lineEnd, store, decoder, line);
        FUZZ_CHECK(line.find_first_of(u"\r\n") == std::u16string::npos);
        FUZZ_CHECK(!utf16 || line.size() <= qeb::kMaxUtf16LineUnits);
        FUZZ_CHECK(source.Pauses() - pausesBefore <= 3);
        if (result != qeb::kSuccess || !IsKnownEncoding(input.encoding)) {
            return 0;
        }
        std::uint64_t after = 0;
        source.GetPosition(after);
        FUZZ_CHECK(after > before);
    }
    FUZZ_CHECK(!"a successful call consumes at least one byte, so the file ends first");
    return 0;
}
