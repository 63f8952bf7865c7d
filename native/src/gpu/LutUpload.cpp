#include "gpu/LutUpload.h"

#include "gpu/CudaBackend.h"
#include "gpu/GpuFramework.h"
#include "gpu/OpenClBackend.h"

const std::shared_ptr<const kv::Lut3D>& IdentityLut() {
    // A function-local static: built once, thread-safely, freed at unload.
    static const std::shared_ptr<const kv::Lut3D> identity = [] {
        auto lut = std::make_shared<kv::Lut3D>();
        lut->size = 2;
        // Node (r, g, b) holds (r, g, b): red fastest, then green, then blue.
        lut->data = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1};
        return std::shared_ptr<const kv::Lut3D>(std::move(lut));
    }();
    return identity;
}

bool UploadLut(GpuDeviceState& state, const PrGPUDeviceInfo& device,
               const std::shared_ptr<const kv::Lut3D>& lut) {
    if (state.uploadedLut == lut) {
        return true;
    }
    bool uploaded = false;
    if (state.framework == static_cast<std::int32_t>(GpuFramework::Cuda)) {
        uploaded = UploadCudaLut(state, device.outContextHandle, device.outCommandQueueHandle, *lut);
    } else {
        uploaded = UploadOpenClLut(state, device.outContextHandle, device.outCommandQueueHandle, *lut);
    }
    state.uploadedLut = uploaded ? lut : nullptr;
    return uploaded;
}
