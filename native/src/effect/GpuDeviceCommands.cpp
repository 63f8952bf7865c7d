#include "effect/GpuDeviceCommands.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <utility>

#include "host_link/HostSuites.h"
#include "panel_link/Log.h"

namespace kv {

namespace {

// The accepted devices by the token handed to the host as gpu_data. Tokens
// come from a counter and are never reused, so a gpu_data kept past its
// setdown finds nothing, never a device set up later at the same address.
struct AcceptedDevices {
    std::mutex mutex;
    std::uintptr_t lastToken = 0;
    std::map<std::uintptr_t, std::shared_ptr<AcceptedGpuDevice>> byToken;
};

AcceptedDevices& Accepted() {
    static AcceptedDevices devices;
    return devices;
}

// The device's new token, or null without memory for it.
void* Register(std::shared_ptr<AcceptedGpuDevice> device) {
    AcceptedDevices& devices = Accepted();
    std::lock_guard<std::mutex> lock(devices.mutex);
    try {
        const std::uintptr_t token = ++devices.lastToken;
        devices.byToken.emplace(token, std::move(device));
        return reinterpret_cast<void*>(token);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::shared_ptr<AcceptedGpuDevice> Find(const void* gpuData) {
    AcceptedDevices& devices = Accepted();
    std::lock_guard<std::mutex> lock(devices.mutex);
    const auto found = devices.byToken.find(reinterpret_cast<std::uintptr_t>(gpuData));
    return found != devices.byToken.end() ? found->second : nullptr;
}

// Takes the device out; only one caller gets it.
std::shared_ptr<AcceptedGpuDevice> Unregister(const void* gpuData) {
    AcceptedDevices& devices = Accepted();
    std::lock_guard<std::mutex> lock(devices.mutex);
    const auto found = devices.byToken.find(reinterpret_cast<std::uintptr_t>(gpuData));
    if (found == devices.byToken.end()) {
        return nullptr;
    }
    std::shared_ptr<AcceptedGpuDevice> device = std::move(found->second);
    devices.byToken.erase(found);
    return device;
}

}  // namespace

gpu::DeviceHandles HandlesOf(const PF_GPUDeviceInfo& info, gpu::GpuFramework framework) {
    return gpu::DeviceHandles{framework, info.devicePV, info.contextPV, info.command_queuePV};
}

gpu::GpuFramework FromCompositingFramework(PF_GPU_Framework framework) {
    switch (framework) {
        case PF_GPU_Framework_CUDA: return gpu::GpuFramework::Cuda;
        case PF_GPU_Framework_OPENCL: return gpu::GpuFramework::OpenCl;
        default: return gpu::GpuFramework::Unknown;
    }
}

PF_Err GpuDeviceSetup(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra) {
    if (in_data == nullptr || out_data == nullptr || extra == nullptr || extra->input == nullptr ||
        extra->output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Declined until every step below has succeeded.
    out_data->out_flags2 &= ~PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
    extra->output->gpu_data = nullptr;
    const A_u_long index = extra->input->device_index;
    const gpu::GpuFramework framework = FromCompositingFramework(extra->input->what_gpu);
    if (framework == gpu::GpuFramework::Unknown) {
        LogPrintf("GPU: device %u declined: framework %d not supported; CPU render", index,
                  static_cast<int>(extra->input->what_gpu));
        return PF_Err_NONE;
    }
    PF_GPUDeviceInfo info{};
    const char* step = "";
    PF_Err result = PF_Err_NONE;
    if (!ReadGpuDeviceInfo(in_data, index, info, step, result)) {
        LogPrintf("GPU: device %u declined: %s failed (%d); CPU render", index, step, result);
        return PF_Err_NONE;
    }
    std::shared_ptr<AcceptedGpuDevice> device;
    try {
        device = std::make_shared<AcceptedGpuDevice>();
    } catch (const std::bad_alloc&) {
        LogPrintf("GPU: device %u declined: out of memory; CPU render", index);
        return PF_Err_NONE;
    }
    device->setupHandles = HandlesOf(info, framework);
    device->deviceIndex = index;
    // The backend has logged why, where it failed.
    if (!gpu::PrepareDevice(device->state, device->setupHandles)) {
        LogPrintf("GPU: device %u (%s) declined: kernel not prepared; CPU render", index,
                  gpu::FrameworkName(framework));
        gpu::ReleaseDevice(device->state, device->setupHandles);
        return PF_Err_NONE;
    }
    void* const token = Register(device);
    if (token == nullptr) {
        LogPrintf("GPU: device %u declined: out of memory; CPU render", index);
        gpu::ReleaseDevice(device->state, device->setupHandles);
        return PF_Err_NONE;
    }
    LogPrintf("GPU: device %u (%s) accepted", index, gpu::FrameworkName(framework));
    extra->output->gpu_data = token;
    out_data->out_flags2 |= PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
    return PF_Err_NONE;
}

PF_Err GpuDeviceSetdown(PF_InData*, PF_OutData*, PF_GPUDeviceSetdownExtra* extra) {
    if (extra == nullptr || extra->input == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const std::shared_ptr<AcceptedGpuDevice> device = Unregister(extra->input->gpu_data);
    if (device == nullptr) {
        return PF_Err_NONE;  // declined at setup, or set down already: nothing was kept
    }
    // What setup made on the host's context goes now, not when the last
    // render lets go of the device: the host gives its device up right after
    // setdown, and a release after that would call the driver on a context
    // that may be gone. The release takes the device's mutex, so it waits for
    // a launch in progress; a render that holds the device but has not
    // launched finds it not ready afterwards and declines without a driver
    // call. Only the memory outlives setdown, until its last holder lets go.
    device->setDown.store(true);
    gpu::ReleaseDevice(device->state, device->setupHandles);
    extra->input->gpu_data = nullptr;
    return PF_Err_NONE;
}

std::shared_ptr<AcceptedGpuDevice> PlannedGpuDevice(const void* gpuData, PF_GPU_Framework whatGpu) {
    const gpu::GpuFramework framework = FromCompositingFramework(whatGpu);
    if (gpuData == nullptr || framework == gpu::GpuFramework::Unknown) {
        return nullptr;
    }
    std::shared_ptr<AcceptedGpuDevice> device = Find(gpuData);
    if (device == nullptr || framework != device->setupHandles.framework) {
        return nullptr;
    }
    return device;
}

}  // namespace kv
