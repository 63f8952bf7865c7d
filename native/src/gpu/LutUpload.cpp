#include "gpu/LutUpload.h"

namespace kv::gpu {

const std::shared_ptr<const Lut3D>& IdentityLut() {
    // A function-local static: built once, thread-safely, freed at unload.
    static const std::shared_ptr<const Lut3D> identity = [] {
        auto lut = std::make_shared<Lut3D>();
        lut->size = 2;
        // Node (r, g, b) holds (r, g, b): red fastest, then green, then blue.
        lut->data = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1};
        return std::shared_ptr<const Lut3D>(std::move(lut));
    }();
    return identity;
}

bool UploadLut(GpuDeviceState& state, const DeviceHandles& device,
               const std::shared_ptr<const Lut3D>& lut) {
    if (state.uploadedLut == lut) {
        return true;
    }
    const bool uploaded = state.backend->Upload(device, *lut);
    state.uploadedLut = uploaded ? lut : nullptr;
    return uploaded;
}

}  // namespace kv::gpu
