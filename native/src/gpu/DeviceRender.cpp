#include "gpu/DeviceRender.h"

#include <mutex>

#include "gpu/LutUpload.h"
#include "gpu/PrepareKernel.h"

namespace kv::gpu {

bool PrepareDevice(GpuDeviceState& state, const DeviceHandles& device) {
    std::lock_guard<std::mutex> lock(state.mutex);
    return PrepareKernel(state, device);
}

bool RenderOnDevice(GpuDeviceState& state, const DeviceHandles& device, const GpuLaunch& launch, void* src,
                    void* dst, bool waitForStream) {
    // One render at a time per device: the LUT buffers and the OpenCL
    // kernels' arguments belong to the render that holds the mutex until its
    // launch is enqueued.
    std::lock_guard<std::mutex> lock(state.mutex);
    // The check keeps a confused host from launching a null kernel.
    if (!state.ready || launch.lut == nullptr || !UploadLut(state, device, launch.lut)) {
        return false;
    }
    return state.backend->Launch(device, src, dst, launch.params, waitForStream);
}

void ReleaseDevice(GpuDeviceState& state, const DeviceHandles& device) {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.backend != nullptr) {
        state.backend->Release(device);
    }
    state.backend.reset();
    state.uploadedLut.reset();
    state.ready = false;
    state.tried = false;
}

}  // namespace kv::gpu
