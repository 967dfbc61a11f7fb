// collection.json: what a collection ran, when, with which result and outputs. UTF-8 without
// a byte-order mark, local times in ISO 8601 with their UTC offset.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "util/StepRecord.h"

namespace qeb {

struct RecordedOption {
    std::string name;  // e.g. "days"
    std::variant<bool, long long, std::wstring, std::vector<std::wstring>> value;
};

struct CollectionRecord {
    std::wstring version;
    std::wstring computer;  // its stand-in when the collection is masked
    std::chrono::system_clock::time_point start;
    std::chrono::system_clock::time_point end;
    bool interrupted = false;
    std::vector<RecordedOption> options;
    std::vector<StepRecord> steps;
};

// Minutes east of UTC in force at a moment (540 for Japan).
using UtcOffsetAt = std::function<int(std::chrono::system_clock::time_point)>;

std::string CollectionJson(const CollectionRecord& record, const UtcOffsetAt& offsetAt);

// "2026-05-01T10:15:30+09:00": the moment as local time at that offset, whole seconds.
std::string Iso8601(std::chrono::system_clock::time_point moment, int offsetMinutes);

}  // namespace qeb
