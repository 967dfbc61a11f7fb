// The scheduler with fake steps that wait, fail, throw or do not heed a stop.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "util/StepScheduler.h"

namespace qeb {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A step that runs `time` unless stopped, then hands back `outcome`.
Step Waiting(const wchar_t* name, std::chrono::milliseconds time,
             std::optional<std::chrono::milliseconds> limit = std::nullopt,
             StepOutcome outcome = {}) {
    return Step{name, limit, [time, outcome](StepControl& control) {
                    StepOutcome result = outcome;
                    if (control.WaitForStop(time)) {
                        result.exitCode = 0x102;
                        result.result = StepResult::Failed;
                    }
                    return result;
                }};
}

// Does not look at the scheduler for `deaf`, then ends.
Step Deaf(const wchar_t* name, std::chrono::milliseconds deaf, std::chrono::milliseconds limit) {
    return Step{name, limit, [deaf](StepControl&) {
                    std::this_thread::sleep_for(deaf);
                    return StepOutcome{};
                }};
}

struct Recorded : StepNotices {
    void Started(std::size_t index, std::size_t count, const std::wstring& name) override {
        events.push_back(L"start " + std::to_wstring(index + 1) + L"/" + std::to_wstring(count) +
                         L" " + name);
    }
    void Ended(std::size_t index, std::size_t, const StepRecord& record) override {
        events.push_back(L"end " + std::to_wstring(index + 1) + L" " + record.name);
    }
    void Running(const std::vector<RunningStep>& steps) override {
        ++ticks;
        lastRunning = steps.size();
    }
    std::vector<std::wstring> events;
    int ticks = 0;
    std::size_t lastRunning = 0;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(StepSchedulerTest, WallTimeIsTheSlowestStepNotTheSum) {
    StepScheduler scheduler(50ms);
    Recorded notices;
    std::vector<Step> steps;
    steps.push_back(Waiting(L"A", 400ms));
    steps.push_back(Waiting(L"B", 400ms));
    steps.push_back(Waiting(L"C", 400ms));
    const Clock::time_point start = Clock::now();
    const std::vector<StepRecord> records = scheduler.Run(std::move(steps), notices);
    const double wall = SecondsSince(start);
    EXPECT_GE(wall, 0.4);
    EXPECT_LT(wall, 0.9);
    ASSERT_EQ(records.size(), 3u);
    for (const StepRecord& record : records) {
        EXPECT_EQ(record.result, StepResult::Ok);
        EXPECT_GE(record.seconds, 0.39);
        EXPECT_LE(record.start, record.end);
    }
    EXPECT_FALSE(scheduler.Interrupted());
    EXPECT_EQ(notices.events.size(), 6u);
    EXPECT_EQ(notices.events[0], L"start 1/3 A");
    EXPECT_GT(notices.ticks, 2);
}

TEST(StepSchedulerTest, StepsPastTheirLimitAreStoppedWhileTheOthersGoOn) {
    StepScheduler scheduler(50ms);
    Recorded notices;
    std::vector<Step> steps;
    steps.push_back(Waiting(L"limited", 10s, 150ms));
    steps.push_back(Waiting(L"uncut", 600ms));
    steps.push_back(Deaf(L"deaf", 500ms, 100ms));
    steps.push_back(Waiting(L"in time", 50ms, 5s));
    const Clock::time_point start = Clock::now();
    const std::vector<StepRecord> records = scheduler.Run(std::move(steps), notices);
    EXPECT_LT(SecondsSince(start), 2.0);

    EXPECT_EQ(records[0].result, StepResult::TimedOut);
    EXPECT_EQ(records[0].exitCode, 0x102u);  // the step's own exit code is kept
    EXPECT_GE(records[0].seconds, 0.14);
    EXPECT_LT(records[0].seconds, 1.0);
    EXPECT_EQ(records[1].result, StepResult::Ok);
    EXPECT_GE(records[1].seconds, 0.59);
    // Waited for, and still recorded as past its limit.
    EXPECT_EQ(records[2].result, StepResult::TimedOut);
    EXPECT_GE(records[2].seconds, 0.49);
    EXPECT_EQ(records[3].result, StepResult::Ok);
    EXPECT_FALSE(scheduler.Interrupted());
    EXPECT_EQ(notices.events[4], L"end 4 in time");
}

TEST(StepSchedulerTest, CancelStopsEveryStepAndTellsThemAtOnce) {
    StepScheduler scheduler(20ms);
    std::atomic<bool> heard{false};
    std::vector<Step> steps;
    steps.push_back(Waiting(L"A", 10s));
    steps.push_back(Step{L"B", 5s, [&heard](StepControl& control) {
                             control.OnStop([&heard] { heard = true; });
                             while (!heard) {
                                 std::this_thread::sleep_for(5ms);
                             }
                             return StepOutcome{};
                         }});
    struct CancelOnFirstTick : Recorded {
        explicit CancelOnFirstTick(StepScheduler& s) : scheduler(s) {}
        void Running(const std::vector<RunningStep>& steps) override {
            Recorded::Running(steps);
            scheduler.Cancel();
        }
        StepScheduler& scheduler;
    } notices(scheduler);
    const Clock::time_point start = Clock::now();
    const std::vector<StepRecord> records = scheduler.Run(std::move(steps), notices);
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_TRUE(scheduler.Interrupted());
    EXPECT_TRUE(heard);
    for (const StepRecord& record : records) {
        EXPECT_EQ(record.result, StepResult::Interrupted) << record.name;
    }
}

TEST(StepSchedulerTest, FailingAndThrowingStepsAreRecordedAndTheRunGoesOn) {
    StepScheduler scheduler(50ms);
    Recorded notices;
    StepOutcome failed;
    failed.result = StepResult::Failed;
    failed.exitCode = 5;
    failed.commandLine = L"tool /x";
    failed.warnings = 2;
    failed.outputs = {StepOutput{L"out.txt", 0, ""}};
    StepOutcome missing;
    missing.result = StepResult::NotAvailable;
    missing.reason = L"no tool";
    std::vector<Step> steps;
    steps.push_back(Waiting(L"fails", 10ms, std::nullopt, failed));
    steps.push_back(Step{L"throws", std::nullopt,
                         [](StepControl&) -> StepOutcome { throw std::runtime_error("x"); }});
    steps.push_back(Waiting(L"missing", 0ms, 1s, missing));
    steps.push_back(Waiting(L"fine", 100ms));
    const std::vector<StepRecord> records = scheduler.Run(std::move(steps), notices);
    EXPECT_EQ(records[0].result, StepResult::Failed);
    EXPECT_EQ(records[0].exitCode, 5u);
    EXPECT_EQ(records[0].commandLine, L"tool /x");
    EXPECT_EQ(records[0].warnings, 2);
    ASSERT_EQ(records[0].outputs.size(), 1u);
    EXPECT_EQ(records[1].result, StepResult::Failed);
    EXPECT_EQ(records[1].exitCode, 0x80004005u);
    EXPECT_EQ(records[2].result, StepResult::NotAvailable);
    EXPECT_EQ(records[2].reason, L"no tool");
    EXPECT_EQ(records[3].result, StepResult::Ok);
    EXPECT_EQ(notices.events.size(), 8u);
}

TEST(StepSchedulerTest, StatusLineListsTheRunningStepsWithTheirSeconds) {
    const auto item = [](const RunningStep& step) {
        return step.name + L" " + std::to_wstring(step.elapsed.count() / 1000) + L"s";
    };
    EXPECT_EQ(RenderRunningSteps({{L"QEB", 41999ms}, {L"MSINFO", 3000ms}}, item),
              L"QEB 41s  MSINFO 3s");
    EXPECT_EQ(RenderRunningSteps({}, item), L"");
    EXPECT_STREQ(StepResultName(StepResult::StoppedForSpace), "stopped_for_space");
    EXPECT_STREQ(StepResultName(StepResult::TimedOut), "timed_out");
}

}  // namespace
}  // namespace qeb
