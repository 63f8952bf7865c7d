#include "gpu/CudaBackend.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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
    bool Prepare(const DeviceHandles& device) override;
    bool Upload(const DeviceHandles& device, const Lut3D& lut) override;
    bool Launch(const DeviceHandles& device, void* src, void* dst, const KernelParams& params,
                bool waitForStream) override;
    void Release(const DeviceHandles& device) override;

private:
    // Held until Release (the compositing host's device setdown); the
    // editing host's devices keep them until the driver reclaims them with
    // the host's context.
    CuModule module_ = nullptr;
    CuFunction function_ = nullptr;        // KromvaleLut
    CuFunction shapedFunction_ = nullptr;  // KromvaleLutShaped
    // The cube and the 1D table of the uploaded LUT; 0 where it has none.
    CuDevicePtr lut_ = 0;
    CuDevicePtr shaper_ = 0;
};

// Frees `buffer` if it holds one. Inside the context scope.
void FreeBuffer(const CudaDriverTable& cu, CuDevicePtr& buffer) {
    if (buffer != 0) {
        cu.cuMemFree_v2(buffer);
        buffer = 0;
    }
}

// Allocates `buffer` (empty on entry) for `values` and copies them in; no
// allocation for no values, since the driver refuses a 0-byte one. A buffer
// whose copy failed stays in the field; the next upload frees it. Inside the
// context scope.
CuResult CopyToDevice(const CudaDriverTable& cu, const std::vector<float>& values, CuDevicePtr& buffer) {
    if (values.empty()) {
        return 0;
    }
    const std::size_t bytes = values.size() * sizeof(float);
    const CuResult rc = cu.cuMemAlloc_v2(&buffer, bytes);
    if (rc != 0) {
        // Whatever the driver left in the field is not ours to free later.
        buffer = 0;
        return rc;
    }
    return cu.cuMemcpyHtoD_v2(buffer, values.data(), bytes);
}

bool CudaBackend::Prepare(const DeviceHandles& device) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    if (!cu.usable) {
        LogPrintf("GPU: nvcuda.dll not usable");
        return false;
    }
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, device.context);
        rc = cu.cuModuleLoadData(&module_, kKromvaleLutPtx);
        if (rc != 0) {
            module_ = nullptr;  // not a module of ours
        }
        if (rc == 0) {
            rc = cu.cuModuleGetFunction(&function_, module_, kKromvaleLutEntry);
        }
        if (rc == 0) {
            rc = cu.cuModuleGetFunction(&shapedFunction_, module_, kKromvaleLutShapedEntry);
        }
        if (rc != 0 && module_ != nullptr) {
            cu.cuModuleUnload(module_);
            module_ = nullptr;
        }
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA module load failed (%d)", rc);
        return false;
    }
    return true;
}

bool CudaBackend::Upload(const DeviceHandles& device, const Lut3D& lut) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, device.context);
        // Launches already on the host's stream may still read the old buffers.
        cu.cuStreamSynchronize(device.queue);
        FreeBuffer(cu, lut_);
        FreeBuffer(cu, shaper_);
        rc = CopyToDevice(cu, lut.data, lut_);
        if (rc == 0) {
            rc = CopyToDevice(cu, lut.shaper, shaper_);
        }
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA LUT upload failed (%d)", rc);
        return false;
    }
    return true;
}

bool CudaBackend::Launch(const DeviceHandles& device, void* src, void* dst, const KernelParams& params,
                         bool waitForStream) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    const CuDevicePtr srcPtr = DevicePtr(src);
    const CuDevicePtr dstPtr = DevicePtr(dst);
    // The driver copies the argument values during the call, reading as
    // many as the entry declares.
    auto plainArgs = KernelArgPointers(&srcPtr, &dstPtr, &lut_, params);
    auto shapedArgs = ShapedKernelArgPointers(&srcPtr, &dstPtr, &lut_, &shaper_, params);
    const bool shaped = UsesShapedEntry(params);
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, device.context);
        rc = cu.cuLaunchKernel(shaped ? shapedFunction_ : function_, TilesFor(params.width),
                               TilesFor(params.height), 1, kLaunchTile, kLaunchTile, 1, 0,
                               device.queue, shaped ? shapedArgs.data() : plainArgs.data(),
                               nullptr);
        if (rc == 0 && waitForStream) {
            rc = cu.cuStreamSynchronize(device.queue);
        }
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA launch failed (%d)", rc);
        return false;
    }
    return true;
}

void CudaBackend::Release(const DeviceHandles& device) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    if (!cu.usable) {
        return;  // nothing was made
    }
    CudaContextScope scope(cu, device.context);
    // Launches still on the host's stream may read the buffers.
    if (lut_ != 0 || shaper_ != 0) {
        cu.cuStreamSynchronize(device.queue);
    }
    FreeBuffer(cu, lut_);
    FreeBuffer(cu, shaper_);
    if (module_ != nullptr) {
        cu.cuModuleUnload(module_);
    }
    module_ = nullptr;
    function_ = nullptr;
    shapedFunction_ = nullptr;
}

}  // namespace

std::unique_ptr<GpuBackend> MakeCudaBackend() { return std::make_unique<CudaBackend>(); }

}  // namespace kv::gpu
