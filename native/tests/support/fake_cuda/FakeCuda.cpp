// A stand-in for the CUDA driver library: the nine entry points the module
// binds, recording their calls and failing on command. Built twice: whole,
// and (with KV_FAKE_CUDA_OMIT_SYNC) lacking cuStreamSynchronize.

#include <cstring>

#include "FakeCudaControl.h"

namespace {

FakeCudaState g_state;

}  // namespace

KV_FAKE_CUDA_EXPORT FakeCudaState* FakeCudaControl() { return &g_state; }

KV_FAKE_CUDA_EXPORT int cuModuleLoadData(void** module, const void* image) {
    ++g_state.moduleLoads;
    g_state.imageLooksLikePtx =
        image != nullptr && std::strstr(static_cast<const char*>(image), ".entry KromvaleLut") != nullptr;
    if (g_state.moduleLoadResult != 0) {
        return g_state.moduleLoadResult;
    }
    *module = &g_state;
    return 0;
}

KV_FAKE_CUDA_EXPORT int cuModuleGetFunction(void** function, void* module, const char* name) {
    ++g_state.getFunctions;
    std::strncpy(g_state.functionName, name, sizeof g_state.functionName - 1);
    if (g_state.getFunctionResult != 0 || module != &g_state) {
        return g_state.getFunctionResult != 0 ? g_state.getFunctionResult : 400;
    }
    *function = &g_state.functionName;
    return 0;
}

KV_FAKE_CUDA_EXPORT int cuMemAlloc_v2(unsigned long long* ptr, std::size_t bytes) {
    ++g_state.allocs;
    g_state.lastAllocBytes = bytes;
    if (g_state.memAllocResult != 0) {
        *ptr = 0xDEADull;  // garbage a caller must not trust
        return g_state.memAllocResult;
    }
    *ptr = g_state.nextDevicePtr;
    g_state.lastAlloc = g_state.nextDevicePtr;
    g_state.nextDevicePtr += 0x10000;
    return 0;
}

KV_FAKE_CUDA_EXPORT int cuMemFree_v2(unsigned long long ptr) {
    ++g_state.frees;
    g_state.lastFreed = ptr;
    return 0;
}

KV_FAKE_CUDA_EXPORT int cuMemcpyHtoD_v2(unsigned long long, const void* src, std::size_t bytes) {
    ++g_state.copies;
    g_state.lastCopyBytes = bytes;
    if (bytes >= sizeof(float)) {
        std::memcpy(&g_state.lastCopyFirst, src, sizeof(float));
    }
    return g_state.memcpyResult;
}

KV_FAKE_CUDA_EXPORT int cuLaunchKernel(void*, unsigned gx, unsigned gy, unsigned gz, unsigned bx,
                                       unsigned by, unsigned bz, unsigned shared, void* stream,
                                       void** params, void**) {
    ++g_state.launches;
    g_state.grid[0] = gx;
    g_state.grid[1] = gy;
    g_state.grid[2] = gz;
    g_state.block[0] = bx;
    g_state.block[1] = by;
    g_state.block[2] = bz;
    g_state.sharedBytes = shared;
    g_state.lastStream = stream;
    for (int i = 0; i < kv::gpu::kKernelArgCount; ++i) {
        std::memset(g_state.args[i], 0, 8);
        std::memcpy(g_state.args[i], params[i], kv::gpu::kKernelArgBytes[i]);
    }
    std::uint64_t lut = 0;
    std::int32_t size = 0;
    std::memcpy(&lut, params[static_cast<int>(kv::gpu::KernelArg::lut)], sizeof lut);
    std::memcpy(&size, params[static_cast<int>(kv::gpu::KernelArg::size)], sizeof size);
    if (lut != g_state.lastAlloc ||
        g_state.lastCopyBytes != static_cast<std::size_t>(size) * size * size * 3 * sizeof(float)) {
        ++g_state.mismatchedLuts;
    }
    if (g_state.launchResult == 0 && (gx == 0 || gy == 0)) {
        return 1;  // the driver rejects an empty grid as an invalid value
    }
    return g_state.launchResult;
}

KV_FAKE_CUDA_EXPORT int cuCtxPushCurrent_v2(void* context) {
    ++g_state.pushes;
    g_state.lastContext = context;
    if (g_state.pushResult != 0) {
        return g_state.pushResult;
    }
    ++g_state.pushDepth;
    return 0;
}

KV_FAKE_CUDA_EXPORT int cuCtxPopCurrent_v2(void** previous) {
    ++g_state.pops;
    --g_state.pushDepth;
    if (previous != nullptr) {
        *previous = g_state.lastContext;
    }
    return 0;
}

#ifndef KV_FAKE_CUDA_OMIT_SYNC
KV_FAKE_CUDA_EXPORT int cuStreamSynchronize(void* stream) {
    ++g_state.syncs;
    g_state.lastSyncStream = stream;
    return 0;
}
#endif
