#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "inventory/TextFileIO.h"
#include "support/FakeTool.h"
#include "support/ProcessHarness.h"
#include "support/Scratch.h"

namespace qeb {
namespace {

using ReadResult = std::pair<ResultCode, std::wstring>;

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16LeMark[] = "\xFF\xFE";
const char kUtf16BeMark[] = "\xFE\xFF";

std::string Utf16Le(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Utf16Be(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t c : text) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    return bytes;
}

class TextFileTest : public testing::Test {
protected:
    std::wstring Write(const std::string& bytes) {
        const std::wstring path = m_scratch / (L"file" + std::to_wstring(++m_files) + L".txt");
        test::WriteBytes(path, bytes);
        return path;
    }

    int Detect(const std::string& bytes) {
        int encoding = -1;
        EXPECT_EQ(CMxTextFileIO::DetectEncoding(Write(bytes), encoding), kSuccess);
        return encoding;
    }

    ReadResult First(const std::string& bytes) {
        std::wstring line = L"untouched";
        const ResultCode result = ReadFirstLine(Write(bytes), line);
        return {result, line};
    }

    // Every line up to the end of the file, each with its result.
    std::vector<ReadResult> Lines(const std::string& bytes, int encoding, int lineEnd) {
        CMxTextFileIO file(encoding, lineEnd);
        EXPECT_EQ(file.Open(Write(bytes), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), kSuccess);
        std::vector<ReadResult> lines;
        for (ResultCode result = kSuccess; result == kSuccess && lines.size() < 100;) {
            std::wstring line;
            result = file.ReadLine(line);
            lines.emplace_back(result, line);
        }
        return lines;
    }

    test::ScratchFolder m_scratch{test::CurrentTestName()};
    int m_files = 0;
};

TEST_F(TextFileTest, DetectionByByteOrderMark) {
    EXPECT_EQ(Detect(""), ENCODING_ANSI);
    EXPECT_EQ(Detect("A"), ENCODING_ANSI);
    EXPECT_EQ(Detect("AB"), ENCODING_ANSI);
    EXPECT_EQ(Detect("\xEF\xBB"), ENCODING_ANSI);
    EXPECT_EQ(Detect("\xFF\xFE"), ENCODING_UTF16LE);
    EXPECT_EQ(Detect("\xFF\xFE"
                     "a\0"),
              ENCODING_UTF16LE);
    EXPECT_EQ(Detect("\xFE\xFF\0a"), ENCODING_UTF16BE);
    EXPECT_EQ(Detect("\xEF\xBB\xBF"), ENCODING_UTF8);
    EXPECT_EQ(Detect("\xEF\xBB\xBFx"), ENCODING_UTF8);
    EXPECT_EQ(Detect("\xE6\x97\xA5"), ENCODING_ANSI);
}

TEST_F(TextFileTest, MissingFile) {
    int encoding = -1;
    EXPECT_EQ(CMxTextFileIO::DetectEncoding(m_scratch / L"missing.txt", encoding), kFileNotFound);
    EXPECT_EQ(encoding, ENCODING_ANSI);
    std::wstring line = L"untouched";
    EXPECT_EQ(ReadFirstLine(m_scratch / L"missing.txt", line), kFileNotFound);
    EXPECT_EQ(line, L"untouched");
    EXPECT_EQ(ReadFirstLine(m_scratch.Path(), line) & 0xFFFF0000u, 0x80070000u);
    EXPECT_EQ(line, L"untouched");
}

TEST_F(TextFileTest, FirstLineInEveryEncoding) {
    EXPECT_EQ(First("1.0.3\r\nsecond"), ReadResult(kSuccess, L"1.0.3"));
    EXPECT_EQ(First("\x93\xfa\x96\x7b 2.0\r\n"), ReadResult(kSuccess, L"日本 2.0"));
    EXPECT_EQ(First(kUtf8Mark + std::string("\xE6\x97\xA5\xE6\x9C\xAC 3.0\r\nx")),
              ReadResult(kSuccess, L"日本 3.0"));
    // Without its mark UTF-8 is taken for code page 932.
    EXPECT_EQ(First("\xE6\x97\xA5\xE6\x9C\xAC"), ReadResult(kSuccess, L"\x8b4c\xff65\x8b5b\xff6c"));
    EXPECT_EQ(First(kUtf16LeMark + Utf16Le(L"日本 4.0\r\nx")), ReadResult(kSuccess, L"日本 4.0"));
    EXPECT_EQ(First(kUtf16BeMark + Utf16Be(L"日本 5.0\r\nx")), ReadResult(kSuccess, L"日本 5.0"));
}

TEST_F(TextFileTest, EmptyFirstLineLeavesTheOutput) {
    EXPECT_EQ(First(""), ReadResult(kSuccess, L"untouched"));
    EXPECT_EQ(First("\r\nsecond"), ReadResult(kSuccess, L"untouched"));
    EXPECT_EQ(First(kUtf8Mark), ReadResult(kSuccess, L"untouched"));
    EXPECT_EQ(First(kUtf16LeMark), ReadResult(kSuccess, L"untouched"));
}

TEST_F(TextFileTest, LoneCarriageReturnInCrLfMode) {
    EXPECT_EQ(First("a\rb\r\nc"), ReadResult(kSuccess, L"ab"));
    EXPECT_EQ(First("a\r\rb\r\n"), ReadResult(kSuccess, L"ab"));
    EXPECT_EQ(First(kUtf16LeMark + Utf16Le(L"a\rb\r\nc")), ReadResult(kSuccess, L"ab"));
    EXPECT_EQ(First("ab\r"), ReadResult(kSuccess, L"ab"));
}

TEST_F(TextFileTest, LastLineWithoutLineEnd) {
    EXPECT_EQ(Lines("one\r\ntwo", ENCODING_ANSI, LINEEND_CRLF),
              (std::vector<ReadResult>{{kSuccess, L"one"}, {kEndOfFile, L"two"}}));
    EXPECT_EQ(Lines("one\r\n", ENCODING_ANSI, LINEEND_CRLF),
              (std::vector<ReadResult>{{kSuccess, L"one"}, {kEndOfFile, L""}}));
    EXPECT_EQ(Lines(kUtf16LeMark + Utf16Le(L"one\r\ntwo"), ENCODING_UTF16LE, LINEEND_CRLF),
              (std::vector<ReadResult>{{kSuccess, L"one"}, {kEndOfFile, L"two"}}));
    EXPECT_EQ(First("two"), ReadResult(kSuccess, L"two"));
}

TEST_F(TextFileTest, LineEndModes) {
    const std::string text = "a\nb\rc\r\nd";
    EXPECT_EQ(Lines(text, ENCODING_ANSI, LINEEND_LF),
              (std::vector<ReadResult>{{kSuccess, L"a"}, {kSuccess, L"bc"}, {kEndOfFile, L"d"}}));
    EXPECT_EQ(Lines(text, ENCODING_ANSI, LINEEND_CR),
              (std::vector<ReadResult>{{kSuccess, L"ab"}, {kSuccess, L"c"}, {kEndOfFile, L"d"}}));
    EXPECT_EQ(Lines(text, ENCODING_ANSI, 7), (std::vector<ReadResult>{{kEndOfFile, L"abcd"}}));
    EXPECT_EQ(Lines(kUtf16BeMark + Utf16Be(L"x\ny"), ENCODING_UTF16BE, LINEEND_LF),
              (std::vector<ReadResult>{{kSuccess, L"x"}, {kEndOfFile, L"y"}}));
}

TEST_F(TextFileTest, Utf16LinesStopAfter1000Units) {
    const std::wstring first(1500, L'x');
    EXPECT_EQ(First(kUtf16LeMark + Utf16Le(first + L"\r\nnext")),
              ReadResult(kSuccess, std::wstring(1000, L'x')));
    const std::vector<ReadResult> lines =
        Lines(kUtf16LeMark + Utf16Le(first + L"\r\nnext"), ENCODING_UTF16LE, LINEEND_CRLF);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], ReadResult(kSuccess, std::wstring(500, L'x')));
    EXPECT_EQ(lines[2], ReadResult(kEndOfFile, L"next"));

