// The module's GPU filter export. This file is compiled into the module
// itself (not a static library), so the linker always keeps the symbol.

#include "gpu/GpuFilterEntry.h"

#ifdef _WIN32
#define KV_GPU_EXPORT extern "C" __declspec(dllexport)
#else
#define KV_GPU_EXPORT extern "C" __attribute__((visibility("default")))
#endif

KV_GPU_EXPORT prSuiteError xGPUFilterEntry(csSDK_uint32 hostInterfaceVersion, csSDK_int32* ioIndex,
                                           prBool startup, piSuitesPtr suites, PrGPUFilter* outFilter,
                                           PrGPUFilterInfo* outInfo) {
    return kv::gpu::GpuFilterEntry(hostInterfaceVersion, ioIndex, startup, suites, outFilter, outInfo);
}
