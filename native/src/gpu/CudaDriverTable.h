#pragma once
// The CUDA driver, bound at run time. The module never links the driver: the
// library is loaded on first need, the nine entry points below are resolved
// into one process-wide table, and the library stays loaded for good.

#include <cstddef>
#include <cstdint>

namespace kv::gpu {

// Driver handle types, kept opaque. The driver's calling convention on x64
// Windows is the one C convention, so plain function pointers match it.
using CuResult = int;
using CuContext = void*;
using CuModule = void*;
using CuFunction = void*;
using CuStream = void*;
using CuDevicePtr = std::uint64_t;

// One list drives the function types, the table fields and the export names,
// so the three cannot drift apart. Fields carry the exact export names, which
// makes call sites read like linked code: table.cuMemAlloc_v2(&ptr, bytes).
#define KV_CUDA_DRIVER_FUNCTIONS(X)                                                        \
    X(cuModuleLoadData, (CuModule * module, const void* image))                           \
    X(cuModuleGetFunction, (CuFunction * function, CuModule module, const char* name))    \
    X(cuModuleUnload, (CuModule module))                                                   \
    X(cuMemAlloc_v2, (CuDevicePtr * ptr, std::size_t bytes))                               \
    X(cuMemFree_v2, (CuDevicePtr ptr))                                                     \
    X(cuMemcpyHtoD_v2, (CuDevicePtr dst, const void* src, std::size_t bytes))              \
    X(cuLaunchKernel,                                                                      \
      (CuFunction function, unsigned gridX, unsigned gridY, unsigned gridZ, unsigned blockX, \
       unsigned blockY, unsigned blockZ, unsigned sharedBytes, CuStream stream,           \
       void** params, void** extra))                                                      \
    X(cuCtxPushCurrent_v2, (CuContext context))                                            \
    X(cuCtxPopCurrent_v2, (CuContext * previous))                                          \
    X(cuStreamSynchronize, (CuStream stream))

namespace cuda_fn {
#define KV_CUDA_FUNCTION_TYPE(name, params) using name = CuResult(*) params;
KV_CUDA_DRIVER_FUNCTIONS(KV_CUDA_FUNCTION_TYPE)
#undef KV_CUDA_FUNCTION_TYPE
}  // namespace cuda_fn

struct CudaDriverTable {
    bool usable = false;  // every entry point below was found
#define KV_CUDA_TABLE_FIELD(name, params) cuda_fn::name name = nullptr;
    KV_CUDA_DRIVER_FUNCTIONS(KV_CUDA_TABLE_FIELD)
#undef KV_CUDA_TABLE_FIELD
};

// The process-wide table, built by the first call (thread-safe). An unusable
// table means the library is missing or lacks one of the entry points.
const CudaDriverTable& GetCudaDriverTable() noexcept;

// Test seams. They are not thread-safe and must not race with renders.
// Reset forgets the table so the next GetCudaDriverTable() builds it again,
// from `libraryName` when one is given (nullptr: the driver's real name).
void ResetCudaDriverTableForTesting(const wchar_t* libraryName = nullptr);
// Installs `table` as the built table; the library is not touched.
void SetCudaDriverTableForTesting(const CudaDriverTable& table);

}  // namespace kv::gpu
