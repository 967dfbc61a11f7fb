#include "util/UtcOffset.h"

#include <windows.h>

namespace qeb {
namespace {

constexpr long long kFileTimeOf1970 = 116444736000000000LL;
constexpr long long kTicksPerSecond = 10000000LL;

long long ToTicks(const FILETIME& time) {
    return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                  time.dwLowDateTime);
}

}  // namespace

int UtcOffsetMinutesAt(std::chrono::system_clock::time_point moment) {
    const long long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(moment.time_since_epoch()).count();
    const unsigned long long ticks =
        static_cast<unsigned long long>(kFileTimeOf1970 + seconds * kTicksPerSecond);
    const FILETIME utcTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    FILETIME localTime{};
    // The rules of the year of the moment, not the bias in force now.
    if (!::FileTimeToSystemTime(&utcTime, &utc) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !::SystemTimeToFileTime(&local, &localTime)) {
        return 0;
    }
    return static_cast<int>((ToTicks(localTime) - ToTicks(utcTime)) / (60 * kTicksPerSecond));
}

}  // namespace qeb
