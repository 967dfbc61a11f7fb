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

// A command's own table, strict or lenient, over the same argument vector.
struct OwnOptions {
    int flag = 0;
    std::wstring text;
    int number = 7;
    Strings list;

    OptionVerdict Parse(OptionParsing parsing, Strings arguments) {
        arguments.insert(arguments.begin(), {L"QebInfo.exe", L"COLLECT"});
        return OptionTable(parsing)
            .Text(L"-dest:", text)
            .Flag(L"-evtx", flag)
            .Number(L"-days:", number, 0, 36500)
            .CommaList(L"-ignore:", list)
            .Requires(L"-ignore:", L"-evtx")
            .Parse(arguments);
    }
};

TEST(CommandBaseTest, StrictTablesRefuseTheFirstArgumentTheyDoNotDeclare) {
    using Kind = OptionVerdict::Kind;
    const struct {
        Strings arguments;
        Kind kind;
        std::wstring name;
    } cases[] = {
        {{L"-dest:x", L"-evtx", L"-days:+30", L"-ignore:a,b"}, Kind::Accepted, L""},
        {{}, Kind::Accepted, L""},
        {{L"-Dest:x"}, Kind::UnknownArgument, L"-Dest:x"},
        {{L"-evtx:1"}, Kind::UnknownArgument, L"-evtx:1"},
        {{L"-EVTX"}, Kind::UnknownArgument, L"-EVTX"},
        {{L"-evtx", L"x-dest:y", L"-what"}, Kind::UnknownArgument, L"x-dest:y"},
        {{L"-dest"}, Kind::UnknownArgument, L"-dest"},
        {{L"-days:36501"}, Kind::InvalidValue, L"-days:"},
        {{L"-days:1.5", L"-days:3"}, Kind::InvalidValue, L"-days:"},
        {{L"-days:x", L"-nope"}, Kind::InvalidValue, L"-days:"},
        {{L"-ignore:a"}, Kind::MissingOption, L"-evtx"},
        {{L"-ignore:a", L"-nope"}, Kind::UnknownArgument, L"-nope"},
    };
    for (const auto& line : cases) {
        SCOPED_TRACE(line.arguments.empty() ? L"(none)" : line.arguments[0]);
        OwnOptions own;
        const OptionVerdict verdict = own.Parse(OptionParsing::Strict, line.arguments);
        EXPECT_EQ(verdict.kind, line.kind);
        EXPECT_EQ(verdict.name, line.name);
        EXPECT_EQ(verdict.parsing, OptionParsing::Strict);
    }
}

// Lenient: unknown arguments pass, a later number mends an earlier one, and a bad last one is
// reported without keeping the others from being read. (The fuzz target checks the fields.)
TEST(CommandBaseTest, LenientTablesReportOnlyANumberThatStaysBad) {
    OwnOptions own;
    EXPECT_TRUE(own.Parse(OptionParsing::Lenient, {L"-days:x", L"-Days:4", L"-days:9"}).Accepted());
    EXPECT_EQ(own.number, 9);
    const OptionVerdict bad =
        own.Parse(OptionParsing::Lenient, {L"-days:9", L"-days:99999", L"-dest:z"});
    EXPECT_EQ(bad.kind, OptionVerdict::Kind::InvalidValue);
    EXPECT_EQ(bad.name, L"-days:");
    EXPECT_EQ(own.number, 0);
    EXPECT_EQ(own.text, L"z");
}

}  // namespace
}  // namespace qeb
