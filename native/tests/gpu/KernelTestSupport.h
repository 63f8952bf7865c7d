#pragma once
// Shared pieces of the kernel tests: frames in the GPU layout, the C++ twin
// run over a launch grid, and the processor reference.

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// A steps launch over a 37 x 23 frame in rows of 41 (source) and 39
// (destination) pixels, for `lut`'s prepared steps.
kv::gpu::KernelParams StepsParams(const Lut3D& lut, int is16f, float amount);

// The steps entry's twin over the same grid, with `lut`'s prepared steps
// (k.stepCount must be their count).
void RunStepsTwin(const GpuFrame& src, GpuFrame& dst, const Lut3D& lut, const kv::gpu::KernelParams& k);

// What kv::ApplyLutRows32f writes into dst's first k.width x k.height pixels
// for src's (halves widened, and the results rounded to halves); dst's other
// pixels stay as they are.
void ProcessorRows(const GpuFrame& src, GpuFrame& dst, const Lut3D& lut, float amount,
                   const kv::gpu::KernelParams& k);

// Process-list LUTs for the steps entry: each step of kvtest::EveryStepKind
// alone, then the two lists of several steps. A list that MakeProcessLut
// refused has no steps (HasProcessSteps() false).
struct StepListLut {
    std::string name;
    Lut3D lut;
};
std::vector<StepListLut> StepListLuts();

// A frame of values every step must take: mostly 0..1 and around it, some
// tiny, some large, and (with `specials`) some NaN, infinite and zero.
GpuFrame StepInputFrame(std::mt19937& rng, int is16f, int pitch, int rows, bool specials = true);

// What the processor path gives for one pixel: kv::SampleLut and the
// Amount blend against the input, alpha copied. B, G, R, A.
void CpuPixel(const Lut3D& lut, float amount, const float inBgra[4], float outBgra[4]);

inline std::uint32_t Bits(float f) {
    std::uint32_t u = 0;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

}  // namespace kv::gpu::test
