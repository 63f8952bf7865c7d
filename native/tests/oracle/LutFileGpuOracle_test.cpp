// LUT files as "Change LUT" takes them, rendered at full amount by the GPU
// filter on the OpenCL device (the editing host's LUT parameter, the
// filter's parse, upload and launch), as float and half frames, against
// OpenColorIO applying the original file. Skips, saying why, where no OpenCL
// platform is installed.
//
// The bound, per channel, is the triangle inequality over the processor
// path: LutFileOracle.h's bound from OpenColorIO to the processor (which the
// processor's own frame oracle holds it to), plus the device's distance from
// the processor:
//  - On a device whose float operations round as IEEE ones do (PoCL's; the
//    kernel test holds it to the C++ twin bit for bit), the kernel's 1D
//    stage, cell, fractions and weights are the processor's own operations,
//    so only the cube's weighted sum differs: its four terms are added in
//    another order, within (gamma_4 + gamma_3) * S (ParityBound.h), where
//    S = sum |w_i c_i| is at most the largest node magnitude T, the weights
//    being non-negative with a sum within a few units of 1. A 1D-only LUT
//    has no sum: device and processor agree exactly.
//  - At full amount each side blends fl(fl(v - in) + in), within
//    u * (|v - in| + |out|) <= 2u * (T + |in|) of its own v: 4u * (T + |in|)
//    for the two, u = 2^-24.
//  - Half frames hand both sides the same half inputs, read exactly, and
//    round the output to the nearest half: 2^-11 of its magnitude, or 2^-25
//    below the normal halves.
//  - A process list's steps are the processor's own operations in the
//    OpenCL text, unfused (the kernel tests hold PoCL to the processor bit
//    for bit): its bound is the processor's, 1e-5 max(|reference|, 0.1)
//    (LutFileOracle.h), plus nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "GpuFrame.h"
#include "LutFileOracle.h"
#include "OcioFileProcessor.h"
#include "OpenClFilterFixture.h"
#include "ParityBound.h"

