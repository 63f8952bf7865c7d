#pragma once
// The GPU frameworks of the device layer, in its own numbering. The two
// hosts number them differently (CUDA is 0 in the editing host, 3 in the
// compositing host), so each host edge translates into these.

#include <cstdint>

namespace kv::gpu {

enum class GpuFramework : std::int32_t {
    Unknown,
    Cuda,
    OpenCl,
    Metal,
    DirectX,
};

// "CUDA", "OpenCL", "Metal", "DirectX", or "?". Names and backends share one
// table (GpuBackend.cpp).
const char* FrameworkName(GpuFramework framework);

// A host device as the device layer uses it: its framework and the host's
// own handles, borrowed for the call (the host owns them).
struct DeviceHandles {
    GpuFramework framework = GpuFramework::Unknown;
    void* device = nullptr;   // CUdevice or cl_device_id
    void* context = nullptr;  // CUcontext or cl_context
    void* queue = nullptr;    // CUstream or cl_command_queue
};

}  // namespace kv::gpu
