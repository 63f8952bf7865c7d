#include "gpu/OpenClTable.h"

#include <memory>
#include <mutex>
#include <string>

#include "gpu/DriverLibrary.h"

namespace {

#ifdef _WIN32
constexpr const wchar_t* kOpenClLibrary = L"OpenCL.dll";
#else
constexpr const wchar_t* kOpenClLibrary = L"libOpenCL.so.1";
#endif

struct OpenClTableHolder {
    std::once_flag once;
    OpenClTable table;
    std::wstring libraryName = kOpenClLibrary;
};

std::unique_ptr<OpenClTableHolder>& Holder() {
    static std::unique_ptr<OpenClTableHolder> holder = std::make_unique<OpenClTableHolder>();
    return holder;
}

void BuildOpenClTable(OpenClTableHolder& holder) {
    void* library = LoadDriverLibrary(holder.libraryName.c_str());
    if (library == nullptr) {
        return;
    }
    OpenClTable& t = holder.table;
    bool all = true;
#define KV_RESOLVE_OPENCL(name, result, params)                                         \
    t.name = reinterpret_cast<opencl_fn::name>(FindDriverSymbol(library, #name));       \
    all = all && t.name != nullptr;
    KV_OPENCL_FUNCTIONS(KV_RESOLVE_OPENCL)
#undef KV_RESOLVE_OPENCL
    t.usable = all;
}

}  // namespace

const OpenClTable& GetOpenClTable() noexcept {
    OpenClTableHolder& holder = *Holder();
    std::call_once(holder.once, BuildOpenClTable, std::ref(holder));
    return holder.table;
}

void ResetOpenClTableForTesting(const wchar_t* libraryName) {
    auto fresh = std::make_unique<OpenClTableHolder>();
    if (libraryName != nullptr) {
        fresh->libraryName = libraryName;
    }
    Holder() = std::move(fresh);
}

void SetOpenClTableForTesting(const OpenClTable& table) {
    auto fresh = std::make_unique<OpenClTableHolder>();
    fresh->table = table;
    std::call_once(fresh->once, [] {});
    Holder() = std::move(fresh);
}
