// COLLECT end to end: a product, the fake system tools, one folder with its record and archive.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "support/FakeTool.h"
#include "support/ProductFixture.h"

namespace qeb::test {
namespace {

class CollectCommandTest : public QebProductTest {
protected:
    void SetUp() override {
        QebProductTest::SetUp();
        m_tools = std::make_unique<FakeSystemTools>();
        InstallProduct(8, {L"A"});
    }
    void TearDown() override {
        m_tools.reset();
        QebProductTest::TearDown();
    }

    // The one folder that the run made below the destination root.
    std::wstring Folder() const {
        for (const std::wstring& entry : ListTree(Destination())) {
            if (!entry.empty() && entry.back() == L'\\' && entry.find(L'\\') == entry.size() - 1) {
                return Destination() + L"\\" + entry.substr(0, entry.size() - 1);
            }
        }
        return L"";
    }

    nlohmann::json Record() const {
        return nlohmann::json::parse(ReadBytes(Folder() + L"\\collection.json"));
    }

    static std::string ResultOf(const nlohmann::json& record, const std::string& step) {
        for (const nlohmann::json& each : record["steps"]) {
            if (each["name"] == step) {
                return each["result"].get<std::string>();
            }
        }
        return "missing";
    }

    std::unique_ptr<FakeSystemTools> m_tools;
};

TEST_F(CollectCommandTest, StepsRunSideBySideAndEverythingIsRecordedAndPacked) {
    // msinfo32 and systeminfo exit 5; each tool run takes 3 s, five of them in a row would be 15.
    ProcessOptions options = FakeSystemTools::Options(L"system:0,application:0,5", L"3000");
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result =
        Run({L"COLLECT", L"-product:8", L"-dest:" + Destination(), L"-noevtx"}, options);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_LT(seconds, 12);
    EXPECT_EQ(result.exitCode, 0x8007012Bu);
    const std::wstring folder = Folder();
    ASSERT_FALSE(folder.empty());
    for (const wchar_t* file : {L"summary.txt", L"QEB.log", L"MSINFO.log", L"msinfo.txt",
                                L"sysinfo.txt", L"event\\system.xml", L"event\\application.xml"}) {
        EXPECT_FALSE(ReadBytes(folder + L"\\" + file).empty()) << file;
    }
    EXPECT_FALSE(ReadBytes(folder + L".zip").empty());
    EXPECT_EQ(ReadBytes(folder + L".zip.sha256").substr(0, 64).size(), 64u);
    const nlohmann::json record = Record();
    EXPECT_EQ(ResultOf(record, "QEB"), "ok");
    EXPECT_EQ(ResultOf(record, "EVENT"), "ok");
    EXPECT_EQ(ResultOf(record, "MSINFO"), "failed");
    EXPECT_EQ(record["steps"][1]["exit_code"], 5);
}

TEST_F(CollectCommandTest, AToolPastTheLimitIsEndedAndRecordedAsTimedOut) {
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result =
        Run({L"COLLECT", L"-product:8", L"-dest:" + Destination(), L"-limit:8", L"-noevtx"},
            FakeSystemTools::Options(L"", L"600000"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(40));
    EXPECT_NE(result.exitCode, 0u);
    const nlohmann::json record = Record();
    EXPECT_EQ(ResultOf(record, "MSINFO"), "timed_out");
    EXPECT_EQ(ResultOf(record, "QEB"), "ok");
    EXPECT_FALSE(ReadBytes(Folder() + L".zip").empty());
}

TEST_F(CollectCommandTest, MaskShipsNoEvtxAndNoHostNameAndAnUnknownSwitchCreatesNothing) {
    const ProcessResult refused =
        Run({L"COLLECT", L"-product:8", L"-dest:" + Destination(), L"-evtxx"});
    EXPECT_EQ(refused.exitCode, 0x80070057u);
    EXPECT_TRUE(ListTree(Destination()).empty());

    Run({L"COLLECT", L"-product:8", L"-dest:" + Destination(), L"-mask", L"-evtx", L"-nozip"},
        FakeSystemTools::Options());
    const std::wstring folder = Folder();
    EXPECT_EQ(folder.find(L"collect_"), Destination().size() + 1);
    for (const std::wstring& entry : ListTree(folder)) {
        EXPECT_EQ(entry.find(L".evtx"), std::wstring::npos) << entry;
    }
    EXPECT_EQ(Record()["computer"], "COMPUTER");
}

}  // namespace
}  // namespace qeb::test
