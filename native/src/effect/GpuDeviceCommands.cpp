#include "effect/GpuDeviceCommands.h"

#include <new>

#include "host_link/HostSuites.h"
#include "panel_link/Log.h"

namespace kv {

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
    auto* device = new (std::nothrow) AcceptedGpuDevice;
    if (device == nullptr) {
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
        delete device;
        return PF_Err_NONE;
    }
    LogPrintf("GPU: device %u (%s) accepted", index, gpu::FrameworkName(framework));
    extra->output->gpu_data = device;
    out_data->out_flags2 |= PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
    return PF_Err_NONE;
}

PF_Err GpuDeviceSetdown(PF_InData*, PF_OutData*, PF_GPUDeviceSetdownExtra* extra) {
    if (extra == nullptr || extra->input == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    auto* device = static_cast<AcceptedGpuDevice*>(extra->input->gpu_data);
    if (device == nullptr) {
        return PF_Err_NONE;  // declined at setup: nothing was kept
    }
    gpu::ReleaseDevice(device->state, device->setupHandles);
    delete device;
    extra->input->gpu_data = nullptr;
    return PF_Err_NONE;
}

AcceptedGpuDevice* PlannedGpuDevice(const void* gpuData, PF_GPU_Framework whatGpu) {
    auto* device = static_cast<AcceptedGpuDevice*>(const_cast<void*>(gpuData));
    const gpu::GpuFramework framework = FromCompositingFramework(whatGpu);
    if (device == nullptr || framework == gpu::GpuFramework::Unknown ||
        framework != device->setupHandles.framework) {
        return nullptr;
    }
    return device;
}

}  // namespace kv
