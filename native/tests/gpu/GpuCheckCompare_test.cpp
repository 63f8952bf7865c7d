// The GPU check's per-frame verdict. The check itself runs only on a lent
// NVIDIA machine, so its bounds and its report of the worst channel are
// proven here: a wrong verdict there would pass a broken kernel or waste the
// borrowed time on a false alarm.

#include "GpuCheckCompare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace kvtest {
namespace {

constexpr float kUnit = 0x1p-24f;  // one float step just above 0.5

TEST(GpuCheckVerdict, FloatLutChannelsMayDifferBySixteenStepsOfTheLargestMagnitude) {
    FrameVerdict within(false, false);
    within.Add(0, 0, 0, 0.2f, 0.5f, 0.5f + 15 * kUnit);
    // A large input widens the bound even where the output is small.
    within.Add(1, 0, 0, 4.0f, 0.5f, 0.5f + 60 * kUnit);
    EXPECT_TRUE(within.Matches());

    FrameVerdict beyond(false, false);
    beyond.Add(0, 0, 0, 0.2f, 0.5f, 0.5f + 15 * kUnit);
    beyond.Add(7, 3, 2, 0.2f, 0.5f, 0.5f + 17 * kUnit);
    EXPECT_FALSE(beyond.Matches());
    const WorstChannel& w = beyond.Worst();
    EXPECT_EQ(w.x, 7);
    EXPECT_EQ(w.y, 3);
    EXPECT_EQ(w.c, 2);
    EXPECT_EQ(w.input, 0.2f);
    EXPECT_EQ(w.cpu, 0.5f);
    EXPECT_EQ(w.gpu, 0.5f + 17 * kUnit);
    EXPECT_NEAR(w.boundUsed, 17.0 / 16.0, 1e-9);
}

TEST(GpuCheckVerdict, HalfLutChannelsMayDifferByOneHalfStep) {
    constexpr float kHalfStep = 0x1p-11f;  // between 0.5 and 1
    FrameVerdict oneStep(false, true);
    oneStep.Add(0, 0, 1, 0.3f, 0.75f, 0.75f + kHalfStep);
    EXPECT_TRUE(oneStep.Matches());

    FrameVerdict twoSteps(false, true);
    twoSteps.Add(0, 0, 1, 0.3f, 0.75f, 0.75f + 2 * kHalfStep);
    EXPECT_FALSE(twoSteps.Matches());
}

TEST(GpuCheckVerdict, ExactCasesAcceptNoDifference) {
    FrameVerdict floatFrame(true, false);
    floatFrame.Add(0, 0, 0, 0.0f, 0.25f, 0.25f);
    EXPECT_TRUE(floatFrame.Matches());
    floatFrame.Add(1, 0, 0, 0.0f, 0.25f, std::nextafter(0.25f, 1.0f));
    EXPECT_FALSE(floatFrame.Matches());
    EXPECT_TRUE(std::isinf(floatFrame.Worst().boundUsed));

    // A half frame holds the processor's value rounded to half, and only that.
    const float rounded = kv::gpu::HalfToFloat(kv::gpu::FloatToHalfRne(0.1f));
    ASSERT_NE(rounded, 0.1f);
    FrameVerdict halfFrame(true, true);
    halfFrame.Add(0, 0, 0, 0.0f, 0.1f, rounded);
    EXPECT_TRUE(halfFrame.Matches());
    const float nextHalf = kv::gpu::HalfToFloat(static_cast<std::uint16_t>(kv::gpu::FloatToHalfRne(0.1f) + 1));
    halfFrame.Add(1, 0, 0, 0.0f, 0.1f, nextHalf);
    EXPECT_FALSE(halfFrame.Matches());
}

TEST(GpuCheckVerdict, NanIsAMismatchAndOutranksAnyFiniteDifference) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    FrameVerdict verdict(false, false);
    verdict.Add(0, 0, 0, 0.2f, 0.5f, 0.5f + 40 * kUnit);
    verdict.Add(5, 6, 3, 0.2f, 0.5f, nan);
    verdict.Add(9, 9, 0, 0.2f, 0.5f, 0.5f + 80 * kUnit);
    EXPECT_FALSE(verdict.Matches());
    EXPECT_EQ(verdict.Worst().x, 5);
    EXPECT_EQ(verdict.Worst().c, 3);

    // A NaN from the processor cannot pass either.
    FrameVerdict cpuNan(false, false);
    cpuNan.Add(0, 0, 0, 0.2f, nan, 0.5f);
    EXPECT_FALSE(cpuNan.Matches());
}

TEST(GpuCheckVerdict, WorstIsTheChannelNearestItsBoundNotTheLargestDifference) {
    FrameVerdict verdict(false, false);
    // About half its bound, though the larger difference by far.
    verdict.Add(1, 1, 0, 100.0f, 100.0f, 100.0f + 6 * 0x1p-17f);
    // Three quarters of its bound.
    verdict.Add(2, 2, 1, 0.2f, 0.5f, 0.5f + 12 * kUnit);
    EXPECT_TRUE(verdict.Matches());
    EXPECT_EQ(verdict.Worst().x, 2);
    EXPECT_NEAR(verdict.Worst().boundUsed, 0.75, 1e-9);
}

}  // namespace
}  // namespace kvtest
