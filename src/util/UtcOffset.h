// The offset of the system's local time from UTC.
#pragma once

#include <chrono>

namespace qeb {

// Minutes east of UTC in force at the moment, by the system's time zone rules (daylight
// saving time included); 0 when the system cannot tell.
int UtcOffsetMinutesAt(std::chrono::system_clock::time_point moment);

}  // namespace qeb
