#pragma once
// Wall clock and local time.

#include <cstdint>
#include <ctime>

namespace kv::platform {

// Milliseconds since 1970-01-01 00:00:00 UTC.
int64_t WallClockMilliseconds();

// Thread-safe local-time conversion; false if the time cannot be converted.
bool LocalTime(std::time_t time, std::tm* out);

}  // namespace kv::platform
