#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/TextMasking.h"
#include "text/TextClassifier.h"
#include "text/Unicode.h"

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
    map.AddWord({u"Contoso", "Contoso"});
    map.AddWord({u"極秘計画", "\x8B\xC9\x94\xE9\x8C\x76\x89\xE6"});
    return map;
}

std::string Mask(MaskMap& map, TextForm text, const std::string& bytes, bool versions = false) {
    std::string out;
    MemberMasker(map, text, versions).Feed(bytes.data(), bytes.size(), true, out);
    return out;
}

struct Case {
    TextForm text;
    std::string input;
    std::string expected;
};

void ExpectMasked(const std::vector<Case>& cases, bool versions = false) {
    for (const Case& c : cases) {
        MaskMap map = SampleMap();
        EXPECT_EQ(Mask(map, c.text, c.input, versions), c.expected) << c.input;
    }
}

constexpr TextForm kUtf8 = TextForm::Utf8;
constexpr TextForm kSjis = TextForm::CodePage932;

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
    // A dotted quad that a version context names stays, one without it does not.
    ExpectMasked({
        {kUtf8, "e1i65x64.sys (12.17.10.8, 1.43 MB (1,498,384 bytes), 2019/06/14 1:10)",
         "e1i65x64.sys (12.17.10.8, 1.43 MB (1,498,384 bytes), 2019/06/14 1:10)"},
        {kUtf8,
         "FileVersion=6.3.96.1 Version: 10.2.3.4 ver 10.2.3.5 バージョン: 10.2.3.6 at 10.2.3.7",
         "FileVersion=6.3.96.1 Version: 10.2.3.4 ver 10.2.3.5 バージョン: 10.2.3.6 at 10.254.0.1"},
        {kSjis, "\x83\x6F\x81\x5B\x83\x57\x83\x87\x83\x93 10.2.3.6 (10.2.3.7)",
         "\x83\x6F\x81\x5B\x83\x57\x83\x87\x83\x93 10.2.3.6 (10.254.0.1)"},
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

// The operator's words and the learned owner as whole words; SIDs keep their relative
// identifier; a member's name is split at every character but a letter or digit.
TEST(TextMaskingTest, WordsSidsAndMemberNames) {
    ExpectMasked({
        {kUtf8, "Contoso Ltd. ContosoX 極秘計画の件", "word0001 Ltd. ContosoX word0002の件"},
        {kUtf8, "S-1-5-21-1004336348-1177238915-682003330-512 S-1-5-18 S-1-5-21-1-2-3x",
         "S-1-5-21-0-0-1-512 S-1-5-18 S-1-5-21-1-2-3x"},
    });
    MaskMap map = SampleMap();
    MemberNameMasker names(map);
    EXPECT_EQ(names.Masked("logs/VM_trace.log"), "logs/host0001_trace.log");
    EXPECT_EQ(names.Masked("vm-backup/10.1.2.3.txt"), "host0001-backup/10.254.0.1.txt");
    EXPECT_EQ(names.Masked("QEBW8/QebVer.txt"), "QEBW8/QebVer.txt");
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
        {kUtf8, "\\Device\\HarddiskVolume3\\Users\\hanako\\x \\Device\\Other3\\Users\\jiro\\",
         "\\Device\\HarddiskVolume3\\Users\\user0001\\x \\Device\\Other3\\Users\\jiro\\"},
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
        {TextForm::Utf16WithMark, Utf16Bytes(u"\uFEFFVM 10.1.2.3\r\n", false),
         Utf16Bytes(u"\uFEFFhost0001 10.254.0.1\r\n", false)},
        {TextForm::Utf16,
         Utf16Bytes(u"<Event><Data>C:\\Users\\hanako</Data><Data>VM</Data>", false),
         Utf16Bytes(u"<Event><Data>C:\\Users\\user0001</Data><Data>host0001</Data>", false)},
        {TextForm::Utf16, Utf16Bytes(u"VM\U0001F600 田中です \u0156M", false),
         Utf16Bytes(u"host0001\U0001F600 user0001です \u0156M", false)},
        {TextForm::Utf16, Utf16Bytes(u"VM", false) + "\x20",
         Utf16Bytes(u"host0001", false) + "\x20"},
        {TextForm::Utf16BigEndian, Utf16Bytes(u"\uFEFFVM C:\\Users\\田中\\x 10.1.2.3", true),
         Utf16Bytes(u"\uFEFFhost0001 C:\\Users\\user0001\\x 10.254.0.1", true)},
        {TextForm::EucJp, "\xC5\xC4\xC3\xE6 VM C:\\Users\\\xC5\xC4\xC3\xE6\xA1\xA1x",
         "user0001 host0001 C:\\Users\\user0001\xA1\xA1x"},
        {TextForm::Utf8AndCodePage932, "\xE7\x94\xB0\xE4\xB8\xAD VM\n\x93\x63\x92\x86 VM \x82VM\n",
         "user0001 host0001\nuser0001 host0001 \x82VM\n"},
    });
}

