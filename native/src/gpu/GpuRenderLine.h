#pragma once
// The "GPU Render" settings line, logged only when it changes.

#include <cstdint>

#include "lut_engine/Lut3D.h"

struct GpuRenderLineInfo {
    std::int32_t framework = 0;   // of the instance's device
    bool is32f = false;           // output format: 32-bit float, else 16-bit
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool inPlace = false;
    float amount = 0.0f;          // after the percent scaling
    std::int32_t srcRowBytes = 0;
    std::int32_t dstRowBytes = 0;
    const kv::Lut3D* lut = nullptr;  // the instance's LUT, not what the render chose
};

// Formats the line and logs it unless it equals the last line logged.
void LogRenderLine(const GpuRenderLineInfo& info);

// Test seam: forgets the last line.
void ResetGpuRenderLineForTesting();
