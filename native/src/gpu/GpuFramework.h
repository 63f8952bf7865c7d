#pragma once
// The editing host's GPU framework numbers and their display names.

#include <cstdint>

enum class GpuFramework : std::int32_t { Cuda = 0, OpenCl = 1, Metal = 2, DirectX = 3 };

// "CUDA", "OpenCL", "Metal", "DirectX", or "?" for any other number.
inline const char* FrameworkName(std::int32_t framework) {
    switch (framework) {
        case 0: return "CUDA";
        case 1: return "OpenCL";
        case 2: return "Metal";
        case 3: return "DirectX";
        default: return "?";
    }
}
