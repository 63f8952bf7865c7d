// The step body's log2, exp2 and pow: their accuracy against double
// precision, their results at the edges, and the same bits at every row
// level.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "StepMathLanes.h"
#include "TestLuts.h"
#include "lut_engine/simd/RowLevel.h"

namespace {

using kvtest::MathFn;

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Distance from the double result in units of the float spacing at that
// result (the spacing of the smallest normal below it).
double UlpError(float got, double exact) {
    const double spacing = std::ldexp(1.0, std::max(std::ilogb(exact), -126) - 23);
    return std::fabs(static_cast<double>(got) - exact) / spacing;
}

std::vector<float> Apply(MathFn fn, const std::vector<float>& x, const std::vector<float>& y) {
    std::vector<float> out(x.size());
    kvtest::StepMathScalar(fn, x.data(), y.data(), out.data(), x.size());
    return out;
}

// Inputs of every binade from `lo` to `hi` (powers of two), `per` each.
std::vector<float> EveryBinade(int lo, int hi, int per, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<float> v;
    for (int e = lo; e <= hi; ++e) {
        for (int i = 0; i < per; ++i) {
            const uint32_t mantissa = rng() & 0x7FFFFF;
            v.push_back(e < -126 ? std::bit_cast<float>(mantissa >> (-126 - e))
                                 : std::ldexp(std::bit_cast<float>(0x3F800000u | mantissa), e));
        }
    }
    return v;
}

TEST(StepMath, AccuracyAgainstDoublePrecision) {
    const std::vector<float> positive = EveryBinade(-149, 127, 4096, 1);
    const std::vector<float> none(positive.size(), 0.0f);
    double worstLog = 0.0;
    const std::vector<float> logs = Apply(MathFn::kLog2, positive, none);
    for (size_t i = 0; i < positive.size(); ++i) {
        const double exact = std::log2(static_cast<double>(positive[i]));
        // Near x = 1 the result nears 0 and its own spacing means nothing:
        // there the bound is absolute, 2^-24.
        const double err = std::fabs(exact) < 1.0 ? std::fabs(logs[i] - exact) / std::ldexp(1.0, -24)
                                                  : UlpError(logs[i], exact);
        worstLog = std::max(worstLog, err);
    }
    std::vector<float> exponents;
    for (float x = -149.0f; x < 128.0f; x += 1.0f / 1024.0f) exponents.push_back(x);
    const std::vector<float> exps = Apply(MathFn::kExp2, exponents, std::vector<float>(exponents.size(), 0.0f));
    double worstExp = 0.0;
    for (size_t i = 0; i < exponents.size(); ++i) {
        worstExp = std::max(worstExp, UlpError(exps[i], std::exp2(static_cast<double>(exponents[i]))));
    }
    // pow over the bases and exponents the steps meet (gammas, CDL powers,
    // log bases), relative to the size of y log2 x that exp2 amplifies.
    std::mt19937 rng(7);
    std::vector<float> bases, powers;
    for (int i = 0; i < 200000; ++i) {
        bases.push_back(std::ldexp(std::uniform_real_distribution<float>(1.0f, 2.0f)(rng),
                                   std::uniform_int_distribution<int>(-30, 30)(rng)));
        powers.push_back(std::uniform_real_distribution<float>(-4.0f, 4.0f)(rng));
    }
    const std::vector<float> pows = Apply(MathFn::kPow, bases, powers);
    double worstPow = 0.0;
    for (size_t i = 0; i < bases.size(); ++i) {
        const double exact = std::pow(static_cast<double>(bases[i]), static_cast<double>(powers[i]));
        if (!std::isfinite(exact) || exact < 1e-37 || exact > 1e37) continue;
        const double amplification = 2.0 + 1.5 * std::fabs(powers[i] * std::log2(static_cast<double>(bases[i])));
        worstPow = std::max(worstPow, UlpError(pows[i], exact) / amplification);
    }
    std::printf("worst: log2 %.2f ulp, exp2 %.2f ulp, pow %.2f of (2 + 1.5 |y log2 x|) ulp\n", worstLog, worstExp,
                worstPow);
    EXPECT_LE(worstLog, 1.0);
    EXPECT_LE(worstExp, 1.0);
    EXPECT_LE(worstPow, 1.0);
}

TEST(StepMath, EdgesGiveTheLimits) {
    const float qnan = std::bit_cast<float>(0x7FC00000u);
    const struct {
        MathFn fn;
        float x, y;
        float expected;
    } cases[] = {
        {MathFn::kLog2, 0.0f, 0, -kInf},
        {MathFn::kLog2, -0.0f, 0, -kInf},
        {MathFn::kLog2, -1.0f, 0, qnan},
        {MathFn::kLog2, -kInf, 0, qnan},
        {MathFn::kLog2, kNaN, 0, qnan},
        {MathFn::kLog2, kInf, 0, kInf},
        {MathFn::kLog2, 1.0f, 0, 0.0f},
        {MathFn::kLog2, 1024.0f, 0, 10.0f},
        {MathFn::kLog2, std::numeric_limits<float>::denorm_min(), 0, -149.0f},
        {MathFn::kExp2, -kInf, 0, 0.0f},
        {MathFn::kExp2, kInf, 0, kInf},
        {MathFn::kExp2, 128.0f, 0, kInf},
        {MathFn::kExp2, -149.0f, 0, std::numeric_limits<float>::denorm_min()},
        {MathFn::kExp2, -151.0f, 0, 0.0f},
        {MathFn::kExp2, 10.0f, 0, 1024.0f},
        {MathFn::kExp2, kNaN, 0, qnan},
        {MathFn::kPow, 2.0f, 10.0f, 1024.0f},
        {MathFn::kPow, 0.0f, 2.0f, 0.0f},
        {MathFn::kPow, 0.0f, -2.0f, kInf},
        {MathFn::kPow, kInf, 0.5f, kInf},
    };
    for (const auto& c : cases) {
        float got = 0.0f;
        kvtest::StepMathScalar(c.fn, &c.x, &c.y, &got, 1);
        EXPECT_EQ(kvtest::BitsOf(got), kvtest::BitsOf(c.expected))
            << "fn " << static_cast<int>(c.fn) << " at " << c.x << ", " << c.y << ": " << got;
    }
}

TEST(StepMath, VectorLanesGiveTheScalarBits) {
    if (kv::DetectedRowLevel() < kv::RowLevel::kAvx2) GTEST_SKIP() << "no AVX2 here";
    std::vector<float> x = EveryBinade(-149, 127, 64, 3);
    for (const float special : {0.0f, -0.0f, -1.0f, kInf, -kInf, kNaN, std::bit_cast<float>(0xFFC12345u), 1.0f,
                                std::nextafter(1.0f, 2.0f), std::nextafter(1.0f, 0.0f), 1.41421356f, 128.0f,
                                -150.0f, -149.5f, 127.99999f}) {
        x.push_back(special);
        x.push_back(-special);
    }
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) x.push_back(std::uniform_real_distribution<float>(-200.0f, 200.0f)(rng));
    while (x.size() % 8 != 0) x.push_back(0.5f);
    std::vector<float> y(x.size());
    for (size_t i = 0; i < y.size(); ++i) y[i] = x[(i * 7919) % x.size()];
    for (const MathFn fn : {MathFn::kLog2, MathFn::kExp2, MathFn::kPow}) {
        std::vector<float> scalar(x.size()), vector(x.size());
        kvtest::StepMathScalar(fn, x.data(), y.data(), scalar.data(), x.size());
        kvtest::StepMathAvx2(fn, x.data(), y.data(), vector.data(), x.size());
        for (size_t i = 0; i < x.size(); ++i) {
            ASSERT_EQ(kvtest::BitsOf(scalar[i]), kvtest::BitsOf(vector[i]))
                << "fn " << static_cast<int>(fn) << " at " << x[i] << ", " << y[i];
        }
    }
}

}  // namespace
