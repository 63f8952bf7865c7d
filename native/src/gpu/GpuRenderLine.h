#pragma once
// The "GPU Render" settings line, logged only when it changes.

#include <cstdint>

#include "gpu/GpuFramework.h"
#include "gpu/GpuLaunch.h"
#include "lut_engine/Lut3D.h"

namespace kv::gpu {

// Which host's GPU path rendered. The editing host's line is the older one
// and stays as it was; the compositing host's ends in " host=AE".
enum class RenderHost { Editing, Compositing };

// Formats the line for a render on a device of `framework`, with the amount
// after the percent scaling and the stored LUT (not what the render chose),
// and logs it unless it equals the last line logged.
void LogRenderLine(RenderHost host, GpuFramework framework, const GpuFrames& frames, float amount,
                   const Lut3D* lut);

// Test seam: forgets the last line.
void ResetGpuRenderLineForTesting();

}  // namespace kv::gpu