TextForm Classified(const std::string& bytes, std::size_t piece = 7) {
    TextClassifier classifier;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        classifier.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
    }
    return classifier.Finish();
}

// A page of a log in each encoding, with the kinds of damage that real files carry.
TEST(TextMaskingTest, ClassifiesTheWholeMember) {
    const std::string page = std::string(3000, 'x') + "\r\n";
    const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA \x95\x5C\r\n";
    const std::string eucJp = "\xC6\xFC\xCB\xDC\xB8\xEC \xC9\xBD\r\n";
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n";
    const struct {
        std::string bytes;
        TextForm expected;
    } cases[] = {
        {std::string("\xFF\xFE<\0", 4), TextForm::Utf16WithMark},
        {"\xFE\xFF\0<", TextForm::Utf16BigEndian},
        {"\xEF\xBB\xBFtext", TextForm::Utf8WithMark},
        {Utf16Bytes(u"<Events><Event xmlns='x'>", false), TextForm::Utf16},
        {Utf16Bytes(u"<Events><Event xmlns='x'>エラー", true), TextForm::Utf16BigEndian},
        {Utf16Bytes(u"エラー: 12\r\n", false), TextForm::Utf16},
        {std::string("\x01\0\x02\0\x03\0", 6), TextForm::Binary},
        {"plain ASCII\r\n", TextForm::Utf8},
        {page + utf8, TextForm::Utf8},
        {page + sjis + page, TextForm::CodePage932},
        {page + eucJp + page, TextForm::EucJp},
        // Past the first block: a member that turns Japanese late is still text.
        {std::string(300000, 'a') + sjis, TextForm::CodePage932},
        {page + utf8 + sjis + utf8, TextForm::Utf8AndCodePage932},
        {page + std::string(4096, '\0') + page, TextForm::Utf8},
        {page + "\xFF" + page + "\x01" + utf8, TextForm::Utf8},
        {page + std::string("ab\0cd", 5), TextForm::Utf8},
        {std::string(200, '\x01') + page, TextForm::Binary},
        {std::string(4, ' ') + std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0\xB8", 17),
         TextForm::Binary},
        {"\xFD\xFE\xFD\xFE\xFD\xFE\xFD\xFE\xFD\xFE\xFD\xFE\xFD\xFE\xFD\xFE\xFD\xFE",
         TextForm::Binary},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Classified(c.bytes), c.expected) << c.bytes.substr(0, 40);
        EXPECT_EQ(Classified(c.bytes, 65536), c.expected) << c.bytes.substr(0, 40);
    }
}

// Text with every kind of value, to feed in pieces and to mask twice.
std::string RichText(TextForm text) {
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
    return Utf16Bytes(std::u16string(ascii.begin(), ascii.end()) + u"田中です", false);
}

TEST(TextMaskingTest, PiecesGiveTheSameBytesAsOneFeed) {
    for (const TextForm text : {kUtf8, kSjis, TextForm::Utf16}) {
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
    for (const TextForm text : {kUtf8, kSjis, TextForm::Utf16}) {
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
    EXPECT_EQ(Mask(map, TextForm::Utf16, Utf16Bytes(u"10.1.2.3 vm 00:15:5d:0a:0b:0c", false)),
              Utf16Bytes(u"10.254.0.1 host0001 02:00:00:00:00:01", false));
    EXPECT_EQ(map.Replacements(MaskKind::Host), 2u);
    EXPECT_EQ(map.Replacements(MaskKind::IPv4), 2u);
    EXPECT_EQ(map.Replacements(MaskKind::User), 1u);
    EXPECT_EQ(map.Text(),
              "\xEF\xBB\xBFhost\tVM\thost0001\r\nipv4\t10.1.2.3\t10.254.0.1\r\n"
              "mac\t00-15-5D-0A-0B-0C\t02-00-00-00-00-01\r\nuser\tjiro\tuser0001\r\n");

    // An address of a stand-in's form met before masking gets a stand-in of its own.
    MaskMap reserved;
    reserved.Reserve(MaskKind::IPv4, u"10.254.0.1");
    EXPECT_EQ(Mask(reserved, kUtf8, "10.1.2.3 10.254.0.1"), "10.254.0.3 10.254.0.2");

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
