#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/MaskWords.h"
#include "archive/ReportFields.h"

namespace qeb {
namespace {

using Kind = LearnedValue::Kind;

std::string Describe(const std::vector<LearnedValue>& values) {
    std::string text;
    for (const LearnedValue& value : values) {
        const char* kinds[] = {"host", "domain", "user", "word"};
        text += kinds[static_cast<int>(value.kind)];
        text += ' ' + std::string(value.value.begin(), value.value.end());
        if (!value.under.empty()) {
            text += " under " + std::string(value.under.begin(), value.under.end());
        }
        text += '\n';
    }
    return text;
}

// What each report's lines teach, read in order by one learner per report (the value texts
// are ASCII here so that the expectations read plainly; the labels are as the reports write
// them in English and in Japanese).
TEST(ReportFieldsTest, LearnsTheFieldsOfEachReport) {
    const struct {
        std::vector<std::u16string> lines;
        std::string learned;
    } reports[] = {
        {{u"Host Name:                 SRV01", u"Registered Owner:          Taro Yamada",
          u"Registered Organization:   Velmora", u"Domain:                    corp.example.com",
          u"Logon Server:              \\\\DC01", u"OS Version:                10.0.17763 N/A"},
         "host SRV01\nword Taro Yamada\nword Velmora\ndomain corp.example.com\nhost corp under "
         "example.com\nhost DC01\nhost DC01\n"},
        {{u"ホスト名:           SRV01", u"登録されている所有者: Owner",
          u"ドメイン:           WORKGROUP", u"ログオン サーバー:  \\\\SRV01"},
         "host SRV01\nword Owner\nhost SRV01\nhost SRV01\n"},
        {{u"   Host Name . . . . . . . . . . . . : SRV01",
          u"   Primary Dns Suffix  . . . . . . . : corp.example.com",
          u"   DNS Suffix Search List. . . . . . : corp.example.com",
          u"                                       branch.example.com",
          u"   DHCPv6 Client DUID. . . . . . . . : 00-01-00-01-2A-3B-4C-5D-00-15-5D-0A-0B-0C",
          u"   接続固有の DNS サフィックス . . . . .: lab.example.net"},
         "host SRV01\ndomain corp.example.com\nhost corp under example.com\ndomain "
         "corp.example.com\nhost corp under example.com\ndomain branch.example.com\nword "
         "00-01-00-01-2A-3B-4C-5D-00-15-5D-0A-0B-0C\ndomain lab.example.net\nhost lab under "
         "example.net\n"},
        {{u"System Name\tSRV01", u"User Name\tCORP\\admin", u"システム名\tSRV02"},
         "host SRV01\nuser admin under CORP\nuser admin under CORP\nhost SRV02\n"},
        {{u"<Event><System><Computer>db01.corp.example.com</Computer><Security "
          u"UserID='S-1-5-18'/></System><EventData><Data Name='SubjectUserName'>SRV01$</Data>"
          u"<Data Name='TargetUserName'>hanako</Data><Data "
          u"Name='TargetDomainName'>CORP</Data><Data Name='WorkstationName'>PC-07</Data><Data "
          u"Name='IpAddress'>-</Data></EventData></Event>"},
         "host db01\ndomain corp.example.com\nhost SRV01\nuser hanako\nhost PC-07\nhost db01 under "
         "corp.example.com\n"},
        {{u"#Software: Microsoft Internet Information Services 10.0",
          u"#Fields: date time s-computername s-ip cs-method cs-uri-stem cs-username c-ip",
          u"2026-12-01 01:02:03 WEB01 10.1.2.3 GET /index.htm CORP\\jiro 10.1.2.4",
          u"2026-12-01 01:02:04 WEB01 10.1.2.3 GET /index.htm - 10.1.2.4"},
         "user jiro under CORP\nhost WEB01\nuser jiro under CORP\nhost WEB01\n"},
        {{u"copy \\\\FS02\\share\\x C:\\Users\\x \\\\?\\C:\\y \\\\.\\pipe\\z",
          u"mail sato@corp.example.com CN=Sato Ichiro,CN=Users,DC=corp,DC=example,DC=com",
          u"logs\\app.log C:\\Program Files\\App db02.sub.example.org v1.2.3.4"},
         "host FS02\nuser sato under corp.example.com\nword DC=corp,DC=example,DC=com under "
         "corp.example.com\nuser Sato Ichiro under corp.example.com\nuser app.log under "
         "logs\nuser App under Files\nhost db02 under sub.example.org\n"},
    };
    for (const auto& report : reports) {
        ReportFieldLearner learner;
        std::vector<LearnedValue> learned;
        for (const std::u16string& line : report.lines) {
            learner.Line(line, learned);
        }
        EXPECT_EQ(Describe(learned), report.learned);
    }
}

TEST(ReportFieldsTest, KeepsWhatStandsUnderAMaskedDomainOnly) {
    const std::vector<LearnedValue> learned = {{Kind::Domain, u"corp.example.com", u""},
                                               {Kind::User, u"admin", u"CORP"},
                                               {Kind::User, u"Admin", u"corp"},
                                               {Kind::User, u"x", u"BUILTIN"},
                                               {Kind::Host, u"db01", u"sub.corp.example.com"},
                                               {Kind::Host, u"System", u"Windows.Forms"},
                                               {Kind::User, u"sato", u"velmora.example"},
                                               {Kind::User, u"kato", u"VELMORA"}};
    EXPECT_EQ(Describe(ResolveLearned(learned, {u"velmora.example"}, {})),
              "domain corp.example.com\nuser admin\nhost db01\nuser sato\nuser kato\n");
}

TEST(ReportFieldsTest, ReadsTheOperatorsWords) {
    std::vector<std::u16string> words;
    std::size_t badLine = 0;
    ASSERT_TRUE(ParseMaskWords("\xEF\xBB\xBF# names\r\n  Project Falcon \r\n\r\n極秘計画\n", words,
                               badLine));
    EXPECT_EQ(words, (std::vector<std::u16string>{u"Project Falcon", u"極秘計画"}));
    ASSERT_TRUE(ParseMaskWords(std::string("\xFE\xFF\0A\0\n\0B", 8), words, badLine));
    EXPECT_EQ(words, (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_FALSE(ParseMaskWords("ok\nbad\xFF\n", words, badLine));
    EXPECT_EQ(badLine, 2u);
    EXPECT_FALSE(ParseMaskWords("ok\n" + std::string(300, 'x') + "\n", words, badLine));
    EXPECT_EQ(badLine, 2u);
}

}  // namespace
}  // namespace qeb
