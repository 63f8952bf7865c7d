#pragma once
// The editing host's GPU frameworks, by the numbers its device information
// reports.

#include <cstdint>

#include "sdk/gpu_filter_suites.h"

namespace kv::gpu {

enum class GpuFramework : std::int32_t {
    Cuda = PrGPUDeviceFramework_CUDA,
    OpenCl = PrGPUDeviceFramework_OpenCL,
    Metal = PrGPUDeviceFramework_Metal,
    DirectX = PrGPUDeviceFramework_DirectX,
};

// "CUDA", "OpenCL", "Metal", "DirectX", or "?" for a number that is none of
// these. Names and backends share one table (GpuBackend.cpp).
const char* FrameworkName(std::int32_t hostFramework);

}  // namespace kv::gpu
