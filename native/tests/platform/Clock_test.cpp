#include "platform/Clock.h"
#include "platform/ForegroundWindow.h"

#include <gtest/gtest.h>

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
