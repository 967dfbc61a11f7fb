#include <gtest/gtest.h>

#include "MessageCatalog.h"
#include "support/ExpectedTexts.h"
#include "util/Messages.h"

namespace qeb {
namespace {

TEST(MessagesTest, StringTableHoldsEveryTextByteForByte) {
    for (const auto& [id, text] : test::ExpectedTexts()) {
        EXPECT_EQ(LoadText(id), text) << id;
    }
    EXPECT_EQ(LoadText(999), L"");
}

TEST(MessagesTest, NumberedInserts) {
    EXPECT_EQ(LoadMessage(msg::kProductNotInstalled, 6), L"QEB 6.0 がインストールされていません。");
    EXPECT_EQ(LoadMessage(msg::kProductNotInstalled, -3),
              L"QEB -3.0 がインストールされていません。");
    EXPECT_EQ(LoadMessage(msg::kCommandFailed, L"cmd /c \"x\"", 255u),
              L"コマンド(cmd /c \"x\")の実行に失敗しました。(戻り値:0xFF)");
    EXPECT_EQ(LoadMessage(msg::kCommandFailed, L"a", 0x8007007Eu),
              L"コマンド(a)の実行に失敗しました。(戻り値:0x8007007E)");
    EXPECT_EQ(LoadMessage(msg::kFileCopyFailed, L"C:\\a %1 b", L"D:\\c"),
              L"ファイルコピーに失敗しました。(C:\\a %1 b)(D:\\c)");
    EXPECT_EQ(LoadMessage(NumberedMessage<>{999}), L"");
}

TEST(MessagesTest, PrintfStyleTakesWideStrings) {
    EXPECT_EQ(FormatPrintf(L"[%s]", L"wide"), L"[wide]");
    EXPECT_EQ(FormatPrintf(L"%s%02d", L"EXT_", 7), L"EXT_07");
    EXPECT_EQ(LoadFormatted(msg::kFileSearchFailed, L"C:\\dir", 5),
              L"C:\\dir 配下のファイル検索に失敗しました。エラー番号 = 5");
    EXPECT_EQ(FormatPrintf(L"%s", L""), L"");
}

TEST(MessagesTest, SystemTexts) {
    const std::wstring badArguments = GetSystemErrorText(0x800700A0);
    EXPECT_EQ(badArguments, GetSystemErrorText(160));
    ASSERT_GE(badArguments.size(), 2u);
    EXPECT_EQ(badArguments.substr(badArguments.size() - 2), L"\r\n");
    EXPECT_FALSE(GetSystemErrorText(0).empty());
    EXPECT_EQ(GetSystemErrorText(0x8011041F), L"");
}

TEST(MessagesTest, ToAnsiUsesCodePage932) {
    EXPECT_EQ(ToAnsi(L""), "");
    EXPECT_EQ(ToAnsi(L"A\x65e5"), "A\x93\xfa");
    EXPECT_EQ(ToAnsi(L"\x00e9"), "e");  // best fit, no replacement of our own
}

}  // namespace
}  // namespace qeb
