#pragma once
// The compositing host's GPU devices: setup accepts or declines each device
// the host offers and hands back a token for the effect's state as gpu_data;
// setdown gives everything back. Setups of several devices may run at once:
// each works only on its own new state, and the driver tables are built
// once, thread-safely.

#include <atomic>
#include <memory>

#include "gpu/DeviceRender.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFramework.h"
#include "sdk/effect_sdk.h"

namespace kv {

// One accepted device, found through its gpu_data token. Renders and
// pre-renders hold it shared, so setdown never frees it under them.
struct AcceptedGpuDevice {
    gpu::GpuDeviceState state;     // ready: the kernel exists, until setdown
    gpu::DeviceHandles setupHandles;  // the host's handles at setup, for setdown
    A_u_long deviceIndex = 0;
    // Set by setdown before it releases the state, so that a render which
    // then finds the device not ready knows why.
    std::atomic<bool> setDown{false};
};

// The host's framework number in the device layer's terms: CUDA (3) and
// OpenCL (1); anything else is Unknown, which is declined.
gpu::GpuFramework FromCompositingFramework(PF_GPU_Framework framework);

// The host's handles of a device; the framework as the host named it.
gpu::DeviceHandles HandlesOf(const PF_GPUDeviceInfo& info, gpu::GpuFramework framework);

// GPU_DEVICE_SETUP: prepares the kernel for the device and sets
// PF_OutFlag2_SUPPORTS_GPU_RENDER_F32 with the state as gpu_data, or leaves
// both clear after one log line naming the device and the reason. Only a
// malformed call returns an error.
PF_Err GpuDeviceSetup(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra);

// GPU_DEVICE_SETDOWN: forgets gpu_data's token and releases what setup made
// on the device, once, before it returns; nothing for a declined device or a
// token already set down. A render that still holds the device declines.
PF_Err GpuDeviceSetdown(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetdownExtra* extra);

// The device a pre-render or render plans on, when this effect accepted it
// for that framework and it is not set down; null otherwise (a processor
// render included). The caller's copy keeps the device's memory alive.
std::shared_ptr<AcceptedGpuDevice> PlannedGpuDevice(const void* gpuData, PF_GPU_Framework whatGpu);

inline bool GpuRenderPossible(const PF_PreRenderInput& input) {
    return PlannedGpuDevice(input.gpu_data, input.what_gpu) != nullptr;
}

// SMART_RENDER_GPU: the frame on the planned device with the same kernel and
// the same choice of LUT, pattern or copy as every other path. Parameters
// are checked in on every path; 514 for a world that is not
// PF_PixelFormat_GPU_BGRA128; 512 after one log line for any other failure.
PF_Err SmartRenderGpu(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);

}  // namespace kv
