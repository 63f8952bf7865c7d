#pragma once
// Per-device state of the GPU filter, shared by every instance on one host
// GPU device for the life of the process.

#include <cstdint>
#include <memory>
#include <mutex>

#include "gpu/GpuBackend.h"
#include "lut_engine/Lut3D.h"

namespace kv::gpu {

struct GpuDeviceState {
    // Serialises kernel preparation, LUT upload and launch on this device: the
    // LUT buffers and (for OpenCL) the kernels' arguments belong to one render
    // at a time. Never held together with another device's mutex.
    std::mutex mutex;

    bool ready = false;  // the kernel exists
    bool tried = false;  // a preparation was attempted and failed

    // Chosen from the device's framework at the first preparation; owns the
    // device's kernels and LUT buffers. Null before that, and for a framework
    // the filter has no backend for.
    std::unique_ptr<GpuBackend> backend;

    // The LUT object whose data the device buffers hold. Identity is the key:
    // holding the reference keeps the object, and so its address, from being
    // reused by another LUT while it is cached.
    std::shared_ptr<const Lut3D> uploadedLut;
};

// The state of device `deviceIndex`, created (all clear) on first use. The
// registry lock is released before this returns, so callers may lock the
// device's mutex without holding it. States live until the module unloads.
GpuDeviceState& GetGpuDeviceState(std::uint32_t deviceIndex);

// Test seam: forgets every device state. Only with no render in flight.
void ResetGpuDeviceStatesForTesting();

}  // namespace kv::gpu
