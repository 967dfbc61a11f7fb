#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "text/Unicode.h"
#include "archive/MemberSurvey.h"

namespace qeb {
namespace {

// An ipconfig report in each layout that the reports come in, read in small pieces: the host
// that it names is learned, and the addresses of a stand-in's form are found, not a version.
TEST(MemberSurveyTest, LearnsFromEveryLayoutAndFindsStandInForms) {
    const std::u16string report =
        u"   Host Name . . . . . . . . . . . . : SRV01\r\n"
        u"   IPv4 Address. . . . . . . . . . . : 10.254.0.7(Preferred)\r\n"
        u"   Link-local IPv6 Address . . . . . : fd00::5%12\r\n"
        u"   Physical Address. . . . . . . . . : 02-00-00-00-00-09\r\n"
        u"   OS Version. . . . . . . . . . . . : 10.0.17763.1\r\n";
    const std::string utf8(report.begin(), report.end());
    const struct {
        std::string bytes;
        TextForm form;
    } members[] = {
        {utf8, TextForm::Utf8},
        {"\xFF\xFE" + Utf16Bytes(report, false), TextForm::Utf16WithMark},
        {Utf16Bytes(report, false), TextForm::Utf16},
        {Utf16Bytes(report, true), TextForm::Utf16BigEndian},
    };
    for (const auto& member : members) {
        MemberSurvey survey(nullptr, member.bytes.size());
        for (std::size_t at = 0; at < member.bytes.size(); at += 5) {
            survey.Feed(member.bytes.data() + at,
                        std::min<std::size_t>(5, member.bytes.size() - at));
        }
        std::vector<LearnedValue> learned;
        std::vector<StandInForm> forms;
        EXPECT_EQ(survey.Finish(learned, forms), member.form);
        EXPECT_TRUE(std::any_of(learned.begin(), learned.end(), [](const LearnedValue& value) {
            return value.kind == LearnedValue::Kind::Host && value.value == u"SRV01";
        })) << static_cast<int>(member.form);
        ASSERT_EQ(forms.size(), 3u) << static_cast<int>(member.form);
        EXPECT_EQ(forms[0].text, u"10.254.0.7");
        EXPECT_EQ(forms[1].text, u"fd00::5");
        EXPECT_EQ(forms[2].kind, MaskKind::Mac);
    }
}

}  // namespace
}  // namespace qeb
