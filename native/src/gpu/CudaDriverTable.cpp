#include "gpu/CudaDriverTable.h"

#include "gpu/LazyDriverTable.h"

namespace kv::gpu {

namespace {

#ifdef _WIN32
constexpr const wchar_t* kCudaLibrary = L"nvcuda.dll";
#else
constexpr const wchar_t* kCudaLibrary = L"libcuda.so.1";
#endif

bool ResolveCudaDriver(void* library, CudaDriverTable& table) {
    bool found = true;
    KV_CUDA_DRIVER_FUNCTIONS(KV_RESOLVE_DRIVER_ENTRY)
    return found;
}

LazyDriverTable<CudaDriverTable>& Lazy() {
    static LazyDriverTable<CudaDriverTable> table(kCudaLibrary, ResolveCudaDriver);
    return table;
}

}  // namespace

const CudaDriverTable& GetCudaDriverTable() noexcept { return Lazy().Get(); }

void ResetCudaDriverTableForTesting(const wchar_t* libraryName) { Lazy().Reset(libraryName); }

void SetCudaDriverTableForTesting(const CudaDriverTable& table) { Lazy().Install(table); }

}  // namespace kv::gpu
