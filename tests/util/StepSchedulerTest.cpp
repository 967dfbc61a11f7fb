// The scheduler with fake steps that wait, fail, throw or do not heed a stop.
#include <gtest/gtest.h>

#include <thread>

#include "util/StepScheduler.h"

namespace qeb {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Limit = std::optional<std::chrono::milliseconds>;

StepOutcome Outcome(StepResult result, std::uint32_t exitCode, const wchar_t* reason = L"") {
    StepOutcome outcome;
    outcome.result = result;
    outcome.exitCode = exitCode;
    outcome.reason = reason;
    return outcome;
}

// Waits `time` unless stopped (then fails with 0x102, as a stopped child does); `deaf` sleeps
// without looking at the scheduler.
Step Fake(const wchar_t* name, std::chrono::milliseconds time, Limit limit = std::nullopt,
          StepOutcome outcome = {}, bool deaf = false) {
    return Step{name, limit, [=](StepControl& control) {
                    StepOutcome result = outcome;
                    if (deaf) {
                        std::this_thread::sleep_for(time);
                    } else if (control.WaitForStop(time)) {
                        result = Outcome(StepResult::Failed, 0x102);
                    }
                    return result;
                }};
}

struct Notices : StepNotices {
    void Started(std::size_t index, std::size_t count, const std::wstring& name) override {
        events.push_back(L"start " + std::to_wstring(index + 1) + L"/" + std::to_wstring(count) +
                         L" " + name);
    }
    void Ended(std::size_t, std::size_t, const StepRecord& record) override {
        events.push_back(L"end " + record.name);
    }
    void Running(const std::vector<RunningStep>&) override {
        ++ticks;
        if (cancelOnTick != nullptr) {
            cancelOnTick->Cancel();
        }
    }
    std::vector<std::wstring> events;
    int ticks = 0;
    StepScheduler* cancelOnTick = nullptr;
};

struct Finished {
    std::vector<StepRecord> records;
    double seconds;
};

Finished RunSteps(StepScheduler& scheduler, std::vector<Step> steps, Notices& notices) {
    const Clock::time_point start = Clock::now();
    std::vector<StepRecord> records = scheduler.Run(std::move(steps), notices);
    return {records, std::chrono::duration<double>(Clock::now() - start).count()};
}

TEST(StepSchedulerTest, WallTimeIsTheSlowestStepNotTheSum) {
    StepScheduler scheduler(50ms);
    Notices notices;
    const Finished run =
        RunSteps(scheduler, {Fake(L"A", 400ms), Fake(L"B", 400ms), Fake(L"C", 400ms, 5s)}, notices);
    EXPECT_GE(run.seconds, 0.4);
    EXPECT_LT(run.seconds, 0.9);
    for (const StepRecord& record : run.records) {
        EXPECT_EQ(record.result, StepResult::Ok);
        EXPECT_GE(record.seconds, 0.39);
        EXPECT_LE(record.start, record.end);
    }
    EXPECT_EQ(notices.events.size(), 6u);
    EXPECT_EQ(notices.events[0], L"start 1/3 A");
    EXPECT_GT(notices.ticks, 2);
    EXPECT_FALSE(scheduler.Interrupted());
}

// Limits, a step that does not heed the request, failures and a missing tool in one run.
TEST(StepSchedulerTest, EachStepEndsAsItsOwnLimitAndOutcomeSay) {
    StepScheduler scheduler(50ms);
    Notices notices;
    StepOutcome failed = Outcome(StepResult::Failed, 5);
    failed.commandLine = L"tool /x";
    failed.outputs.resize(1);
    failed.warnings = 2;
    const StepOutcome missing = Outcome(StepResult::NotAvailable, 0x8007007E, L"no tool");
    Step throwing{L"throws", {}, [](StepControl&) -> StepOutcome { throw std::bad_alloc(); }};
    const Finished run = RunSteps(
        scheduler,
        {Fake(L"limited", 10s, 150ms), Fake(L"uncut", 600ms), Fake(L"deaf", 500ms, 100ms, {}, true),
         Fake(L"fails", 10ms, 5s, failed), throwing, Fake(L"missing", 0ms, 1s, missing)},
        notices);
    EXPECT_LT(run.seconds, 2.0);
    const std::vector<StepRecord>& records = run.records;
    EXPECT_EQ(records[0].result, StepResult::TimedOut);
    EXPECT_EQ(records[0].exitCode, 0x102u);  // the step's own code is kept
    EXPECT_LT(records[0].seconds, 1.0);
    EXPECT_EQ(records[1].result, StepResult::Ok);
    EXPECT_GE(records[1].seconds, 0.59);
    // Waited for, and recorded as past its limit all the same.
    EXPECT_EQ(records[2].result, StepResult::TimedOut);
    EXPECT_GE(records[2].seconds, 0.49);
    EXPECT_EQ(records[3].result, StepResult::Failed);
    EXPECT_EQ(records[3].exitCode, 5u);
    EXPECT_EQ(records[3].commandLine, L"tool /x");
    EXPECT_EQ(records[3].warnings, 2);
    EXPECT_EQ(records[3].outputs.size(), 1u);
    EXPECT_EQ(records[4].result, StepResult::Failed);
    EXPECT_EQ(records[4].exitCode, 0x80004005u);
    EXPECT_EQ(records[5].result, StepResult::NotAvailable);
    EXPECT_EQ(records[5].reason, L"no tool");
    EXPECT_EQ(notices.events.size(), 12u);
}

TEST(StepSchedulerTest, CancelStopsEveryStepAndTellsItsCallbacks) {
    StepScheduler scheduler(20ms);
    std::atomic<bool> heard{false};
    Step listening{L"B", 5s, [&heard](StepControl& control) {
                       control.OnStop([&heard] { heard = true; });
                       while (!heard) {
                           std::this_thread::sleep_for(5ms);
                       }
                       return StepOutcome{};
                   }};
    Notices notices;
    notices.cancelOnTick = &scheduler;
    const Finished run = RunSteps(scheduler, {Fake(L"A", 10s), listening}, notices);
    EXPECT_LT(run.seconds, 2.0);
    EXPECT_TRUE(scheduler.Interrupted());
    for (const StepRecord& record : run.records) {
        EXPECT_EQ(record.result, StepResult::Interrupted) << record.name;
    }
}

}  // namespace
}  // namespace qeb
