#pragma once
// The device layer's three steps as both hosts take them, each under the
// device's mutex: preparing the kernel, one render (the LUT uploaded only
// when the device holds another, then the launch) and giving everything
// back.

#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFramework.h"
#include "gpu/GpuLaunch.h"

namespace kv::gpu {

// PrepareKernel under the device's mutex.
bool PrepareDevice(GpuDeviceState& state, const DeviceHandles& device);

// Runs `launch` (which binds a LUT) from `src` to `dst`. False, after the
// backend's log line, when the device is not ready, the upload or the launch
// failed. `waitForStream` as for GpuBackend::Launch.
bool RenderOnDevice(GpuDeviceState& state, const DeviceHandles& device, const GpuLaunch& launch, void* src,
                    void* dst, bool waitForStream);

// Releases the backend's kernels and buffers and forgets the uploaded LUT;
// the state is as new afterwards.
void ReleaseDevice(GpuDeviceState& state, const DeviceHandles& device);

}  // namespace kv::gpu
