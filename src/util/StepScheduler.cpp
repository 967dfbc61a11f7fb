#include "util/StepScheduler.h"

#include <system_error>
#include <thread>
#include <utility>

namespace qeb {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kStepThrew = 0x80004005;  // E_FAIL

// A notice that throws must not leave the steps' threads unjoined.
template <typename Notice>
void Tell(Notice&& notice) noexcept {
    try {
        notice();
    } catch (...) {
    }
}

}  // namespace

const char* StepResultName(StepResult result) {
    switch (result) {
        case StepResult::Ok:
            return "ok";
        case StepResult::Failed:
            return "failed";
        case StepResult::TimedOut:
            return "timed_out";
        case StepResult::NotAvailable:
            return "not_available";
        case StepResult::StoppedForSpace:
            return "stopped_for_space";
        case StepResult::Interrupted:
            return "interrupted";
    }
    return "failed";
}

struct StepScheduler::State {
    Step step;
    Clock::time_point started{};
    Clock::time_point ended{};
    std::chrono::system_clock::time_point startTime{};
    std::chrono::system_clock::time_point endTime{};
    StopReason stop = StopReason::None;
    std::vector<std::function<void()>> onStop;
    StepOutcome outcome;
    bool done = false;
    bool told = false;
    std::thread thread;
};

StepScheduler::StepScheduler(std::chrono::milliseconds tick) : m_tick(tick) {}

StepScheduler::~StepScheduler() = default;

bool StepControl::StopRequested() const {
    const std::lock_guard<std::mutex> lock(m_scheduler.m_guard);
    return m_scheduler.m_states[m_index].stop != StepScheduler::StopReason::None;
}

bool StepControl::WaitForStop(std::chrono::milliseconds time) const {
    std::unique_lock<std::mutex> lock(m_scheduler.m_guard);
    return m_scheduler.m_changed.wait_for(lock, time, [this] {
        return m_scheduler.m_states[m_index].stop != StepScheduler::StopReason::None;
    });
}

void StepControl::OnStop(std::function<void()> callback) {
    {
        const std::lock_guard<std::mutex> lock(m_scheduler.m_guard);
        StepScheduler::State& state = m_scheduler.m_states[m_index];
        if (state.stop == StepScheduler::StopReason::None) {
            state.onStop.push_back(std::move(callback));
            return;
        }
    }
    callback();
}

void StepScheduler::Cancel() noexcept {
    const std::lock_guard<std::mutex> lock(m_guard);
    m_cancelled = true;
    m_changed.notify_all();
}

void StepScheduler::RequestStop(std::size_t index, StopReason reason) {
    std::vector<std::function<void()>> callbacks;
    {
        const std::lock_guard<std::mutex> lock(m_guard);
        State& state = m_states[index];
        if (state.stop != StopReason::None || state.done) {
            return;
        }
        state.stop = reason;
        callbacks.swap(state.onStop);
        m_changed.notify_all();
    }
    for (const std::function<void()>& callback : callbacks) {
        callback();
    }
}

void StepScheduler::Work(std::size_t index) noexcept {
    State& state = m_states[index];
    StepControl control(*this, index);
    StepOutcome outcome;
    try {
        outcome = state.step.run(control);
    } catch (...) {
        outcome = StepOutcome{};
        outcome.result = StepResult::Failed;
        outcome.exitCode = kStepThrew;
    }
    const std::lock_guard<std::mutex> lock(m_guard);
    state.outcome = std::move(outcome);
    state.ended = Clock::now();
    state.endTime = std::chrono::system_clock::now();
    state.done = true;
    m_changed.notify_all();
}

std::vector<std::size_t> StepScheduler::DueForStop(Clock::time_point now,
                                                   StopReason& reason) const {
    std::vector<std::size_t> due;
    for (std::size_t i = 0; i < m_states.size(); ++i) {
        const State& state = m_states[i];
        if (state.done || state.stop != StopReason::None) {
            continue;
        }
        if (m_cancelled) {
            reason = StopReason::Cancel;
            due.push_back(i);
        } else if (state.step.timeLimit && now >= state.started + *state.step.timeLimit) {
            reason = StopReason::TimeLimit;
            due.push_back(i);
        }
    }
    return due;
}

