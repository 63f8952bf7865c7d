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
    // Frees every LUT buffer. Inside the context scope.
    void FreeBuffers();

    // Held until Release (the compositing host's device setdown); the
    // editing host's devices keep them until the driver reclaims them with
    // the host's context.
    CuModule module_ = nullptr;
    CuFunction function_ = nullptr;        // KromvaleLut
    CuFunction shapedFunction_ = nullptr;  // KromvaleLutShaped
    CuFunction stepsFunction_ = nullptr;   // KromvaleLutSteps
    // The cube and the 1D table of the uploaded LUT, or a process list's
    // step records and tables; 0 where it has none.
    CuDevicePtr lut_ = 0;
    CuDevicePtr shaper_ = 0;
    CuDevicePtr steps_ = 0;
    CuDevicePtr tables_ = 0;
};

// Frees `buffer` if it holds one. Inside the context scope.
void FreeBuffer(const CudaDriverTable& cu, CuDevicePtr& buffer) {
    if (buffer != 0) {
        cu.cuMemFree_v2(buffer);
        buffer = 0;
    }
}

void CudaBackend::FreeBuffers() {
    const CudaDriverTable& cu = GetCudaDriverTable();
    FreeBuffer(cu, lut_);
    FreeBuffer(cu, shaper_);
    FreeBuffer(cu, steps_);
    FreeBuffer(cu, tables_);
}

// Allocates `buffer` (empty on entry) for `values` and copies them in; no
// allocation for no values, since the driver refuses a 0-byte one. A buffer
// whose copy failed stays in the field; the next upload frees it. Inside the
// context scope.
CuResult CopyToDevice(const CudaDriverTable& cu, const void* data, std::size_t bytes, CuDevicePtr& buffer) {
    if (bytes == 0) {
        return 0;
    }
    const CuResult rc = cu.cuMemAlloc_v2(&buffer, bytes);
    if (rc != 0) {
        // Whatever the driver left in the field is not ours to free later.
        buffer = 0;
        return rc;
    }
    return cu.cuMemcpyHtoD_v2(buffer, data, bytes);
}

template <class T>
CuResult CopyToDevice(const CudaDriverTable& cu, const std::vector<T>& values, CuDevicePtr& buffer) {
    return CopyToDevice(cu, values.data(), values.size() * sizeof(T), buffer);
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
        if (rc == 0) {
            rc = cu.cuModuleGetFunction(&stepsFunction_, module_, kKromvaleLutStepsEntry);
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
        FreeBuffers();
        rc = CopyToDevice(cu, lut.data, lut_);
        if (rc == 0) {
            rc = CopyToDevice(cu, lut.shaper, shaper_);
        }
        if (rc == 0 && lut.steps != nullptr) {
            rc = CopyToDevice(cu, lut.steps->records, steps_);
            // A list without tables still binds a buffer, which the
            // driver would refuse at 0 bytes.
            const float none = 0.0f;
            rc = rc != 0 ? rc
                 : lut.steps->tables.empty() ? CopyToDevice(cu, &none, sizeof none, tables_)
                                             : CopyToDevice(cu, lut.steps->tables, tables_);
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
    auto stepsArgs = StepsKernelArgPointers(&srcPtr, &dstPtr, &lut_, &steps_, &tables_, params);
    const bool shaped = UsesShapedEntry(params);
    const bool steps = UsesStepsEntry(params);
    CuFunction function = steps ? stepsFunction_ : shaped ? shapedFunction_ : function_;
    void** args = steps ? stepsArgs.data() : shaped ? shapedArgs.data() : plainArgs.data();
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, device.context);
        rc = cu.cuLaunchKernel(function, TilesFor(params.width), TilesFor(params.height), 1, kLaunchTile,
                               kLaunchTile, 1, 0, device.queue, args, nullptr);
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
    if (lut_ != 0 || shaper_ != 0 || steps_ != 0 || tables_ != 0) {
        cu.cuStreamSynchronize(device.queue);
    }
    FreeBuffers();
    if (module_ != nullptr) {
        cu.cuModuleUnload(module_);
    }
    module_ = nullptr;
    function_ = nullptr;
    shapedFunction_ = nullptr;
    stepsFunction_ = nullptr;
}

}  // namespace

std::unique_ptr<GpuBackend> MakeCudaBackend() { return std::make_unique<CudaBackend>(); }

}  // namespace kv::gpu
