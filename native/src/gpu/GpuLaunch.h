#pragma once
// What one render runs: from the frames the host hands over, the instance's
// LUT and the Amount, the LUT to bind and the kernel's scalar arguments.

#include <cstdint>
#include <memory>

#include "gpu/KernelParams.h"
#include "lut_engine/Lut3D.h"

namespace kv::gpu {

// The frames of one render as the host describes them; geometry and format
// are the output frame's.
struct GpuFrames {
    void* src = nullptr;  // device memory of input frame 0
    void* dst = nullptr;  // device memory of the output frame
    bool is32f = false;   // 32-bit float components, else 16-bit
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t srcRowBytes = 0;
    std::int32_t dstRowBytes = 0;

    bool InPlace() const { return src == dst; }
};

struct GpuLaunch {
    // The LUT whose data the kernel reads; empty when there is nothing to
    // run (nothing to apply, and the output already is the input).
    std::shared_ptr<const Lut3D> lut;
    KernelParams params;
};

// A pattern LUT draws the pattern whatever the amount; a LUT the kernels can
// apply (a complete cube, 1D stage or both, or a process list), with an
// amount above 0, is applied; anything else copies the input through the identity LUT at amount
// 0, or runs nothing in place. The params say which entry runs
// (UsesShapedEntry, UsesStepsEntry).
GpuLaunch PlanLaunch(const std::shared_ptr<const Lut3D>& instanceLut, float amount,
                     const GpuFrames& frames);

}  // namespace kv::gpu
