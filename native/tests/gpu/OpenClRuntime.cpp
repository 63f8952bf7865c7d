#include "OpenClRuntime.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
// The OpenCL runtime keeps allocations past exit, and the module never
// releases its programs and kernels (they live as long as the process): both
// show up as leaks inside the runtime, not in our code.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpocl.so\nleak:libOpenCL.so\n";
}
#endif

namespace kv::gpu::test {
namespace {

void* OpenLibrary() {
#ifdef _WIN32
    return reinterpret_cast<void*>(LoadLibraryW(L"OpenCL.dll"));
#else
    return dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL);
#endif
}

void* Symbol(void* library, const char* name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

template <class Fn>
bool Resolve(void* library, const char* name, Fn& fn, std::string& why) {
    void* address = Symbol(library, name);
    if (address == nullptr) {
        why = std::string("OpenCL library lacks ") + name;
        return false;
    }
    fn = reinterpret_cast<Fn>(address);
    return true;
}

}  // namespace

// The library stays loaded for the life of the test process.
bool OpenClRuntime::Load(std::string& why) {
    void* library = OpenLibrary();
    if (library == nullptr) {
        why = "no OpenCL library could be loaded";
        return false;
    }
#define KV_RESOLVE(name)                      \
    if (!Resolve(library, #name, name, why)) { \
        return false;                         \
    }
    KV_RESOLVE(clGetPlatformIDs)
    KV_RESOLVE(clGetDeviceIDs)
    KV_RESOLVE(clCreateContext)
    KV_RESOLVE(clCreateCommandQueue)
    KV_RESOLVE(clCreateProgramWithSource)
    KV_RESOLVE(clBuildProgram)
    KV_RESOLVE(clGetProgramBuildInfo)
    KV_RESOLVE(clCreateKernel)
    KV_RESOLVE(clSetKernelArg)
    KV_RESOLVE(clCreateBuffer)
    KV_RESOLVE(clEnqueueNDRangeKernel)
    KV_RESOLVE(clEnqueueReadBuffer)
    KV_RESOLVE(clFinish)
    KV_RESOLVE(clReleaseMemObject)
#undef KV_RESOLVE
    return true;
}

}  // namespace kv::gpu::test
