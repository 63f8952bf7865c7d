#include "gpu/GpuBackend.h"

#include "gpu/CudaBackend.h"
#include "gpu/GpuFramework.h"
#include "gpu/OpenClBackend.h"

namespace kv::gpu {

namespace {

// Every framework a host can report, its name, and the filter's backend
// for it (none: the device renders on the processor).
struct FrameworkRow {
    GpuFramework framework;
    const char* name;
    std::unique_ptr<GpuBackend> (*makeBackend)();
};

constexpr FrameworkRow kFrameworks[] = {
    {GpuFramework::Cuda, "CUDA", MakeCudaBackend},
    {GpuFramework::OpenCl, "OpenCL", MakeOpenClBackend},
    {GpuFramework::Metal, "Metal", nullptr},
    {GpuFramework::DirectX, "DirectX", nullptr},
};

const FrameworkRow* RowFor(GpuFramework framework) {
    for (const FrameworkRow& row : kFrameworks) {
        if (row.framework == framework) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

const char* FrameworkName(GpuFramework framework) {
    const FrameworkRow* row = RowFor(framework);
    return row != nullptr ? row->name : "?";
}

std::unique_ptr<GpuBackend> MakeGpuBackend(GpuFramework framework) {
    const FrameworkRow* row = RowFor(framework);
    return row != nullptr && row->makeBackend != nullptr ? row->makeBackend() : nullptr;
}

}  // namespace kv::gpu
