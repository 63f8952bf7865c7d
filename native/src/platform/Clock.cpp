#include "platform/Clock.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kv::platform {

#ifdef _WIN32

int64_t WallClockMilliseconds() {
    // The precise call: the plain one moves only once per timer tick (about
    // 15.6 ms), so two quick requests could carry the same "at".
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    // 100-ns ticks since 1601-01-01; 11644473600 s separate 1601 from 1970.
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000) - INT64_C(11644473600000);
}

bool LocalTime(std::time_t time, std::tm* out) { return localtime_s(out, &time) == 0; }

#else

int64_t WallClockMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool LocalTime(std::time_t time, std::tm* out) { return localtime_r(&time, out) != nullptr; }

#endif

}  // namespace kv::platform
