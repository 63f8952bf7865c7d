// The kernel body with fused sums and blend, as the PTX evaluates it
// (fma.rn for every a * b + c of the sum and the blend), against the
// processor: the parity bound must cover contraction too.
#define KV_TWIN_FUSED
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "KernelTestSupport.h"
#include "TestLuts.h"
#include "ParityBound.h"
#include "gpu/kernel/KromvaleLutTwinBody.h"
#include "lut_engine/LutSampling.h"

namespace kv::gpu::test {
namespace {

TEST(KromvaleLutFused, LutResultsStayWithinParityBoundOfProcessor) {
    std::mt19937 rng(4321);
    std::uniform_real_distribution<float> unit(-0.25f, 1.25f);
    ParityStats outs;
    for (int size : {2, 5, 33}) {
        for (float scale : {1.0f, 1000.0f}) {
            Lut3D lut = kvtest::RandomCube(size, static_cast<uint32_t>(rng()), -0.5f * scale, 1.5f * scale);
            for (int i = 0; i < 30000; ++i) {
                const float in[3] = {unit(rng), unit(rng), unit(rng)};
                const float amount = i % 3 == 0 ? 1.0f : unit(rng) * 0.8f;
                if (amount <= 0.0f) {
                    continue;
                }
                float cpuSum[3];
                sampleTetra(lut, in, cpuSum);
                const twin_fused::KvTetra t =
                    twin_fused::kvTetra(in[0], in[1], in[2], lut.size, 0.0f, 0.0f, 0.0f, 1.0f,
                                        1.0f, 1.0f);
                for (int c = 0; c < 3; ++c) {
                    const float sum = twin_fused::kvTetraSum(lut.data.data(), t, c);
                    const double sumBound = SumBound(SumMagnitude(t, lut.data.data(), c));
                    ASSERT_LE(std::fabs(double(sum) - cpuSum[c]), sumBound);
                    const float out = twin_fused::kvBlend(sum, in[c], amount);
                    const float cpuOut = BlendAmount(cpuSum[c], in[c], amount);
                    const double bound = BlendBound(sumBound, in[c], amount, sum, cpuSum[c], out, cpuOut);
                    ASSERT_LE(std::fabs(double(out) - cpuOut), bound);
                    outs.Add(std::fabs(double(out) - cpuOut), bound);
                }
            }
        }
    }
    RecordProperty("worst_output_ratio", std::to_string(outs.worstRatio));
}

TEST(KromvaleLutFused, ShapedLutsStayWithinParityBoundOfProcessor) {
    // The 1D stage is never fused, so only the cube's sum and the blend can
    // differ, by the same bound as for a cube alone.
    std::mt19937 rng(4322);
    std::uniform_real_distribution<float> unit(-0.25f, 1.25f);
    for (int cubeSize : {33, 0}) {
        Lut3D lut = cubeSize > 0 ? kvtest::RandomCube(cubeSize, static_cast<uint32_t>(rng()), -0.5f, 1.5f) : Lut3D{};
        kvtest::AddRandomShaper(lut, 4096, static_cast<uint32_t>(rng()));
        for (int i = 0; i < 30000; ++i) {
            const float in[3] = {unit(rng), unit(rng), unit(rng)};
            const float amount = i % 3 == 0 ? 1.0f : std::uniform_real_distribution<float>(0.01f, 1.0f)(rng);
            float cpu[3];
            SampleLut(lut, in, cpu);
            float shaped[3];
            for (int c = 0; c < 3; ++c) {
                shaped[c] = twin_fused::kvShaperChannel(lut.shaper.data(), lut.shaperSize, in[c], 0.0f, 1.0f, c);
                ASSERT_EQ(Bits(shaped[c]), Bits(ShaperChannel(lut, in[c], c)));
            }
            const twin_fused::KvPixel px = twin_fused::kvShapedLutPixel(
                twin_fused::KvPixel{in[2], in[1], in[0], 1.0f}, lut.data.data(), lut.size, 0.0f, 0.0f, 0.0f,
                1.0f, 1.0f, 1.0f, amount, lut.shaper.data(), lut.shaperSize, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f);
            const float got[3] = {px.r, px.g, px.b};
            for (int c = 0; c < 3; ++c) {
                double sumBound = 0.0;
                float v = shaped[c];
                if (lut.size > 0) {
                    const twin_fused::KvTetra t = twin_fused::kvTetra(shaped[0], shaped[1], shaped[2], lut.size,
                                                                      0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f);
                    v = twin_fused::kvTetraSum(lut.data.data(), t, c);
                    sumBound = SumBound(SumMagnitude(t, lut.data.data(), c));
                }
                const float cpuOut = BlendAmount(cpu[c], in[c], amount);
                const double bound = BlendBound(sumBound, in[c], amount, v, cpu[c], got[c], cpuOut);
                ASSERT_LE(std::fabs(double(got[c]) - cpuOut), bound) << "cube " << cubeSize << " channel " << c;
            }
        }
    }
}

TEST(KromvaleLutFused, AmountZeroStillCopiesExactly) {
    // fma(v - in, 0, in) is in for every finite v and in.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-1e6f, 1e6f);
    for (int i = 0; i < 10000; ++i) {
        const float in = value(rng);
        EXPECT_EQ(Bits(twin_fused::kvBlend(value(rng), in, 0.0f)), Bits(in));
    }
}

}  // namespace
}  // namespace kv::gpu::test
