#include <gtest/gtest.h>

#include "app/ClosingLine.h"
#include "app/SystemLocale.h"
#include "support/ConsoleCapture.h"
#include "util/Messages.h"

namespace qeb {
namespace {

TEST(ClosingLineTest, UsesTheSystemTextAndLowerCaseCode) {
    EXPECT_EQ(FormatClosingLine(0x800700A0, L"text\r\n"), L"text\r\n(0x800700a0)");
}

TEST(ClosingLineTest, FallsBackWhenTheSystemHasNoText) {
    EXPECT_EQ(FormatClosingLine(0x8011041F, L""), L"Faild (0x8011041f)");
    EXPECT_EQ(FormatClosingLine(2, L""), L"Faild (0x2)");
}

TEST(ClosingLineTest, PrintsTheFallbackForACodeWithoutSystemText) {
    ASSERT_TRUE(GetSystemErrorText(0x8011041F).empty());
    test::ConsoleCapture capture;
    PrintClosingLine(0x8011041F);
    PrintClosingLine(0);
    EXPECT_EQ(capture.Bytes(), "Faild (0x8011041f)\r\n");
}

TEST(SystemLocaleTest, ComposesTheRuntimeLocaleName) {
    EXPECT_EQ(ComposeLocaleName({L"Japanese", L"Japan", L"932"}), L"Japanese_Japan.932");
}

}  // namespace
}  // namespace qeb
