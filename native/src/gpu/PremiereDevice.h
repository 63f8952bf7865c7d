#pragma once
// The editing host's device information in the device layer's terms.

#include "gpu/GpuFramework.h"
#include "sdk/gpu_filter_suites.h"

namespace kv::gpu {

constexpr GpuFramework FromPremiereFramework(PrGPUDeviceFramework framework) {
    switch (framework) {
        case PrGPUDeviceFramework_CUDA: return GpuFramework::Cuda;
        case PrGPUDeviceFramework_OpenCL: return GpuFramework::OpenCl;
        case PrGPUDeviceFramework_Metal: return GpuFramework::Metal;
        case PrGPUDeviceFramework_DirectX: return GpuFramework::DirectX;
        default: return GpuFramework::Unknown;
    }
}

inline DeviceHandles PremiereDeviceHandles(const PrGPUDeviceInfo& info) {
    return DeviceHandles{FromPremiereFramework(info.outDeviceFramework), info.outDeviceHandle,
                         info.outContextHandle, info.outCommandQueueHandle};
}

}  // namespace kv::gpu
