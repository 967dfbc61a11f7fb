#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "collect/CollectionRecord.h"

namespace qeb {
namespace {

using namespace std::chrono;

// 2026-05-01 01:15:30.750 UTC.
const system_clock::time_point kMoment = system_clock::time_point(seconds(1777598130)) + 750ms;

TEST(CollectionRecordTest, TimesAreLocalWithTheirOffset) {
    EXPECT_EQ(Iso8601(kMoment, 540), "2026-05-01T10:15:30+09:00");
    EXPECT_EQ(Iso8601(kMoment, -330), "2026-04-30T19:45:30-05:30");
    EXPECT_EQ(Iso8601(system_clock::time_point(seconds(951782400)), 0),
              "2000-02-29T00:00:00+00:00");
    EXPECT_EQ(Iso8601(system_clock::time_point(milliseconds(-1)), 0), "1969-12-31T23:59:59+00:00");
}

TEST(CollectionRecordTest, ParsesBackWithEveryStepAsRecorded) {
    CollectionRecord record;
    record.computer = L"SERVER\u65E5";
    record.start = kMoment;
    record.end = kMoment + 95s;
    record.interrupted = true;
    record.options = {{"days", 30LL},
                      {"evtx", true},
                      {"dest", std::wstring(L"D:\\\u53CE")},
                      {"instances", std::vector<std::wstring>{L"A", L""}}};
    record.steps.resize(2);
    StepRecord& tool = record.steps[0];
    tool.commandLine = L"\"msinfo32.exe\" /report \"D:\\x \"";
    tool.end = kMoment + 12s;
    tool.seconds = 12.3456;
    tool.exitCode = 5;
    tool.result = StepResult::Failed;
    tool.outputs = {{L"msinfo.txt", 1234, "ab12"}};
    tool.warnings = 1;
    StepRecord& missing = record.steps[1];
    missing.exitCode = 0x8007007E;
    missing.result = StepResult::NotAvailable;
    missing.reason = L"lone \xD800 surrogate";

    const std::string text = CollectionJson(record, [](system_clock::time_point) { return 540; });
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(json["computer"], "SERVER\xE6\x97\xA5");
    EXPECT_EQ(json["end"], "2026-05-01T10:17:05+09:00");
    EXPECT_EQ(json["interrupted"], true);
    EXPECT_EQ(json["options"], nlohmann::json::parse(R"({"days": 30, "evtx": true,
        "dest": "D:\\)"
                                                     "\xE5\x8F\x8E"
                                                     R"(", "instances": ["A", ""]})"));
    const nlohmann::json& step = json["steps"][0];
    EXPECT_EQ(step["command_line"], "\"msinfo32.exe\" /report \"D:\\x \"");
    EXPECT_EQ(step["exit_code"], 5);
    EXPECT_EQ(step["result"], "failed");
    EXPECT_DOUBLE_EQ(step["seconds"].get<double>(), 12.345);
    EXPECT_EQ(step["end"], "2026-05-01T10:15:42+09:00");
    EXPECT_EQ(step["outputs"],
              nlohmann::json::parse(R"([{"path": "msinfo.txt", "size": 1234, "sha256": "ab12"}])"));
    EXPECT_EQ(step["warnings"], 1);
    const nlohmann::json& notThere = json["steps"][1];
    EXPECT_EQ(notThere["result"], "not_available");
    EXPECT_EQ(notThere["exit_code"], 2147942526u);
    EXPECT_EQ(notThere["exit_code_hex"], "0x8007007E");
    EXPECT_EQ(notThere["reason"], "lone \xEF\xBF\xBD surrogate");
}

}  // namespace
}  // namespace qeb
