#include "gpu/GpuLaunch.h"

#include <cstddef>

#include "gpu/LutUpload.h"
#include "lut_engine/ProbePattern.h"

namespace kv::gpu {

GpuLaunch PlanLaunch(const std::shared_ptr<const Lut3D>& instanceLut, float amount,
                     const GpuFrames& frames) {
    GpuLaunch launch;
    KernelParams& p = launch.params;
    const Lut3D* own = instanceLut.get();
    if (own != nullptr && own->probe > 0) {
        // The identity LUT is bound but never read.
        launch.lut = IdentityLut();
        p.probe = own->probe;
        p.pattern = ProbeGeometryFor(*own, frames.width, frames.height);
    } else if (own != nullptr && amount > 0.0f && own->HasCompleteTables()) {
        // Only complete tables are safe for the kernel to index.
        launch.lut = instanceLut;
        p.amount = amount;
    } else if (frames.InPlace()) {
        return launch;
    } else {
        launch.lut = IdentityLut();
    }

    const std::int32_t bytesPerPixel = frames.is32f ? 16 : 8;
    p.srcPitch = frames.srcRowBytes / bytesPerPixel;
    p.dstPitch = frames.dstRowBytes / bytesPerPixel;
    p.is16f = frames.is32f ? 0 : 1;
    p.width = frames.width;
    p.height = frames.height;
    SetLutArgs(p, *launch.lut);
    return launch;
}

}  // namespace kv::gpu
