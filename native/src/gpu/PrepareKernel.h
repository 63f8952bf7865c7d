#pragma once
// Kernel preparation, once per GPU device for the life of the process.

#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFramework.h"

namespace kv::gpu {

// True when the device's kernel exists, preparing it on the first call. A
// device whose preparation failed is never tried again and fails silently.
// The caller holds the device's mutex.
bool PrepareKernel(GpuDeviceState& state, const DeviceHandles& device);

}  // namespace kv::gpu
