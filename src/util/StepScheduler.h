// Runs the steps of a collection side by side, each on a thread of its own, and records how
// each ended. A step may have a time limit: past it the step is asked to stop (its runner
// ends what it started) and is recorded as timed out while the others go on; a step without
// a limit is never cut. Cancel asks every step to stop and marks the run interrupted. A step
// that does not heed a request is waited for: threads are never killed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "util/StepRecord.h"

namespace qeb {

class StepScheduler;

// What a step's body hands back; the scheduler adds the name and the times.
struct StepOutcome {
    StepResult result = StepResult::Ok;
    std::uint32_t exitCode = 0;
    std::wstring commandLine;
    std::wstring reason;
    std::vector<StepOutput> outputs;
    int warnings = 0;
};

// A step's view of the scheduler: whether, and the means to hear when, it should stop.
class StepControl {
public:
    bool StopRequested() const;
    // Waits until a stop is requested or the time has passed; true for a request.
    bool WaitForStop(std::chrono::milliseconds time) const;
    // Called once when a stop is requested, at once when it already was. It runs on the
    // thread that called Run and must only signal, never wait.
    void OnStop(std::function<void()> callback);

private:
    friend class StepScheduler;
    StepControl(StepScheduler& scheduler, std::size_t index)
        : m_scheduler(scheduler), m_index(index) {}
    StepScheduler& m_scheduler;
    std::size_t m_index;
};

struct Step {
    std::wstring name;
    std::optional<std::chrono::milliseconds> timeLimit;  // none: never cut
    std::function<StepOutcome(StepControl&)> run;
};

struct RunningStep {
    std::wstring name;
    std::chrono::milliseconds elapsed;
};

// Told on the thread that called Run, never two at a time.
class StepNotices {
public:
    virtual ~StepNotices() = default;
    virtual void Started(std::size_t /*index*/, std::size_t /*count*/,
                         const std::wstring& /*name*/) {}
    virtual void Ended(std::size_t /*index*/, std::size_t /*count*/, const StepRecord& /*record*/) {
    }
    // A few times a second while any step runs: those still running, in step order.
    virtual void Running(const std::vector<RunningStep>& /*steps*/) {}
};

class StepScheduler {
public:
    explicit StepScheduler(std::chrono::milliseconds tick = std::chrono::milliseconds(250));
    ~StepScheduler();
    StepScheduler(const StepScheduler&) = delete;
    StepScheduler& operator=(const StepScheduler&) = delete;

    // Starts every step at once and returns, in step order, how each ended, when all have.
    std::vector<StepRecord> Run(std::vector<Step> steps, StepNotices& notices);

    // From any thread, also before or during Run: every running step is asked to stop.
    void Cancel() noexcept;
    bool Interrupted() const noexcept { return m_cancelled; }

private:
    friend class StepControl;
    enum class StopReason { None, TimeLimit, Cancel };
    struct State;

    void Work(std::size_t index) noexcept;
    void RequestStop(std::size_t index, StopReason reason);
    // Steps whose limit has passed or that a cancel reaches, not yet asked to stop.
    std::vector<std::size_t> DueForStop(std::chrono::steady_clock::time_point now,
                                        StopReason& reason) const;
    std::chrono::steady_clock::time_point NextWake(std::chrono::steady_clock::time_point now) const;
    std::vector<RunningStep> RunningSteps(std::chrono::steady_clock::time_point now) const;
    StepRecord RecordOf(const State& state) const;

    std::chrono::milliseconds m_tick;
    std::vector<State> m_states;
    mutable std::mutex m_guard;
    mutable std::condition_variable m_changed;
    std::atomic<bool> m_cancelled{false};
};

// One status line: each running step as `item` describes it, two blanks between them.
std::wstring RenderRunningSteps(const std::vector<RunningStep>& steps,
                                const std::function<std::wstring(const RunningStep&)>& item);

}  // namespace qeb
