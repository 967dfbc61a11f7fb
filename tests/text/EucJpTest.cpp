#include <gtest/gtest.h>

#include <string>

#include "text/EucJp.h"

namespace qeb {
namespace {

std::string Convert(std::string bytes) {
    EucJpToShiftJis(bytes.data());
    return std::string(bytes.c_str());
}

// Expected bytes come from iconv -f EUC-JP -t SHIFT_JIS, not from the mapping formula.
TEST(EucJpTest, JisX0208AndHalfWidthKatakanaMatchIconv) {
    // 日本語 表ソ能, then leads odd and even, below and from 0xDF, seconds below and from 0xE0.
    EXPECT_EQ(Convert("A\xc6\xfc\xcb\xdc\xb8\xec \xc9\xbd\xa5\xbd\xc7\xbd"),
              "A\x93\xfa\x96\x7b\x8c\xea \x95\x5c\x83\x5c\x94\x5c");
    EXPECT_EQ(Convert("\xb1\xe5\xb1\xdf\xb1\xa1\xb0\xfe\xdf\xa1\xdf\xe7\xde\xf0\xe0\xa1\xf4\xa6"),
              "\x89\x85\x89\x7e\x89\x40\x88\xfc\xe0\x40\xe0\x87\x9f\xee\xe0\x9f\xea\xa4");
    // ｱｲｳﾞﾟ
    EXPECT_EQ(Convert("\x8e\xb1\x8e\xb2\x8e\xb3\x8e\xde\x8e\xdfz"), "\xb1\xb2\xb3\xde\xdfz");
    EXPECT_EQ(Convert("plain ASCII"), "plain ASCII");
    EXPECT_EQ(Convert(""), "");
}

// The way back gives the same iconv pairs, and nothing for what EUC-JP cannot show.
TEST(EucJpTest, ShiftJisBackToEucJp) {
    EXPECT_EQ(ShiftJisToEucJp("A\x93\xfa\x96\x7b\x8c\xea \x95\x5c\x83\x5c\x94\x5c"),
              "A\xc6\xfc\xcb\xdc\xb8\xec \xc9\xbd\xa5\xbd\xc7\xbd");
    EXPECT_EQ(
        ShiftJisToEucJp("\x89\x85\x89\x7e\x89\x40\x88\xfc\xe0\x40\xe0\x87\x9f\xee\xe0\x9f\xea\xa4"),
        "\xb1\xe5\xb1\xdf\xb1\xa1\xb0\xfe\xdf\xa1\xdf\xe7\xde\xf0\xe0\xa1\xf4\xa6");
    EXPECT_EQ(ShiftJisToEucJp("\xb1\xb2\xdfz"), "\x8e\xb1\x8e\xb2\x8e\xdfz");
    EXPECT_EQ(ShiftJisToEucJp("\xfa\x40"), "");
    EXPECT_EQ(ShiftJisToEucJp("a\x93"), "");
}

TEST(EucJpTest, SupplementaryKanjiBecomesGetaMark) {
    // 鷗 is 8F EC BF in EUC-JP and has no Shift_JIS code.
    EXPECT_EQ(Convert("a\x8f\xec\xbf"
                      "b"),
              "a\x81\xac"
              "b");
}

TEST(EucJpTest, TextCutOffAfterALeadByteStopsAtTheTerminator) {
    EXPECT_EQ(Convert("a\x8f\xec"), "a\x8f\xec");
    EXPECT_EQ(Convert("a\x8f"), "a\x8f");
    EXPECT_EQ(Convert("a\x8e"), "a\x8e");
    EXPECT_EQ(Convert("a\xc6"), "a\xc6");

    // Nothing is read or written past the terminator.
    std::string buffer("a\x8f\0XY", 5);
    EucJpToShiftJis(buffer.data());
    EXPECT_EQ(buffer, std::string("a\x8f\0XY", 5));
}

}  // namespace
}  // namespace qeb
