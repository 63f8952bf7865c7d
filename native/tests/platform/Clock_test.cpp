#include "platform/Clock.h"
#include "platform/ForegroundWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>

namespace {

using namespace kv::platform;

TEST(Clock, WallClockAgreesWithTheStandardClock) {
    const std::time_t before = std::time(nullptr);
    const int64_t ms = WallClockMilliseconds();
    const std::time_t after = std::time(nullptr);
    EXPECT_GE(ms / 1000, static_cast<int64_t>(before) - 1);
    EXPECT_LE(ms / 1000, static_cast<int64_t>(after) + 1);
}

// Edit LUT stamps its request with this clock: it must move in steps of a
// millisecond, not once per timer tick (about 15.6 ms for the plain Windows
// system-time call), which a busy loop sees as much larger steps.
TEST(Clock, WallClockMovesInMillisecondSteps) {
    int64_t previous = WallClockMilliseconds();
    int64_t smallest = INT64_MAX;
    int steps = 0;
    const auto stop = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (steps < 50 && std::chrono::steady_clock::now() < stop) {
        const int64_t now = WallClockMilliseconds();
        if (now != previous) {
            smallest = std::min(smallest, now - previous);
            previous = now;
            ++steps;
        }
    }
    EXPECT_LE(smallest, 2) << "over " << steps << " steps";
}

TEST(Clock, LocalTimeFillsAPlausibleDate) {
    std::tm local{};
    ASSERT_TRUE(LocalTime(std::time_t{1700000000}, &local));  // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(local.tm_year, 123);
    EXPECT_EQ(local.tm_mon, 10);
    EXPECT_GE(local.tm_mday, 14);
    EXPECT_LE(local.tm_mday, 15);
}

#ifndef _WIN32
// Windows may answer null (no window has the focus, seen under Wine too);
// message boxes accept a null owner. Linux must hand out its stand-in token.
TEST(ForegroundWindow, LinuxTokenIsStableAndNonNull) {
    EXPECT_NE(ForegroundWindow(), nullptr);
    EXPECT_EQ(ForegroundWindow(), ForegroundWindow());
}
#endif

}  // namespace
