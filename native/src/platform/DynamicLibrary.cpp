#include "platform/DynamicLibrary.h"

#include "platform/FaultInjection.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>

#include "platform/TextConversion.h"
#endif

namespace kv::platform {

#ifdef _WIN32

void* SystemLoadDynamicLibrary(const std::wstring& name) {
    return reinterpret_cast<void*>(LoadLibraryW(name.c_str()));
}

void* FindLibrarySymbol(void* library, const char* name) {
    if (library == nullptr) return nullptr;
    // Through void*: a direct cast between function types warns, and callers
    // cast to the real signature anyway.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

#else

void* SystemLoadDynamicLibrary(const std::wstring& name) {
    return dlopen(Utf8FromWide(name).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindLibrarySymbol(void* library, const char* name) {
    if (library == nullptr) return nullptr;
    return dlsym(library, name);
}

#endif

void* LoadDynamicLibrary(const std::wstring& name) {
    if (const LoadLibraryFn hook = LoadLibraryOverride()) return hook(name);
    return SystemLoadDynamicLibrary(name);
}

}  // namespace kv::platform
