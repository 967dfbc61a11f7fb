#include "collect/CollectionRecord.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "text/Unicode.h"

namespace qeb {
namespace {

using Json = nlohmann::ordered_json;

long long FloorDivide(long long value, long long divisor) {
    const long long quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

// The proleptic Gregorian date of a day count since 1970-01-01.
void CivilFromDays(long long days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const long long era = FloorDivide(days, 146097);
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

Json Utf8List(const std::vector<std::wstring>& list) {
    Json array = Json::array();
    for (const std::wstring& item : list) {
        array.push_back(ToUtf8(item));
    }
    return array;
}

Json OptionValue(const RecordedOption& option) {
    return std::visit(
        [](const auto& value) -> Json {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::wstring>) {
                return ToUtf8(value);
            } else if constexpr (std::is_same_v<T, std::vector<std::wstring>>) {
                return Utf8List(value);
            } else {
                return value;
            }
        },
        option.value);
}

std::string HexCode(std::uint32_t code) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(code));
    return text;
}

Json StepJson(const StepRecord& step, const UtcOffsetAt& offsetAt) {
    Json outputs = Json::array();
    for (const StepOutput& output : step.outputs) {
        outputs.push_back(
            Json{{"path", ToUtf8(output.path)}, {"size", output.size}, {"sha256", output.sha256}});
    }
    return Json{
        {"name", ToUtf8(step.name)},
        {"command_line", ToUtf8(step.commandLine)},
        {"start", Iso8601(step.start, offsetAt(step.start))},
        {"end", Iso8601(step.end, offsetAt(step.end))},
        {"seconds", static_cast<double>(static_cast<long long>(step.seconds * 1000)) / 1000},
        {"exit_code", step.exitCode},
        {"exit_code_hex", HexCode(step.exitCode)},
        {"result", StepResultName(step.result)},
        {"reason", ToUtf8(step.reason)},
        {"outputs", outputs},
        {"warnings", step.warnings}};
}

}  // namespace

std::string Iso8601(std::chrono::system_clock::time_point moment, int offsetMinutes) {
    const long long seconds =
        FloorDivide(std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch())
                        .count(),
                    1000) +
        offsetMinutes * 60LL;
    const long long days = FloorDivide(seconds, 86400);
    const long long ofDay = seconds - days * 86400;
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[40] = {};
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d%c%02d:%02d", year, month, day,
                  static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
                  static_cast<int>(ofDay % 60), offsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return text;
}

std::string CollectionJson(const CollectionRecord& record, const UtcOffsetAt& offsetAt) {
    Json options = Json::object();
    for (const RecordedOption& option : record.options) {
        options[option.name] = OptionValue(option);
    }
    Json steps = Json::array();
    for (const StepRecord& step : record.steps) {
        steps.push_back(StepJson(step, offsetAt));
    }
    const Json json{{"program", "QebInfo"},
                    {"version", ToUtf8(record.version)},
                    {"computer", ToUtf8(record.computer)},
                    {"start", Iso8601(record.start, offsetAt(record.start))},
                    {"end", Iso8601(record.end, offsetAt(record.end))},
                    {"interrupted", record.interrupted},
                    {"options", options},
                    {"steps", steps}};
    return json.dump(2) + "\n";
}

}  // namespace qeb
