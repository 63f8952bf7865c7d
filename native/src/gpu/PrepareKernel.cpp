#include "gpu/PrepareKernel.h"

#include "gpu/GpuFramework.h"
#include "panel_link/Log.h"

namespace kv::gpu {

bool PrepareKernel(GpuDeviceState& state, const DeviceHandles& device) {
    if (state.ready) {
        return true;
    }
    if (state.tried) {
        return false;
    }
    state.tried = true;
    state.backend = MakeGpuBackend(device.framework);
    if (state.backend == nullptr) {
        LogPrintf("GPU: framework %s not supported; CPU render", FrameworkName(device.framework));
        return false;
    }
    if (!state.backend->Prepare(device)) {
        return false;
    }
    state.ready = true;
    state.tried = false;
    return true;
}

}  // namespace kv::gpu
