#pragma once
// Shared pieces of the kernel tests: frames in the GPU layout, the C++ twin
// run over a launch grid, and the processor reference.

#include <cstdint>
#include <cstring>
#include <random>

#include "GpuFrame.h"
#include "gpu/KernelParams.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/ProbePattern.h"

namespace kv::gpu::test {


// Runs the C++ twin over a grid rounded up to 16 x 16 blocks: the shaped
// entry with the 1D table `shaper` where k says so (UsesShapedEntry), as a
// launch would.
void RunTwin(const GpuFrame& src, GpuFrame& dst, const float* lut, const kv::gpu::KernelParams& k,
             const float* shaper = nullptr);
// Same, with src and dst the same frame.
void RunTwinInPlace(GpuFrame& frame, const float* lut, const kv::gpu::KernelParams& k,
                    const float* shaper = nullptr);

// What the processor path gives for one pixel: kv::SampleLut and the
// Amount blend against the input, alpha copied. B, G, R, A.
void CpuPixel(const Lut3D& lut, float amount, const float inBgra[4], float outBgra[4]);

inline std::uint32_t Bits(float f) {
    std::uint32_t u = 0;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

}  // namespace kv::gpu::test
