// The line readers. Input: an encoding selector, a line-end mode, a read-fault offset (two
// bytes, little endian), a writer byte, a block size, then the file's bytes.
//
// Every line comes without CR or LF; UTF-16 lines stay within 1000 units and byte lines
// within 1000 bytes, and a byte line cut at the limit never ends inside a character; every
// successful call consumes bytes; only a file that is being written is ever waited on; the
// source is never read past its end (the memory source reads the fuzzer's buffer in place);
// and reading through the block buffer gives exactly what reading the file itself gives.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "inventory/BufferedByteSource.h"
#include "inventory/LineReader.h"
#include "support/MemorySource.h"
#include "support/PlainLineStores.h"

namespace {

constexpr int kDetectFirst = 7;  // as ReadFirstLine: the encoding from the byte-order mark
constexpr size_t kHeaderSize = 6;

struct Input {
    int encoding;
    int lineEnd;
    size_t faultAt;
    int writer;  // 0: nobody writes; else the rest of the file arrives after some pauses
    size_t blockSize;
    const uint8_t* bytes;
    size_t size;
};

Input Decode(const uint8_t* data, size_t size) {
    static const int kEncodings[] = {qeb::ENCODING_ANSI,
                                     qeb::ENCODING_UTF16LE,
                                     qeb::ENCODING_UTF16BE,
                                     qeb::ENCODING_UTF8,
                                     qeb::ENCODING_EUCJP,
                                     qeb::ENCODING_SJIS,
                                     42,
                                     kDetectFirst};
    const size_t blockSize = data[5] == 0 ? qeb::BufferedByteSource::kDefaultBlockSize : data[5];
    return Input{kEncodings[data[0] % 8],
                 data[1] % 4,
                 static_cast<size_t>(data[2] | data[3] << 8),
                 data[4] % 4,
                 blockSize,
                 data + kHeaderSize,
                 size - kHeaderSize};
}

bool IsKnownEncoding(int encoding) {
    return encoding >= qeb::ENCODING_ANSI && encoding <= qeb::ENCODING_SJIS;
}

bool IsByteEncoding(int encoding) {
    return IsKnownEncoding(encoding) && encoding != qeb::ENCODING_UTF16LE &&
           encoding != qeb::ENCODING_UTF16BE;
}

void Prepare(qeb::test::MemorySource& source, const Input& input) {
    source.FailAt(input.faultAt);
    if (input.writer != 0) {
        source.GrowAfterPauses(input.size * input.writer / 4, input.writer);
    }
}

struct Call {
    qeb::ResultCode result;
    std::u16string line;
    size_t stored;
    std::uint64_t positionAfter;
    int pauses;
    bool operator==(const Call& other) const {
        return result == other.result && line == other.line && stored == other.stored &&
               positionAfter == other.positionAfter && pauses == other.pauses;
    }
};

// Whether a byte line ended at the length limit rather than at a line end: then the bytes
// before the position are no line end of the mode.
bool EndedAtTheLimit(const Input& input, std::uint64_t position) {
    if (position == 0 || position > input.size) {
        return false;
    }
    const uint8_t last = input.bytes[position - 1];
    switch (input.lineEnd) {
        case qeb::LINEEND_LF:
            return last != '\n';
        case qeb::LINEEND_CR:
            return last != '\r';
        case qeb::LINEEND_CRLF:
            return !(last == '\n' && position >= 2 && input.bytes[position - 2] == '\r') &&
                   !(last == '\r' && position == input.size);
        default:
            return true;
    }
}

// Walks the stored bytes character by character from the start of the line.
bool EndsOnACharacterBoundary(int encoding, const std::u16string& bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        i += qeb::CharacterLength(encoding, static_cast<unsigned char>(bytes[i]));
    }
    return i == bytes.size();
}

std::vector<Call> ReadAllLines(qeb::IByteSource& source, const Input& input, int pausesBefore,
                               const qeb::test::MemorySource& counter) {
    std::vector<Call> calls;
    const qeb::test::ByteValueDecoder decoder;
    const bool utf16 = IsKnownEncoding(input.encoding) && !IsByteEncoding(input.encoding);
    for (size_t call = 0; call <= input.size + 1; ++call) {
        std::uint64_t before = 0;
        source.GetPosition(before);
        qeb::test::StringLineStore store;
        std::u16string line;
        const qeb::ResultCode result =
            qeb::ReadTextLine(source, input.encoding, input.lineEnd, store, decoder, line);
        std::uint64_t after = 0;
        source.GetPosition(after);
        calls.push_back(Call{result, line, store.Size(), after, counter.Pauses() - pausesBefore});

        FUZZ_CHECK(line.find_first_of(u"\r\n") == std::u16string::npos);
        FUZZ_CHECK(!utf16 || line.size() <= qeb::kMaxUtf16LineUnits);
        FUZZ_CHECK(store.Size() <= qeb::kMaxByteLineBytes);
        FUZZ_CHECK(input.writer != 0 || counter.Pauses() == pausesBefore);
        if (result != qeb::kSuccess || !IsKnownEncoding(input.encoding)) {
            return calls;
        }
        FUZZ_CHECK(after > before);
        if (IsByteEncoding(input.encoding) && input.faultAt >= input.size && input.writer == 0 &&
            EndedAtTheLimit(input, after)) {
            const std::string raw = store.Text();
            if (raw.size() == store.Size()) {  // a zero byte hides the rest of the line
                FUZZ_CHECK(EndsOnACharacterBoundary(input.encoding, decoder.Decode(raw, 0)));
            }
        }
    }
    FUZZ_CHECK(!"a successful call consumes at least one byte, so the file ends first");
    return calls;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) {
        return 0;
    }
    Input input = Decode(data, size);
    if (input.encoding == kDetectFirst) {
        qeb::test::MemorySource detection(input.bytes, input.size);
        detection.FailAt(input.faultAt);
        if (qeb::DetectEncoding(detection, input.size, input.encoding) != qeb::kSuccess) {
            return 0;
        }
        FUZZ_CHECK(input.encoding >= qeb::ENCODING_ANSI && input.encoding <= qeb::ENCODING_UTF8);
    }

    qeb::test::MemorySource file(input.bytes, input.size);
    Prepare(file, input);
    const std::vector<Call> direct = ReadAllLines(file, input, 0, file);

    qeb::test::MemorySource blockFile(input.bytes, input.size);
    Prepare(blockFile, input);
    qeb::BufferedByteSource buffered(blockFile, input.blockSize);
    const std::vector<Call> throughBuffer = ReadAllLines(buffered, input, 0, blockFile);
    FUZZ_CHECK(direct == throughBuffer);
    return 0;
}
