#include <gtest/gtest.h>

#include <string>

#include "inventory/BufferedByteSource.h"
#include "inventory/LineReader.h"
#include "support/MemorySource.h"
#include "support/PlainLineStores.h"

namespace qeb {
namespace {

using test::MemorySource;

struct ByteLine {
    ResultCode result;
    std::string text;
    bool operator==(const ByteLine& other) const {
        return result == other.result && text == other.text;
    }
};

ByteLine NextByteLine(IByteSource& source, int encoding = ENCODING_ANSI) {
    test::StringLineStore store;
    const ResultCode result = ReadByteLine(source, encoding, LINEEND_CRLF, store);
    return {result, store.Text()};
}

TEST(LineReaderTest, AFailedReadDropsThePartOfTheLineReadSoFar) {
    const std::string bytes = "abc\r\ndefgh\r\n";
    MemorySource source(bytes.data(), bytes.size());
    source.FailAt(7);
    EXPECT_EQ(NextByteLine(source), (ByteLine{kSuccess, "abc"}));
    EXPECT_EQ(NextByteLine(source).result, test::kReadFault);

    const std::u16string units =
        u"\xFEFF"
        u"ab\r\ncd";
    MemorySource utf16(units.data(), units.size() * 2);
    utf16.FailAt(11);
    std::u16string line;
    EXPECT_EQ(ReadUtf16Line(utf16, LINEEND_CRLF, false, line), kSuccess);
    EXPECT_EQ(line, u"ab");
    line = u"kept";
    EXPECT_EQ(ReadUtf16Line(utf16, LINEEND_CRLF, false, line), test::kReadFault);
    EXPECT_EQ(line, u"kept");
}

TEST(LineReaderTest, WaitsForTheRestOfALineOnlyWhileTheFileIsBeingWritten) {
    const std::string open = "abc";
    MemorySource nobodyWrites(open.data(), open.size());
    EXPECT_EQ(NextByteLine(nobodyWrites), (ByteLine{kEndOfFile, "abc"}));
    EXPECT_EQ(nobodyWrites.Pauses(), 0);

    MemorySource writerAddsNothing(open.data(), open.size());
    writerAddsNothing.KeepWriting();
    EXPECT_EQ(NextByteLine(writerAddsNothing), (ByteLine{kEndOfFile, "abc"}));
    EXPECT_EQ(writerAddsNothing.Pauses(), 3);

    const std::string closed = "abc\r\n";
    MemorySource finished(closed.data(), closed.size());
    finished.KeepWriting();
    EXPECT_EQ(NextByteLine(finished), (ByteLine{kSuccess, "abc"}));
    EXPECT_EQ(NextByteLine(finished), (ByteLine{kEndOfFile, ""}));
    EXPECT_EQ(finished.Pauses(), 0);
}

TEST(LineReaderTest, TheRestOfALineWrittenDuringAPauseBelongsToIt) {
    const std::string bytes = "abcdef\r\nnext";
    MemorySource source(bytes.data(), bytes.size());
    source.GrowAfterPauses(3, 2);
    EXPECT_EQ(NextByteLine(source), (ByteLine{kSuccess, "abcdef"}));
    EXPECT_EQ(source.Pauses(), 2);
}

TEST(LineReaderTest, DetectionPassesAReadFailureOn) {
    const std::string bytes = "\xEF\xBB\xBFx";
    MemorySource source(bytes.data(), bytes.size());
    source.FailAt(2);
    int encoding = -1;
    EXPECT_EQ(DetectEncoding(source, bytes.size(), encoding), test::kReadFault);
    EXPECT_EQ(encoding, ENCODING_ANSI);
}

TEST(LineReaderTest, DecodedLinesLoseEveryCarriageReturnAndLineFeed) {
    const std::string bytes = "a\rb\nc\r\nd";
    MemorySource source(bytes.data(), bytes.size());
    test::StringLineStore store;
    std::u16string line;
    EXPECT_EQ(
        ReadTextLine(source, ENCODING_SJIS, LINEEND_CRLF, store, test::ByteValueDecoder(), line),
        kSuccess);
    EXPECT_EQ(line, u"abc");
}

TEST(LineReaderTest, ByteLinesEndBeforeACharacterThatWouldPassTheLimit) {
    struct Case {
        int encoding;
        std::string character;
    };
    const Case cases[] = {
        {ENCODING_SJIS, "\x93\xfa"},     {ENCODING_ANSI, "\x82\xa0"},
        {ENCODING_EUCJP, "\xc6\xfc"},    {ENCODING_EUCJP, "\x8f\xec\xbf"},
        {ENCODING_UTF8, "\xe6\x97\xa5"}, {ENCODING_UTF8, "\xf0\x9f\x98\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.character);
        const std::string fill(kMaxByteLineBytes - c.character.size() + 1, 'a');
        const std::string bytes = fill + c.character + "z\r\n";
        MemorySource source(bytes.data(), bytes.size());
        EXPECT_EQ(NextByteLine(source, c.encoding), (ByteLine{kSuccess, fill}));
        EXPECT_EQ(NextByteLine(source, c.encoding), (ByteLine{kSuccess, c.character + "z"}));
    }
    // Single bytes fill the line to the limit; the rest, line end included, is the next line.
    const std::string bytes = std::string(kMaxByteLineBytes + 5, 'q') + "\r\n";
    MemorySource source(bytes.data(), bytes.size());
    EXPECT_EQ(NextByteLine(source), (ByteLine{kSuccess, std::string(kMaxByteLineBytes, 'q')}));
    EXPECT_EQ(NextByteLine(source), (ByteLine{kSuccess, "qqqqq"}));
}

TEST(LineReaderTest, BufferedReadingAsksTheFileOncePerBlock) {
    std::string bytes;
    for (int i = 0; i < 500; ++i) {
        bytes += "line " + std::to_string(i) + "\r\n";
    }
    MemorySource file(bytes.data(), bytes.size());
    BufferedByteSource buffered(file, 1024);
    int lines = 0;
    while (NextByteLine(buffered).result == kSuccess) {
        ++lines;
    }
    EXPECT_EQ(lines, 500);
    EXPECT_LE(file.Reads(), static_cast<int>(bytes.size() / 1024 + 2));
}

}  // namespace
}  // namespace qeb
