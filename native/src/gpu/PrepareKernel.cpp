#include "gpu/PrepareKernel.h"

#include "gpu/CudaBackend.h"
#include "gpu/GpuFramework.h"
#include "gpu/OpenClBackend.h"
#include "panel_link/Log.h"

bool PrepareKernel(GpuDeviceState& state, const PrGPUDeviceInfo& device) {
    if (state.ready) {
        return true;
    }
    if (state.tried) {
        return false;
    }
    state.tried = true;
    state.framework = device.outDeviceFramework;

    bool prepared = false;
    switch (static_cast<GpuFramework>(device.outDeviceFramework)) {
        case GpuFramework::Cuda:
            prepared = PrepareCudaKernel(state, device.outContextHandle);
            break;
        case GpuFramework::OpenCl:
            prepared = PrepareOpenClKernel(state, device.outContextHandle, device.outDeviceHandle);
            break;
        default:
            LogPrintf("GPU: framework %s not supported; CPU render",
                      FrameworkName(device.outDeviceFramework));
            break;
    }
    if (prepared) {
        state.ready = true;
        state.tried = false;
    }
    return prepared;
}
