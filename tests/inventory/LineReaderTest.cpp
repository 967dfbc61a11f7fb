#include <gtest/gtest.h>

#include <string>

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

ByteLine NextByteLine(MemorySource& source, int lineEnd = LINEEND_CRLF) {
    test::StringLineStore store;
    const ResultCode result = ReadByteLine(source, lineEnd, store);
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

TEST(LineReaderTest, PausesOnlyWhenALineStartedAndTheFileSaysNoMore) {
    const std::string open = "abc";
    MemorySource unfinished(open.data(), open.size());
    EXPECT_EQ(NextByteLine(unfinished), (ByteLine{kEndOfFile, "abc"}));
    EXPECT_EQ(unfinished.Pauses(), 3);

    const std::string closed = "abc\r\n";
    MemorySource finished(closed.data(), closed.size());
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

}  // namespace
}  // namespace qeb