    // A carriage return as the 1000th unit does not swallow the unit after it.
    const std::wstring atLimit = std::wstring(999, L'y') + L"\rz";
    const std::vector<ReadResult> split =
        Lines(kUtf16LeMark + Utf16Le(atLimit), ENCODING_UTF16LE, LINEEND_CRLF);
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0], ReadResult(kSuccess, std::wstring(999, L'y')));
    EXPECT_EQ(split[1], ReadResult(kEndOfFile, L"z"));
}

TEST_F(TextFileTest, ByteLinesGrowPastTheirFirstBuffer) {
    const std::string line(2500, 'q');
    EXPECT_EQ(First(line + "\r\n"), ReadResult(kSuccess, std::wstring(1000, L'q')));
    EXPECT_EQ(First(std::string(1000, 'q') + "\r\n"),
              ReadResult(kSuccess, std::wstring(1000, L'q')));
}

TEST_F(TextFileTest, RawBytesStopAtAZeroByte) {
    CMxTextFileIO file(ENCODING_ANSI, LINEEND_CRLF);
    ASSERT_EQ(file.Open(Write(std::string("ab\0cd\r\nef", 9)), GENERIC_READ, 0, OPEN_EXISTING),
              kSuccess);
    std::string bytes;
    EXPECT_EQ(file.ReadLineA(bytes), kSuccess);
    EXPECT_EQ(bytes, "ab");
    EXPECT_EQ(file.ReadLineA(bytes), kEndOfFile);
    EXPECT_EQ(bytes, "ef");
}

TEST_F(TextFileTest, EucJpAndShiftJisLines) {
    // 日本語 ﾃｽﾄ in EUC-JP, as iconv writes it.
    EXPECT_EQ(
        Lines("\xc6\xfc\xcb\xdc\xb8\xec \x8e\xc3\x8e\xbd\x8e\xc4\r\n", ENCODING_EUCJP, LINEEND_CRLF)
            .front(),
        ReadResult(kSuccess, L"日本語 ﾃｽﾄ"));
    EXPECT_EQ(Lines("\x95\x5c\x83\x5c\r\n", ENCODING_SJIS, LINEEND_CRLF).front(),
              ReadResult(kSuccess, L"表ソ"));
}

// Another process writing the file is what makes the reader wait for the rest of a line.
TEST_F(TextFileTest, FileIsBeingWrittenWhileAnotherProcessHoldsItForWriting) {
    const std::wstring path = Write("version 1.0");
    CMxTextFileIO file;
    ASSERT_EQ(file.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              kSuccess);
    EXPECT_FALSE(file.IsBeingWritten());

    test::BackgroundProcess writer(
        test::FakeToolPath(), {},
        {{}, {{L"QEB_FAKE_HOLD", path}, {L"QEB_FAKE_SLEEP_MS", L"60000"}}});
    // A process can take seconds to start on a busy machine.
    for (int i = 0; i < 3000 && !file.IsBeingWritten(); ++i) {
        ::Sleep(10);
    }
    EXPECT_TRUE(file.IsBeingWritten());
    writer.Terminate();
    EXPECT_FALSE(file.IsBeingWritten());
}

}  // namespace
}  // namespace qeb