namespace kvtest {
namespace {

ScratchUserFolder gScratch;

constexpr int kWidth = 256;
constexpr int kHeight = 48;
constexpr int kInputPadding = 3;  // pixels past the width in each input row

using kv::gpu::test::GpuFrame;

// Largest |value| of the cube; the device's sum differs only there.
double LargestNode(const kv::Lut3D& lut) {
    double top = 0.0;
    for (const float v : lut.data) top = std::max(top, std::fabs(static_cast<double>(v)));
    return top * (1.0 + 8 * kv::gpu::test::kUnitRoundoff);  // the weights' sum may pass 1 by a few units
}

// A device buffer holding a copy of a frame, released with the test's scope.
struct DeviceBuffer {
    void* handle = nullptr;
    explicit DeviceBuffer(GpuFrame& frame) {
        kv::gpu::test::cl_int err = 0;
        handle = OpenClTestDevice::Get().CopyToDevice(frame.bytes, &err);
        EXPECT_EQ(err, 0);
    }
    DeviceBuffer(const DeviceBuffer&) = delete;
    DeviceBuffer& operator=(const DeviceBuffer&) = delete;
    ~DeviceBuffer() {
        if (handle != nullptr) OpenClTestDevice::Get().cl.clReleaseMemObject(handle);
    }
};

class LutFileGpuOracle : public OpenClFilterTest {};

TEST_F(LutFileGpuOracle, FloatAndHalfFramesAgreeWithinTheStorageBound) {
    // Cubes alone (unit and other domains, .cube and .3dl), a shaper before a
    // cube, 1D tables alone in both .cube forms, and a .3dl mesh that becomes
    // a shaper.
    const char* const files[] = {"cube/curve3.cube",     "cube/noise5.cube",          "cube/curve3_domain.cube",
                                 "cube/range3d.cube",    "cube/baked_iridas.cube",    "3dl/baked_flame.3dl",
                                 "3dl/baked_lustre.3dl", "cube/baked_resolve_shaper.cube",
                                 "cube/baked_resolve_1d.cube", "cube/domain_1d.cube", "3dl/uneven_mesh.3dl",
                                 "cube/log_to_linear9.cube",
                                 // process lists: CLF, ASC CDL, .spi tables
                                 "clf/log_exponent.clf", "clf/ocio_written.clf", "clf/lut1d_attributes.clf",
                                 "clf/curve3_made.clf", "cdl/grade.cc", "spi/shaper.spi1d", "spi/shuffled.spi3d"};
    constexpr double u = kv::gpu::test::kUnitRoundoff;
    for (const char* name : files) {
        OracleLut lut;
        std::string error;
        ASSERT_TRUE(lut.Load(name, error)) << name << ": " << error;
        const auto processor = OcioFileProcessor(
            lut.path, lut.held.process != nullptr ? OCIO_NAMESPACE::INTERP_DEFAULT : OCIO_NAMESPACE::INTERP_TETRAHEDRAL);
        const double top = lut.held.size > 0 ? LargestNode(lut.held) : 0.0;
        for (const bool half : {false, true}) {
            SCOPED_TRACE(std::string(name) + (half ? " half" : " float"));
            // Inputs a quarter of the first table's range past either end,
            // where both sides clamp.
            GpuFrame input(half ? 1 : 0, kWidth + kInputPadding, kHeight);
            std::mt19937 rng(32);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        const float lo = lut.file.shaperSize ? lut.file.shaperMin[c] : lut.file.domainMin[c];
                        const float hi = lut.file.shaperSize ? lut.file.shaperMax[c] : lut.file.domainMax[c];
                        const float reach = 0.25f * (hi - lo);
                        input.Set(x, y, 2 - c, std::uniform_real_distribution<float>(lo - reach, hi + reach)(rng));
                    }
                    input.Set(x, y, 3, std::uniform_real_distribution<float>(0.0f, 1.0f)(rng));
                }
            GpuFrame output(half ? 1 : 0, kWidth, kHeight);
            const DeviceBuffer in(input), out(output);
            const PrPixelFormat format = half ? PrPixelFormat_GPU_BGRA_4444_16f : PrPixelFormat_GPU_BGRA_4444_32f;
            host_.SetLutBytes(lut.text);
            host_.SetAmount(kPrParamType_Float64, 100.0);
            PrGPUFilterInstance instance = host_.MakeInstance(0);
            ASSERT_EQ(Create(instance), 0) << testing::PrintToString(log_.Take());
            ASSERT_EQ(Render(instance, host_.AddFrame(in.handle, format, kWidth, kHeight, input.RowBytes()),
                             host_.AddFrame(out.handle, format, kWidth, kHeight, output.RowBytes())),
                      0)
                << testing::PrintToString(log_.Take());
            ASSERT_EQ(OpenClTestDevice::Get().ReadBack(out.handle, output.bytes), 0);

            double worst = 0.0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    ASSERT_EQ(output.Get(x, y, 3), input.Get(x, y, 3)) << "alpha at " << x << "," << y;
                    float rgb[3] = {input.Get(x, y, 2), input.Get(x, y, 1), input.Get(x, y, 0)};
                    const float original[3] = {rgb[0], rgb[1], rgb[2]};
                    const kvtest::StorageBound bound = lut.BoundAt(original);
                    processor->applyRGB(rgb);
                    for (int c = 0; c < 3; ++c) {
                        const double fromProcessor =
                            top > 0.0 ? kv::gpu::test::SumBound(top) + 4 * u * (top + std::fabs(original[c])) : 0.0;
                        double allowed = bound.channel[c] + lut.EvaluationBound(rgb[c]) + fromProcessor;
                        if (half) allowed += 0x1p-11 * (std::fabs(rgb[c]) + allowed) + 0x1p-25;
                        worst = std::max(worst, std::fabs(output.Get(x, y, 2 - c) - rgb[c]) / allowed);
                    }
                }
            EXPECT_LE(worst, 1.0) << "share of the bound used";
            std::printf("%s %s frame on OpenCL: %.3f of the bound\n", name, half ? "half" : "float", worst);
        }
    }
}

}  // namespace
}  // namespace kvtest
