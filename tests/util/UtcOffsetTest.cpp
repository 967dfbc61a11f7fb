#include <gtest/gtest.h>

#include <windows.h>

#include "util/UtcOffset.h"

namespace qeb {
namespace {

// Now, the offset is the system's current bias (daylight saving time included), negated.
TEST(UtcOffsetTest, NowIsTheSystemsCurrentBias) {
    TIME_ZONE_INFORMATION zone{};
    const DWORD which = ::GetTimeZoneInformation(&zone);
    const long bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT   ? zone.DaylightBias
                                   : which == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                                    : 0);
    EXPECT_EQ(UtcOffsetMinutesAt(std::chrono::system_clock::now()), -bias);
}

}  // namespace
}  // namespace qeb
