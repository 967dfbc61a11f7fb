#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/CsvRow.h"

namespace qeb {
namespace {

using Strings = std::vector<std::wstring>;

Strings Split(const std::wstring& text) {
    Strings fields = {L"left over"};
    SplitCsvRow(text, fields);
    return fields;
}

TEST(SplitCsvRowTest, QuoteRules) {
    EXPECT_EQ(Split(L"a,b,c"), (Strings{L"a", L"b", L"c"}));
    EXPECT_EQ(Split(L" a , b "), (Strings{L" a ", L" b "}));
    EXPECT_EQ(Split(L"a,"), (Strings{L"a", L""}));
    EXPECT_EQ(Split(L",a"), (Strings{L"", L"a"}));
    EXPECT_EQ(Split(L"\"x,y\",z"), (Strings{L"x,y", L"z"}));
    EXPECT_EQ(Split(L"\"say \"\"hi\"\"\",b"), (Strings{L"say \"hi\"", L"b"}));
    EXPECT_EQ(Split(L"x,\"\",y"), (Strings{L"x", L"", L"y"}));
    EXPECT_EQ(Split(L"ab\"c,d\""), (Strings{L"ab\"c,d"}));
    EXPECT_EQ(Split(L"a\r\nb,c"), (Strings{L"a"}));
    EXPECT_EQ(Split(L"\nb"), (Strings{L""}));
}

TEST(SplitCsvRowTest, NothingForEmptyTextOrAnUnclosedQuote) {
    EXPECT_EQ(Split(L""), Strings{});
    EXPECT_EQ(Split(L"\"\""), Strings{});
    EXPECT_EQ(Split(L"a,\"b"), Strings{});
    EXPECT_EQ(Split(L"\"a,b"), Strings{});
}

}  // namespace
}  // namespace qeb
