#pragma once
// The LUT data on the device: per device one buffer for the cube and one for
// the 1D stage, both replaced together, only when a render brings a
// different LUT object.

#include <memory>

#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFramework.h"
#include "lut_engine/Lut3D.h"

namespace kv::gpu {

// The fixed 2-point identity LUT: copies go through the kernel with it and
// amount 0, and pattern launches bind it as a LUT that is never read.
const std::shared_ptr<const Lut3D>& IdentityLut();

// Makes the device's buffers hold `lut`'s cube and 1D table (each only where
// the LUT has it) and returns true, or
// logs, leaves the device with no cached LUT (so the next render retries) and
// returns false. Skips the copy when the buffer already holds this very LUT
// object. The caller holds the device's mutex, and the device is ready.
bool UploadLut(GpuDeviceState& state, const DeviceHandles& device,
               const std::shared_ptr<const Lut3D>& lut);

}  // namespace kv::gpu
