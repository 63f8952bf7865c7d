#include "gpu/CudaDriverTable.h"

#include <memory>
#include <mutex>
#include <string>

#include "gpu/DriverLibrary.h"

namespace {

#ifdef _WIN32
constexpr const wchar_t* kCudaLibrary = L"nvcuda.dll";
#else
constexpr const wchar_t* kCudaLibrary = L"libcuda.so.1";
#endif

// The once-flag lives beside the table so that a test reset can start over
// with a fresh flag; outside tests the holder is created once and kept.
struct CudaTableHolder {
    std::once_flag once;
    CudaDriverTable table;
    std::wstring libraryName = kCudaLibrary;
};

std::unique_ptr<CudaTableHolder>& Holder() {
    static std::unique_ptr<CudaTableHolder> holder = std::make_unique<CudaTableHolder>();
    return holder;
}

void BuildCudaTable(CudaTableHolder& holder) {
    void* library = LoadDriverLibrary(holder.libraryName.c_str());
    if (library == nullptr) {
        return;
    }
    CudaDriverTable& t = holder.table;
    bool all = true;
#define KV_RESOLVE_CUDA(name, params)                                                   \
    t.name = reinterpret_cast<cuda_fn::name>(FindDriverSymbol(library, #name));         \
    all = all && t.name != nullptr;
    KV_CUDA_DRIVER_FUNCTIONS(KV_RESOLVE_CUDA)
#undef KV_RESOLVE_CUDA
    t.usable = all;
}

}  // namespace

const CudaDriverTable& GetCudaDriverTable() noexcept {
    CudaTableHolder& holder = *Holder();
    // A failing call_once throws; from this noexcept function that ends the
    // process, which is the only sane outcome when one-time setup is broken.
    std::call_once(holder.once, BuildCudaTable, std::ref(holder));
    return holder.table;
}

void ResetCudaDriverTableForTesting(const wchar_t* libraryName) {
    auto fresh = std::make_unique<CudaTableHolder>();
    if (libraryName != nullptr) {
        fresh->libraryName = libraryName;
    }
    Holder() = std::move(fresh);
}

void SetCudaDriverTableForTesting(const CudaDriverTable& table) {
    auto fresh = std::make_unique<CudaTableHolder>();
    fresh->table = table;
    std::call_once(fresh->once, [] {});
    Holder() = std::move(fresh);
}
