#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/TextMasking.h"

namespace qeb {
namespace {

// The computer VM (NetBIOS and DNS) in corp.example.com, with the accounts taro and 田中.
MaskMap SampleMap() {
    MaskMap map;
    map.AddHost({u"VM", "VM"});
    map.AddHost({u"vm", "vm"});
    map.AddDomain({u"corp.example.com", "corp.example.com"});
    map.AddUser({u"taro", "taro"});
    map.AddUser({u"田中", "\x93\x63\x92\x86"});
    map.AddUser({u"Administrator", "Administrator"});
    return map;
}

std::string Mask(MaskMap& map, MemberText text, const std::string& bytes, bool versions = false) {
    std::string out;
    MemberMasker(map, text, versions).Feed(bytes.data(), bytes.size(), true, out);
    return out;
}

std::string Utf16(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

struct Case {
    MemberText text;
    std::string input;
    std::string expected;
};

void ExpectMasked(const std::vector<Case>& cases, bool versions = false) {
    for (const Case& c : cases) {
        MaskMap map = SampleMap();
        EXPECT_EQ(Mask(map, c.text, c.input, versions), c.expected) << c.input;
    }
}

constexpr MemberText kUtf8 = MemberText::Utf8;
constexpr MemberText kSjis = MemberText::CodePage932;

TEST(TextMaskingTest, AddressesButNotVersionsOrNetmasks) {
    ExpectMasked({
        {kUtf8, "ip 192.168.1.10 mask 255.255.255.0 gw 192.168.1.1",
         "ip 10.254.0.1 mask 255.255.255.0 gw 10.254.0.2"},
        {kUtf8, "192.168.001.010=192.168.1.10.", "10.254.0.1=10.254.0.1."},
        {kUtf8, "range 10.0.0.1-10.0.0.9, [10.0.0.1]:80",
         "range 10.254.0.1-10.254.0.2, [10.254.0.1]:80"},
        {kUtf8, "OS 10.0.17763.1 v1.2.3.4 1.2.3.4a 256.1.1.1 1.2.3 1.2.3.4.5",
         "OS 10.0.17763.1 v1.2.3.4 1.2.3.4a 256.1.1.1 1.2.3 1.2.3.4.5"},
        {kUtf8, "0.0.0.0 127.0.0.1 255.255.255.255 255.255.0.0 255.255.255.252 128.0.0.0",
         "0.0.0.0 127.0.0.1 255.255.255.255 255.255.0.0 255.255.255.252 128.0.0.0"},
        {kUtf8, "fe80::1%12 FE80::ABCD ::ffff:10.1.2.3", "fd00::1%12 fd00::2 fd00::3"},
        {kUtf8, "2001:0db8:0:0:0:0:0:1 [2001:db8::1]:443 Address:2001:db8::1.",
         "fd00::1 [fd00::1]:443 Address:fd00::1."},
        {kUtf8, ":: ::1 std::string Add::Face 10:15:32 1:2:3:4:5:6:7:8:9",
         ":: ::1 std::string Add::Face 10:15:32 1:2:3:4:5:6:7:8:9"},
        {kUtf8, "00-15-5D-0A-0B-0C 00:15:5d:0a:0b:0c MAC:00:15:5d:0a:0b:0d",
         "02-00-00-00-00-01 02:00:00:00:00:01 MAC:02:00:00:00:00:02"},
        {kUtf8,
         "00-00-00-00-00-00 FF-FF-FF-FF-FF-FF 00-15-5D-0A-0B 00-15-5D-0A-0B-0C-0D "
         "00-15:5D-0A-0B-0C",
         "00-00-00-00-00-00 FF-FF-FF-FF-FF-FF 00-15-5D-0A-0B 00-15-5D-0A-0B-0C-0D "
         "00-15:5D-0A-0B-0C"},
    });
    ExpectMasked({{kSjis, "    qebcore.dll ( 8.0.2.1 ) 10.1.2.3 on VM",
                   "    qebcore.dll ( 8.0.2.1 ) 10.1.2.3 on host0001"}},
                 true);
}

TEST(TextMaskingTest, NamesAsWholeWords) {
    ExpectMasked({
        {kUtf8, "VM VMPerfLog.db vm.log VM-1 VM_2 xVM",
         "host0001 VMPerfLog.db host0001.log VM-1 VM_2 xVM"},
        {kUtf8, "VM。VMです", "host0001。host0001です"},
        {kUtf8, "VM.corp.example.com CORP.example.com.au sub.corp.example.com.",
         "host0001.domain0001.example CORP.example.com.au sub.domain0001.example."},
        {kUtf8, "taro TARO 田中さん Administrator 山田中です 田中x",
         "user0001 user0001 user0002さん Administrator 山user0002です 田中x"},
        {kUtf8, "host0001 user0001 domain0001.example", "host0001 user0001 domain0001.example"},
    });
}

TEST(TextMaskingTest, ProfilePaths) {
    ExpectMasked({
        {kUtf8, "C:\\Users\\hanako\\AppData c:/users/jiro/x",
         "C:\\Users\\user0001\\AppData c:/users/user0002/x"},
        {kUtf8, "\"C:\\\\Users\\\\hanako\\\\x\" <Data>C:\\Users\\jiro</Data>",
         "\"C:\\\\Users\\\\user0001\\\\x\" <Data>C:\\Users\\user0002</Data>"},
        {kUtf8, "C:\\Users\\hanako.CORP\\x (C:\\Users\\jiro). 「C:\\Users\\花子」",
         "C:\\Users\\user0001\\x (C:\\Users\\user0002). 「C:\\Users\\user0003」"},
        {kUtf8,
         "C:\\Users\\Public C:\\Users\\Default.migrated C:\\Users\\All Users\\x "
         "C:\\Users\\%USERNAME%",
         "C:\\Users\\Public C:\\Users\\Default.migrated C:\\Users\\All Users\\x "
         "C:\\Users\\%USERNAME%"},
        {kUtf8, "XC:\\Users\\hanako C:\\Users\\TARO", "XC:\\Users\\hanako C:\\Users\\user0001"},
    });
}

TEST(TextMaskingTest, CodePage932TrailBytesAreNoAscii) {
    ExpectMasked({
        {kSjis, "\x95\x5CVM \x83VM \xB1VM\xB1", "\x95\x5Chost0001 \x83VM \xB1host0001\xB1"},
        {kSjis, "C:\\Users\x95\x5Chanako C:\\Users\\hanako",
         "C:\\Users\x95\x5Chanako C:\\Users\\user0001"},
        {kSjis, "\x93\x63\x92\x86\x82\xB3\x82\xF1 \x89\x93\x63\x92\x86",
         "user0001\x82\xB3\x82\xF1 \x89\x93\x63\x92\x86"},
        {kSjis, "C:\\Users\\\x93\x63\x92\x86\x81\x76 C:\\Users\\\x89\xD4\x8E\x71\\x",
         "C:\\Users\\user0001\x81\x76 C:\\Users\\\x89\xD4\x8E\x71\\x"},
        {kSjis, "\x82VM\x95", "\x82VM\x95"},
    });
}

TEST(TextMaskingTest, Utf16WithAndWithoutMark) {
    ExpectMasked({
        {MemberText::Utf16WithMark, Utf16(u"\uFEFFVM 10.1.2.3\r\n"),
         Utf16(u"\uFEFFhost0001 10.254.0.1\r\n")},
        {MemberText::Utf16, Utf16(u"<Event><Data>C:\\Users\\hanako</Data><Data>VM</Data>"),
         Utf16(u"<Event><Data>C:\\Users\\user0001</Data><Data>host0001</Data>")},
        {MemberText::Utf16, Utf16(u"VM\U0001F600 田中です \u0156M"),
         Utf16(u"host0001\U0001F600 user0001です \u0156M")},
        {MemberText::Utf16, Utf16(u"VM") + "\x20", Utf16(u"host0001") + "\x20"},
    });
}

TEST(TextMaskingTest, DetectsMemberText) {
    const struct {
        std::string head;
        bool isWhole;
        MemberText expected;
    } cases[] = {
        {"\xFF\xFE<\0", true, MemberText::Utf16WithMark},
        {"\xEF\xBB\xBFtext", true, MemberText::Utf8WithMark},
        {Utf16(u"<Events><Event xmlns='x'>"), true, MemberText::Utf16},
        {Utf16(u"エラー: 12\r\n"), true, MemberText::Utf16},
        {Utf16(u"日本語の説明文です") + Utf16(u"<"), true, MemberText::Binary},
        {Utf16(u"<x") + "y", true, MemberText::Binary},
        {Utf16(u"<x") + "y", false, MemberText::Utf16},
        {"plain ASCII\r\n", true, MemberText::Utf8},
        {"日本語 UTF-8", true, MemberText::Utf8},
        {"abc\xE3\x81", false, MemberText::Utf8},
        {"abc\xE3\x81", true, MemberText::CodePage932},
        {"\x93\xFA\x96\x7B\x8C\xEA \x95\x5C", true, MemberText::CodePage932},
        {"\x93\xFA\x96", false, MemberText::CodePage932},
        {"\x93\xFA\x96", true, MemberText::Binary},
        {std::string("ab\0cd", 5), true, MemberText::Binary},
        {std::string("\x01\0\x02\0\x03\0", 6), true, MemberText::Binary},
        {"\xFD\xFE", true, MemberText::Binary},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectMemberText(c.head.data(), c.head.size(), c.isWhole), c.expected) << c.head;
    }
}

// Text with every kind of value, to feed in pieces and to mask twice.
std::string RichText(MemberText text) {
    std::string ascii;
    for (int i = 0; i < 60; ++i) {
        ascii += "line " + std::to_string(i) + " VM.corp.example.com 192.168." + std::to_string(i) +
                 ".7 fe80::" + std::to_string(i + 1) + "%3 00-15-5D-0A-0B-" +
                 std::to_string(10 + i) + " C:\\Users\\u" + std::to_string(i) +
                 "\\x 10.0.17763.1 taro ";
        ascii.append(static_cast<std::size_t>(i) * 7, i % 2 == 0 ? 'x' : ' ');
    }
    if (text == kSjis) {
        return ascii + "\x93\x63\x92\x86\x95\x5CVM";
    }
    if (text == kUtf8) {
        return ascii + "田中です";
    }
    return Utf16(std::u16string(ascii.begin(), ascii.end()) + u"田中です");
}

TEST(TextMaskingTest, PiecesGiveTheSameBytesAsOneFeed) {
    for (const MemberText text : {kUtf8, kSjis, MemberText::Utf16}) {
        const std::string input = RichText(text);
        MaskMap whole = SampleMap();
        const std::string expected = Mask(whole, text, input);
        for (const std::size_t piece : {1, 2, 3, 1201, 2405, 4096}) {
            MaskMap map = SampleMap();
            MemberMasker masker(map, text, false);
            std::string out;
            for (std::size_t at = 0; at < input.size(); at += piece) {
                const std::size_t size = std::min(piece, input.size() - at);
                masker.Feed(input.data() + at, size, at + size == input.size(), out);
            }
            EXPECT_EQ(out, expected) << static_cast<int>(text) << " in pieces of " << piece;
            EXPECT_EQ(map.Text(), whole.Text());
        }
    }
}

TEST(TextMaskingTest, MaskedTextStaysAsItIs) {
    for (const MemberText text : {kUtf8, kSjis, MemberText::Utf16}) {
        MaskMap map = SampleMap();
        const std::string once = Mask(map, text, RichText(text));
        const std::string entries = map.Text();
        EXPECT_NE(once, RichText(text));
        EXPECT_EQ(Mask(map, text, once), once);
        EXPECT_EQ(map.Text(), entries);
    }
}

TEST(TextMaskingTest, SameStandInsAcrossMembersAndAfterLoad) {
    MaskMap map = SampleMap();
    EXPECT_EQ(Mask(map, kUtf8, "VM 10.1.2.3 00-15-5D-0A-0B-0C C:\\Users\\jiro"),
              "host0001 10.254.0.1 02-00-00-00-00-01 C:\\Users\\user0001");
    EXPECT_EQ(Mask(map, MemberText::Utf16, Utf16(u"10.1.2.3 vm 00:15:5d:0a:0b:0c")),
              Utf16(u"10.254.0.1 host0001 02:00:00:00:00:01"));
    EXPECT_EQ(map.Replacements(MaskKind::Host), 2u);
    EXPECT_EQ(map.Replacements(MaskKind::IPv4), 2u);
    EXPECT_EQ(map.Replacements(MaskKind::User), 1u);
    EXPECT_EQ(map.Text(),
              "\xEF\xBB\xBFhost\tVM\thost0001\r\nipv4\t10.1.2.3\t10.254.0.1\r\n"
              "mac\t00-15-5D-0A-0B-0C\t02-00-00-00-00-01\r\nuser\tjiro\tuser0001\r\n");

    MaskMap later;
    std::size_t badLine = 0;
    ASSERT_TRUE(later.Load(map.Text() + "mac\tAA-00-00-00-00-01\t02-00-00-00-00-0a\n", badLine));
    later.AddHost({u"VM", "VM"});
    EXPECT_EQ(Mask(later, kUtf8, "10.9.9.9 10.1.2.3 vm C:/Users/JIRO 00-15-5D-0A-0B-0D"),
              "10.254.0.2 10.254.0.1 host0001 C:/Users/user0001 02-00-00-00-00-0B");
}

TEST(TextMaskingTest, LoadRejectsBadLinesAndTakesNothing) {
    const std::string good = "host\tVM\thost0001\r\n";
    const struct {
        std::string line;
        std::size_t badLine;
    } cases[] = {
        {"host\tVM\r\n", 2},
        {"host\tVM\thost0002\textra\n", 2},
        {"server\tVM\thost0002\n", 2},
        {"host\t\thost0002\n", 2},
        {"host\tSRV\thost2\n", 2},
        {"ipv4\t10.1.2.3\t10.254.0.0\n", 2},
        {"ipv4\tsrv\t10.254.0.1\n", 2},
        {"host\tvm\thost0002\n", 2},
        {"host\tSRV\thost0001\n", 2},
        {"user\tVM\tuser0001\nuser\tuser0001\tuser0002\n", 3},
        {"\r\n", 2},
    };
    for (const auto& c : cases) {
        MaskMap map;
        std::size_t badLine = 0;
        EXPECT_FALSE(map.Load("\xEF\xBB\xBF" + good + c.line, badLine)) << c.line;
        EXPECT_EQ(badLine, c.badLine) << c.line;
        EXPECT_EQ(map.Text(), "\xEF\xBB\xBF") << c.line;
    }
    MaskMap map;
    std::size_t badLine = 0;
    EXPECT_TRUE(map.Load(good, badLine));
}

}  // namespace
}  // namespace qeb
