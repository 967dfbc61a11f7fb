// What is known of one step of a run once it has ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace qeb {

enum class StepResult { Ok, Failed, TimedOut, NotAvailable, StoppedForSpace, Interrupted };

// "ok", "failed", "timed_out", "not_available", "stopped_for_space", "interrupted".
const char* StepResultName(StepResult result);

struct StepOutput {
    std::wstring path;
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hexadecimal; empty until the output has been read
};

struct StepRecord {
    std::wstring name;
    std::wstring commandLine;
    std::chrono::system_clock::time_point start;
    std::chrono::system_clock::time_point end;
    double seconds = 0;
    std::uint32_t exitCode = 0;
    StepResult result = StepResult::Ok;
    std::wstring reason;  // why a tool is not available, or what failed
    std::vector<StepOutput> outputs;
    int warnings = 0;
};

}  // namespace qeb
