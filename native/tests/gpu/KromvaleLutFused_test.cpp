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
