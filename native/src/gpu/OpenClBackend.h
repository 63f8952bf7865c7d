#pragma once
// The OpenCL backend: the embedded source built for the host's device, the
// LUT in a read-only buffer, launches on the host's queue. Calls are made
// with the device's mutex held, so one render's kernel arguments cannot mix
// with another's.

#include <memory>

#include "gpu/GpuBackend.h"

namespace kv::gpu {

std::unique_ptr<GpuBackend> MakeOpenClBackend();

}  // namespace kv::gpu
