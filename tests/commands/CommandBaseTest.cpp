#include <gtest/gtest.h>

#include "commands/CommandBase.h"
#include "support/ParsedCommandLine.h"

namespace qeb {
namespace {

using Strings = std::vector<std::wstring>;

// Holds the argument vector before the base class parses it.
struct ArgumentVector {
    explicit ArgumentVector(std::vector<std::wstring> options) : strings(std::move(options)) {
        strings.insert(strings.begin(), {L"QebInfo.exe", L"QEB"});
        for (const std::wstring& s : strings) {
            pointers.push_back(s.c_str());
        }
    }
    std::vector<std::wstring> strings;
    std::vector<const wchar_t*> pointers;
};

class ParsedLine : private ArgumentVector, public test::ParsedCommandLine {
public:
    explicit ParsedLine(std::vector<std::wstring> options)
        : ArgumentVector(std::move(options)), test::ParsedCommandLine(pointers) {}
};

int Product(const std::wstring& value) {
    return ParsedLine({L"-product:" + value}).m_nProduct;
}

Strings Split(const std::wstring& text) {
    Strings list;
    SplitCommaList(L"-instances:" + text, L"-instances:", list);
    return list;
}

TEST(CommandBaseTest, DefaultsWithoutOptions) {
    const ParsedLine line({});
    EXPECT_EQ(line.m_bHelp, 0);
    EXPECT_EQ(line.m_strDest, L"");
    EXPECT_EQ(line.m_nProduct, 0);
    EXPECT_TRUE(line.m_vecInstances.empty());
    EXPECT_TRUE(line.m_vecIgnore.empty());
    EXPECT_EQ(line.m_bEventLog, 1);
    EXPECT_EQ(line.m_bVmViewer, 0);
}

TEST(CommandBaseTest, OptionsInAnyOrder) {
    const ParsedLine line(
        {L"-product:6", L"-dest:D:\\out", L"-noeventlog", L"-vmviewer", L"-ignore:x", L"-?"});
    EXPECT_EQ(line.m_nProduct, 6);
    EXPECT_EQ(line.m_strDest, L"D:\\out");
    EXPECT_EQ(line.m_bEventLog, 0);
    EXPECT_EQ(line.m_bVmViewer, 1);
    EXPECT_EQ(line.m_vecIgnore, Strings{L"x"});
    EXPECT_EQ(line.m_bHelp, 1);
}

TEST(CommandBaseTest, ProductValues) {
    EXPECT_EQ(Product(L"+6"), 6);
    EXPECT_EQ(Product(L"-6"), -6);
    EXPECT_EQ(Product(L"06"), 6);
    EXPECT_EQ(Product(L"2147483647"), 2147483647);
    EXPECT_EQ(Product(L"-2147483648"), -2147483647 - 1);
    for (const wchar_t* bad : {L"6.0", L" 6", L"6 ", L"", L"+", L"abc", L"2147483648",
                               L"-2147483649", L"99999999999", L"0x8"}) {
        EXPECT_EQ(Product(bad), 0) << bad;
    }
}

TEST(CommandBaseTest, CommaLists) {
    EXPECT_EQ(Split(L"a,b"), (Strings{L"a", L"b"}));
    EXPECT_EQ(Split(L"a,,b"), (Strings{L"a", L"", L"b"}));
    EXPECT_EQ(Split(L"a,"), (Strings{L"a", L""}));
    EXPECT_EQ(Split(L",a"), (Strings{L"", L"a"}));
    EXPECT_EQ(Split(L","), (Strings{L"", L""}));
    EXPECT_EQ(Split(L" a"), (Strings{L" a"}));
    EXPECT_EQ(Split(L"\"a,b\""), (Strings{L"\"a", L"b\""}));
    EXPECT_TRUE(Split(L"").empty());
}

TEST(CommandBaseTest, RepeatedOptionsReplaceEarlierOnes) {
    const ParsedLine line({L"-instances:a,b", L"-dest:x", L"-ignore:p", L"-instances:c", L"-dest:y",
                           L"-ignore:", L"-product:7", L"-product:z", L"-noeventlog",
                           L"-noeventlog"});
    EXPECT_EQ(line.m_vecInstances, Strings{L"c"});
    EXPECT_TRUE(line.m_vecIgnore.empty());
    EXPECT_EQ(line.m_strDest, L"y");
    EXPECT_EQ(line.m_nProduct, 0);
    EXPECT_EQ(line.m_bEventLog, 0);
}

TEST(CommandBaseTest, OptionNamesAreCaseSensitiveAndExact) {
    const ParsedLine line({L"-DEST:x", L"-NoEventLog", L"-noeventlog:x", L"-VMVIEWER",
                           L"-Product:5", L"x-dest:y", L"-help", L"/?"});
    EXPECT_EQ(line.m_strDest, L"");
    EXPECT_EQ(line.m_bEventLog, 1);
    EXPECT_EQ(line.m_bVmViewer, 0);
    EXPECT_EQ(line.m_nProduct, 0);
    EXPECT_EQ(line.m_bHelp, 0);
}

TEST(CommandBaseTest, ValuesAreVerbatim) {
    EXPECT_EQ(ParsedLine({L"-dest:-dest:x"}).m_strDest, L"-dest:x");
    EXPECT_EQ(ParsedLine({L"-dest: D:\\a b "}).m_strDest, L" D:\\a b ");
    EXPECT_EQ(ParsedLine({L"-dest:"}).m_strDest, L"");
}

}  // namespace
}  // namespace qeb
