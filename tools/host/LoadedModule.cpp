#include "host/LoadedModule.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace kvtool {

LoadedModule::~LoadedModule() { Unload(); }

#ifdef _WIN32

bool LoadedModule::Load(const std::string& path, std::string& error) {
    Unload();
    const int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (units <= 0) {
        error = "module path is not UTF-8";
        return false;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), units);
    HMODULE module = LoadLibraryW(wide.c_str());
    if (!module) {
        error = "LoadLibraryW failed with error " + std::to_string(GetLastError());
        return false;
    }
    handle_ = reinterpret_cast<void*>(module);
    return true;
}

void* LoadedModule::Symbol(const char* name) const {
    if (!handle_) return nullptr;
    // GetProcAddress returns a function pointer; pass it on as a plain address.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void LoadedModule::Unload() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

#else

bool LoadedModule::Load(const std::string& path, std::string& error) {
    Unload();
    // A path without a slash would be searched for on the library path.
    const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = dlerror();
        error = reason ? reason : "dlopen failed";
        return false;
    }
    return true;
}

void* LoadedModule::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void LoadedModule::Unload() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

#endif

}  // namespace kvtool
