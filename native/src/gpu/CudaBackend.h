#pragma once
// The CUDA backend: the embedded PTX loaded as a module into the host's
// context, the LUT in device memory, launches on the host's stream. Every
// driver call is made inside a push/pop of the host's context.

#include <memory>

#include "gpu/GpuBackend.h"

namespace kv::gpu {

std::unique_ptr<GpuBackend> MakeCudaBackend();

}  // namespace kv::gpu
