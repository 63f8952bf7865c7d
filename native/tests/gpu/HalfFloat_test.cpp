#include "gpu/kernel/HalfFloat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace kv::gpu {
namespace {

bool IsNanHalf(std::uint16_t h) {
    return (h & 0x7c00u) == 0x7c00u && (h & 0x3ffu) != 0;
}

TEST(HalfFloat, EveryHalfRoundTripsThroughFloat) {
    for (std::uint32_t h = 0; h < 0x10000u; ++h) {
        const auto half = static_cast<std::uint16_t>(h);
        const float f = HalfToFloat(half);
        if (IsNanHalf(half)) {
            ASSERT_TRUE(std::isnan(f)) << h;
            ASSERT_TRUE(IsNanHalf(FloatToHalfRne(f))) << h;
        } else {
            ASSERT_EQ(FloatToHalfRne(f), half) << std::hex << h;
        }
    }
    EXPECT_EQ(HalfToFloat(0x0001), std::ldexp(1.0f, -24));
    EXPECT_EQ(HalfToFloat(0x7bff), 65504.0f);
    EXPECT_EQ(HalfToFloat(0x3c00), 1.0f);
}

// Random floats over the whole half range round to the nearest half, ties to
// the even one.
TEST(HalfFloat, FloatsRoundToNearestEven) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::uint32_t> bits(0x30000000u, 0x47900000u);
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t u = bits(rng) | ((i & 1u) << 31);
        float f;
        std::memcpy(&f, &u, sizeof f);
        const std::uint16_t h = FloatToHalfRne(f);
        const double got = HalfToFloat(h);
        const double x = f;
        if (std::isinf(got)) {
            ASSERT_GE(std::fabs(x), 65520.0) << f;
            continue;
        }
        // Neighbours one half step below and above in magnitude.
        const auto mag = static_cast<std::uint16_t>(h & 0x7fffu);
        const double sign = (h & 0x8000u) ? -1.0 : 1.0;
        const double down = mag == 0 ? -HalfToFloat(1) : HalfToFloat(static_cast<std::uint16_t>(mag - 1));
        const double up = mag == 0x7bff ? 65536.0 : HalfToFloat(static_cast<std::uint16_t>(mag + 1));
        const double ax = std::fabs(x);
        const double err = std::fabs(ax - std::fabs(got));
        ASSERT_LE(err, std::fabs(ax - down)) << f;
        ASSERT_LE(err, std::fabs(ax - up)) << f;
        if (err == std::fabs(ax - down) || err == std::fabs(ax - up)) {
            ASSERT_EQ(h & 1u, 0u) << "tie must go to even: " << f;
        }
        ASSERT_EQ(sign < 0, f < 0) << f;
    }
}

TEST(HalfFloat, OverflowUnderflowAndSpecialValues) {
    EXPECT_EQ(FloatToHalfRne(65519.996f), 0x7bff);
    EXPECT_EQ(FloatToHalfRne(65520.0f), 0x7c00);
    EXPECT_EQ(FloatToHalfRne(-1e30f), 0xfc00);
    EXPECT_EQ(FloatToHalfRne(INFINITY), 0x7c00);
    EXPECT_EQ(FloatToHalfRne(std::ldexp(1.0f, -25)), 0x0000);  // tie to even: zero
    EXPECT_EQ(FloatToHalfRne(std::nextafter(std::ldexp(1.0f, -25), 1.0f)), 0x0001);
    EXPECT_EQ(FloatToHalfRne(std::ldexp(1.5f, -24)), 0x0002);  // tie to even: two steps
    EXPECT_EQ(FloatToHalfRne(std::ldexp(1023.5f, -24)), 0x0400);  // carries into the normals
    EXPECT_EQ(FloatToHalfRne(-0.0f), 0x8000);
    EXPECT_EQ(FloatToHalfRne(1.0f + std::ldexp(1.0f, -11)), 0x3c00);  // tie to even
    EXPECT_EQ(FloatToHalfRne(1.0f + std::ldexp(3.0f, -11)), 0x3c02);
    EXPECT_TRUE(IsNanHalf(FloatToHalfRne(NAN)));
}

}  // namespace
}  // namespace kv::gpu
