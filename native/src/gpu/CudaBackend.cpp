#include "gpu/CudaBackend.h"

#include <cstddef>

#include "gpu/CudaContextScope.h"
#include "gpu/KernelSources.h"
#include "panel_link/Log.h"

namespace {

// Blocks across: (n + 15) / 16, with a negative extent treated as empty so
// that it reaches the driver as a zero-sized launch, which it rejects.
unsigned BlocksFor(std::int32_t extent) {
    return extent > 0 ? static_cast<unsigned>((static_cast<std::int64_t>(extent) + 15) / 16) : 0u;
}

}  // namespace

bool PrepareCudaKernel(GpuDeviceState& state, CuContext context) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    if (!cu.usable) {
        LogPrintf("GPU: nvcuda.dll not usable");
        return false;
    }
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, context);
        rc = cu.cuModuleLoadData(&state.cudaModule, kKromvaleLutPtx);
        if (rc == 0) {
            rc = cu.cuModuleGetFunction(&state.cudaFunction, state.cudaModule, "KromvaleLut");
        }
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA module load failed (%d)", rc);
        return false;
    }
    return true;
}

bool UploadCudaLut(GpuDeviceState& state, CuContext context, CuStream stream, const kv::Lut3D& lut) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    const std::size_t bytes = lut.data.size() * sizeof(float);
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, context);
        // Launches already on the host's stream may still read the old buffer.
        cu.cuStreamSynchronize(stream);
        if (state.cudaLut != 0) {
            cu.cuMemFree_v2(state.cudaLut);
            state.cudaLut = 0;
        }
        rc = cu.cuMemAlloc_v2(&state.cudaLut, bytes);
        if (rc != 0) {
            // Whatever the driver left in the field is not ours to free later.
            state.cudaLut = 0;
        } else {
            // A buffer whose copy failed stays in the field; the next upload
            // frees it.
            rc = cu.cuMemcpyHtoD_v2(state.cudaLut, lut.data.data(), bytes);
        }
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA LUT upload failed (%d)", rc);
        return false;
    }
    return true;
}

bool LaunchCudaKernel(GpuDeviceState& state, CuContext context, CuStream stream, CuDevicePtr src,
                      CuDevicePtr dst, const KernelParams& params) {
    const CudaDriverTable& cu = GetCudaDriverTable();
    const CuDevicePtr lut = state.cudaLut;
    const KernelArgList args = MakeKernelArgList(&src, &dst, &lut, params);
    void* argPointers[kKernelArgCount];
    for (int i = 0; i < kKernelArgCount; ++i) {
        // The driver copies the values during the call and never writes them.
        argPointers[i] = const_cast<void*>(args.values[i]);
    }
    CuResult rc = 0;
    {
        CudaContextScope scope(cu, context);
        rc = cu.cuLaunchKernel(state.cudaFunction, BlocksFor(params.width), BlocksFor(params.height), 1,
                               16, 16, 1, 0, stream, argPointers, nullptr);
    }
    if (rc != 0) {
        LogPrintf("GPU: CUDA launch failed (%d)", rc);
        return false;
    }
    return true;
}
