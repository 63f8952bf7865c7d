#include "gpu/DriverLibrary.h"

#include "platform/DynamicLibrary.h"

namespace kv::gpu {

void* LoadDriverLibrary(const wchar_t* name) { return platform::LoadDynamicLibrary(name); }

void* FindDriverSymbol(void* library, const char* name) {
    return platform::FindLibrarySymbol(library, name);
}

}  // namespace kv::gpu
