// The steps entry compiled as C++ against the processor rows
// (kv::ApplyLutRows32f) on whole frames: unfused, it gives their bits.
#include <gtest/gtest.h>

#include <random>

#include "KernelTestSupport.h"
#include "gpu/KernelParams.h"

namespace kv::gpu::test {
namespace {

TEST(KromvaleLutStepsTwin, FramesMatchProcessorRowsBitForBitInBothFormats) {
    std::mt19937 rng(77);
    for (const StepListLut& c : StepListLuts()) {
        ASSERT_TRUE(c.lut.HasProcessSteps()) << c.name;
        for (int is16f : {0, 1}) {
            for (float amount : {1.0f, 0.6f}) {
                SCOPED_TRACE(c.name + (is16f != 0 ? ", half" : ", float") + ", amount " + std::to_string(amount));
                const kv::gpu::KernelParams k = StepsParams(c.lut, is16f, amount);
                const GpuFrame src = StepInputFrame(rng, is16f, k.srcPitch, 24);
                // Threads past the frame and the padding columns leave dst alone.
                GpuFrame twin = StepInputFrame(rng, is16f, k.dstPitch, 25);
                GpuFrame processor = twin;
                RunStepsTwin(src, twin, c.lut, k);
                ProcessorRows(src, processor, c.lut, amount, k);
                ASSERT_EQ(twin.bytes.size(), processor.bytes.size());
                for (size_t i = 0; i < twin.bytes.size(); ++i) {
                    ASSERT_EQ(twin.bytes[i], processor.bytes[i])
                        << "pixel " << i / twin.PixelBytes() % k.dstPitch << "," << i / twin.RowBytes();
                }
            }
        }
    }
}

TEST(KromvaleLutStepsTwin, PatternIsDrawnAsByTheCubeEntry) {
    std::mt19937 rng(78);
    const std::vector<StepListLut> luts = StepListLuts();
    kv::gpu::KernelParams k = StepsParams(luts.back().lut, 1, 0.7f);
    k.probe = 5;
    k.pattern = ProbeGeometry{9, 14, 1, 2, 35, 22};
    const GpuFrame src = StepInputFrame(rng, 1, k.srcPitch, 24);
    GpuFrame steps(1, k.dstPitch, 25);
    GpuFrame cube(1, k.dstPitch, 25);
    const float unusedCube[24] = {};
    RunStepsTwin(src, steps, luts.back().lut, k);
    RunTwin(src, cube, unusedCube, k);
    EXPECT_EQ(steps.bytes, cube.bytes);
    EXPECT_NE(steps.bytes, GpuFrame(1, k.dstPitch, 25).bytes);
}

}  // namespace
}  // namespace kv::gpu::test
