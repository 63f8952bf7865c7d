#include "gpu/CudaBackend.h"

#include <cstddef>
#include <cstdint>

#include "gpu/CudaContextScope.h"
#include "gpu/CudaDriverTable.h"
#include "gpu/KernelSources.h"
#include "panel_link/Log.h"

namespace kv::gpu {

namespace {

// The GPU Device Suite hands out CUDA device addresses as pointers.
CuDevicePtr DevicePtr(void* frameData) {
    return static_cast<CuDevicePtr>(reinterpret_cast<std::uintptr_t>(frameData));
}

class CudaBackend final : public GpuBackend {
public:
    bool Prepare(const PrGPUDeviceInfo& device) override;
    bool Upload(const PrGPUDeviceInfo& device, const Lut3D& lut) override;
    bool Launch(const PrGPUDeviceInfo& device, void* src, void* dst, const KernelParams& params) override;

private:
    // Never unloaded or freed: the driver reclaims them with the host's
    // context.
    CuModule module_ = nullptr;
    CuFunction function_ = nullptr;
    CuDevicePtr lut_ = 0;
};

bool CudaBackend::Prepare(const PrGPUDeviceInfo& device) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    if (!cu.usable) {
        LogPrintf("GPU: nvcuda.dll not usable");
        return false;
    }
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, device.outContextHandle);
        rc = cu.cuModuleLoadData(&module_, kKromvaleLutPtx);
        if (rc == 0) {
            rc = cu.cuModuleGetFunction(&function_, module_, kKromvaleLutEntry);
        }
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA module load failed (%d)", rc);
        return false;
    }
    return true;
}

bool CudaBackend::Upload(const PrGPUDeviceInfo& device, const Lut3D& lut) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    const std::size_t bytes = lut.data.size() * sizeof(float);
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, device.outContextHandle);
        // Launches already on the host's stream may still read the old buffer.
        cu.cuStreamSynchronize(device.outCommandQueueHandle);
        if (lut_ != 0) {
            cu.cuMemFree_v2(lut_);
            lut_ = 0;
        }
        rc = cu.cuMemAlloc_v2(&lut_, bytes);
        if (rc != 0) {
            // Whatever the driver left in the field is not ours to free later.
            lut_ = 0;
        } else {
            // A buffer whose copy failed stays in the field; the next upload
            // frees it.
            rc = cu.cuMemcpyHtoD_v2(lut_, lut.data.data(), bytes);
        }
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA LUT upload failed (%d)", rc);
        return false;
    }
    return true;
}

bool CudaBackend::Launch(const PrGPUDeviceInfo& device, void* src, void* dst, const KernelParams& params) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    const CuDevicePtr srcPtr = DevicePtr(src);
    const CuDevicePtr dstPtr = DevicePtr(dst);
    // The driver copies the argument values during the call.
    auto args = KernelArgPointers(&srcPtr, &dstPtr, &lut_, params);
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, device.outContextHandle);
        rc = cu.cuLaunchKernel(function_, TilesFor(params.width), TilesFor(params.height), 1, kLaunchTile,
                               kLaunchTile, 1, 0, device.outCommandQueueHandle, args.data(), nullptr);
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA launch failed (%d)", rc);
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<GpuBackend> MakeCudaBackend() { return std::make_unique<CudaBackend>(); }

}  // namespace kv::gpu
