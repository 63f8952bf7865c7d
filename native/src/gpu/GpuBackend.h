#pragma once
// What a GPU framework contributes to the device layer: kernel preparation,
// LUT upload, launch and release, run on the host's own context, device and
// stream or queue, whichever host lent the device. A backend object belongs to one device and keeps that device's
// kernel and LUT buffer; it is chosen once, when the device is first
// prepared (MakeGpuBackend), and every call is made with the device's mutex
// held.

#include <cstdint>
#include <memory>

#include "gpu/GpuFramework.h"
#include "gpu/KernelParams.h"
#include "lut_engine/Lut3D.h"

namespace kv::gpu {

class GpuBackend {
public:
    virtual ~GpuBackend() = default;

    // Makes both kernel entries for the host's device. Logs and returns
    // false on failure.
    virtual bool Prepare(const DeviceHandles& device) = 0;

    // Replaces the device's LUT buffers with `lut`'s cube and 1D table, once
    // work already on the host's stream or queue (which may still read the
    // old buffers) has finished. A table the LUT does not have leaves its
    // buffer empty (null). Logs and returns false on failure.
    virtual bool Upload(const DeviceHandles& device, const Lut3D& lut) = 0;

    // Enqueues the kernel with the device's LUT buffers on the host's stream
    // or queue, in 16 x 16 tiles over params.width x params.height:
    // KromvaleLutShaped where UsesShapedEntry(params), else KromvaleLut.
    // `src` and `dst` are the frames' device memory as the GPU Device Suite
    // hands it out. Does not wait for the kernel. Logs and returns false on
    // failure. With `waitForStream` (CUDA only) the host's stream is
    // synchronised before the context is popped, so the frame is complete
    // when this returns; OpenCL work stays queued on the host's queue, which
    // orders it before anything the host enqueues later.
    virtual bool Launch(const DeviceHandles& device, void* src, void* dst, const KernelParams& params,
                        bool waitForStream = false) = 0;

    // Gives back everything Prepare and Upload made (kernels, program or
    // module, LUT buffers); the backend is empty afterwards. The host's
    // handles must still be valid.
    virtual void Release(const DeviceHandles& device) = 0;
};

// A new backend for the framework, or nullptr when the layer has none for it.
std::unique_ptr<GpuBackend> MakeGpuBackend(GpuFramework framework);

// Threads per block or work-group along each axis.
constexpr std::uint32_t kLaunchTile = 16;

// Tiles needed to cover `extent` pixels. A negative extent counts as empty,
// so it reaches the driver as a zero-sized launch, which the driver rejects.
constexpr std::uint32_t TilesFor(std::int32_t extent) {
    return extent > 0
               ? static_cast<std::uint32_t>((static_cast<std::int64_t>(extent) + kLaunchTile - 1) / kLaunchTile)
               : 0u;
}

}  // namespace kv::gpu
