#pragma once
// The "GPU Render" settings line, logged only when it changes.

#include <cstdint>

#include "gpu/GpuLaunch.h"
#include "lut_engine/Lut3D.h"

namespace kv::gpu {

// Formats the line for a render on a device of the host's framework number
// `framework`, with the amount after the percent scaling and the instance's
// LUT (not what the render chose), and logs it unless it equals the last line
// logged.
void LogRenderLine(std::int32_t framework, const GpuFrames& frames, float amount, const Lut3D* lut);

// Test seam: forgets the last line.
void ResetGpuRenderLineForTesting();

}  // namespace kv::gpu