Clock::time_point StepScheduler::NextWake(Clock::time_point now) const {
    Clock::time_point wake = now + m_tick;
    for (const State& state : m_states) {
        if (!state.done && state.stop == StopReason::None && state.step.timeLimit) {
            const Clock::time_point deadline = state.started + *state.step.timeLimit;
            wake = deadline < wake ? deadline : wake;
        }
    }
    return wake;
}

std::vector<RunningStep> StepScheduler::RunningSteps(Clock::time_point now) const {
    std::vector<RunningStep> running;
    for (const State& state : m_states) {
        if (!state.done) {
            running.push_back(RunningStep{
                state.step.name,
                std::chrono::duration_cast<std::chrono::milliseconds>(now - state.started)});
        }
    }
    return running;
}

StepRecord StepScheduler::RecordOf(const State& state) const {
    StepRecord record;
    record.name = state.step.name;
    record.commandLine = state.outcome.commandLine;
    record.start = state.startTime;
    record.end = state.endTime;
    record.seconds = std::chrono::duration<double>(state.ended - state.started).count();
    record.exitCode = state.outcome.exitCode;
    record.reason = state.outcome.reason;
    record.outputs = state.outcome.outputs;
    record.warnings = state.outcome.warnings;
    // A step that was asked to stop did not end on its own, whatever it made of that.
    record.result = state.stop == StopReason::TimeLimit ? StepResult::TimedOut
                    : state.stop == StopReason::Cancel  ? StepResult::Interrupted
                                                        : state.outcome.result;
    return record;
}

std::vector<StepRecord> StepScheduler::Run(std::vector<Step> steps, StepNotices& notices) {
    const std::size_t count = steps.size();
    m_states = std::vector<State>(count);
    for (std::size_t i = 0; i < count; ++i) {
        m_states[i].step = std::move(steps[i]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        Tell([&] { notices.Started(i, count, m_states[i].step.name); });
        const std::lock_guard<std::mutex> lock(m_guard);
        State& state = m_states[i];
        state.started = Clock::now();
        state.startTime = std::chrono::system_clock::now();
        try {
            state.thread = std::thread(&StepScheduler::Work, this, i);
        } catch (const std::system_error&) {
            state.outcome.result = StepResult::Failed;
            state.outcome.exitCode = kStepThrew;
            state.ended = state.started;
            state.endTime = state.startTime;
            state.done = true;
        }
    }

    std::vector<StepRecord> records(count);
    std::size_t told = 0;
    Clock::time_point nextTick = Clock::now() + m_tick;
    std::unique_lock<std::mutex> lock(m_guard);
    while (told < count) {
        const Clock::time_point now = Clock::now();
        StopReason reason = StopReason::None;
        const std::vector<std::size_t> due = DueForStop(now, reason);
        std::vector<std::size_t> ended;
        for (std::size_t i = 0; i < count; ++i) {
            if (m_states[i].done && !m_states[i].told) {
                m_states[i].told = true;
                records[i] = RecordOf(m_states[i]);
                ended.push_back(i);
            }
        }
        const bool tick = now >= nextTick;
        const std::vector<RunningStep> running =
            tick ? RunningSteps(now) : std::vector<RunningStep>();
        if (due.empty() && ended.empty() && !tick) {
            m_changed.wait_until(lock, NextWake(now) < nextTick ? NextWake(now) : nextTick);
            continue;
        }
        lock.unlock();
        for (const std::size_t i : due) {
            RequestStop(i, reason);
        }
        for (const std::size_t i : ended) {
            Tell([&] { notices.Ended(i, count, records[i]); });
            ++told;
        }
        if (tick) {
            if (!running.empty()) {
                Tell([&] { notices.Running(running); });
            }
            nextTick = Clock::now() + m_tick;
        }
        lock.lock();
    }
    lock.unlock();
    for (State& state : m_states) {
        if (state.thread.joinable()) {
            state.thread.join();
        }
    }
    return records;
}

std::wstring RenderRunningSteps(const std::vector<RunningStep>& steps,
                                const std::function<std::wstring(const RunningStep&)>& item) {
    std::wstring line;
    for (const RunningStep& step : steps) {
        line += (line.empty() ? L"" : L"  ") + item(step);
    }
    return line;
}

}  // namespace qeb
