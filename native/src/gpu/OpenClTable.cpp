#include "gpu/OpenClTable.h"

#include "gpu/LazyDriverTable.h"

namespace kv::gpu {

namespace {

#ifdef _WIN32
constexpr const wchar_t* kOpenClLibrary = L"OpenCL.dll";
#else
constexpr const wchar_t* kOpenClLibrary = L"libOpenCL.so.1";
#endif

bool ResolveOpenCl(void* library, OpenClTable& table) {
    bool found = true;
    KV_OPENCL_FUNCTIONS(KV_RESOLVE_DRIVER_ENTRY)
    return found;
}

LazyDriverTable<OpenClTable>& Lazy() {
    static LazyDriverTable<OpenClTable> table(kOpenClLibrary, ResolveOpenCl);
    return table;
}

}  // namespace

const OpenClTable& GetOpenClTable() noexcept { return Lazy().Get(); }

void ResetOpenClTableForTesting(const wchar_t* libraryName) { Lazy().Reset(libraryName); }

void SetOpenClTableForTesting(const OpenClTable& table) { Lazy().Install(table); }

}  // namespace kv::gpu
