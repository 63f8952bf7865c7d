// A stand-in for the CUDA driver library: the nine entry points the module
// binds, recording their calls and failing on command. Built twice: whole,
// and (with KV_FAKE_CUDA_OMIT_SYNC) lacking cuStreamSynchronize.

#include <cstdio>
#include <cstring>

#include "FakeCudaControl.h"

namespace {

FakeCudaState g_state;

// Function handles: one slot per distinct name, kept across state resets
// (the module keeps its handles for the life of the process).
char g_functions[8][64];

FakeCudaState::Buffer* LiveBuffer(std::uint64_t ptr) {
    for (FakeCudaState::Buffer& b : g_state.live) {
        if (ptr != 0 && b.ptr == ptr) {
            return &b;
        }
    }
    return nullptr;
}

FakeCudaState::Buffer* FreeSlot() {
    for (FakeCudaState::Buffer& b : g_state.live) {
        if (b.ptr == 0) {
            return &b;
        }
    }
    return nullptr;
}

// Whether `buffer` is what a table of `floats` floats must be bound as.
bool BoundAsUploaded(std::uint64_t buffer, std::size_t floats) {
    if (floats == 0) {
        return buffer == 0;
    }
    const FakeCudaState::Buffer* b = LiveBuffer(buffer);
    return b != nullptr && b->copiedBytes == floats * sizeof(float);
}

template <class T>
T ArgAt(void** params, kv::gpu::KernelArg arg) {
    T value{};
    std::memcpy(&value, params[static_cast<int>(arg)], sizeof value);
    return value;
}

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

KV_FAKE_CUDA_EXPORT int cuModuleUnload(void* module) {
    ++g_state.moduleUnloads;
    return module == &g_state ? 0 : 400;
}

KV_FAKE_CUDA_EXPORT int cuModuleGetFunction(void** function, void* module, const char* name) {
    ++g_state.getFunctions;
    std::strncpy(g_state.functionName, name, sizeof g_state.functionName - 1);
    const std::size_t used = std::strlen(g_state.functionNames);
    std::snprintf(g_state.functionNames + used, sizeof g_state.functionNames - used, "%s%s",
                  used > 0 ? " " : "", name);
    if (g_state.getFunctionResult != 0 || module != &g_state) {
        return g_state.getFunctionResult != 0 ? g_state.getFunctionResult : 400;
    }
    for (char* slot : g_functions) {
        if (slot[0] == '\0' || std::strcmp(slot, name) == 0) {
            std::strncpy(slot, name, 63);
            *function = slot;
            return 0;
        }
    }
    return 400;
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
    if (FakeCudaState::Buffer* slot = FreeSlot(); slot != nullptr) {
        *slot = {*ptr, 0};
    }
    return 0;
}

KV_FAKE_CUDA_EXPORT int cuMemFree_v2(unsigned long long ptr) {
    ++g_state.frees;
    g_state.lastFreed = ptr;
    if (FakeCudaState::Buffer* b = LiveBuffer(ptr); b != nullptr) {
        *b = {};
    }
    return 0;
}

KV_FAKE_CUDA_EXPORT int cuMemcpyHtoD_v2(unsigned long long dst, const void* src, std::size_t bytes) {
    ++g_state.copies;
    g_state.lastCopyBytes = bytes;
    if (FakeCudaState::Buffer* b = LiveBuffer(dst); b != nullptr && g_state.memcpyResult == 0) {
        b->copiedBytes = bytes;
    }
    if (bytes >= sizeof(float)) {
        std::memcpy(&g_state.lastCopyFirst, src, sizeof(float));
    }
    return g_state.memcpyResult;
}

KV_FAKE_CUDA_EXPORT int cuLaunchKernel(void* function, unsigned gx, unsigned gy, unsigned gz, unsigned bx,
                                       unsigned by, unsigned bz, unsigned shared, void* stream,
                                       void** params, void**) {
    using kv::gpu::KernelArg;
    ++g_state.launches;
    g_state.grid[0] = gx;
    g_state.grid[1] = gy;
    g_state.grid[2] = gz;
    g_state.block[0] = bx;
    g_state.block[1] = by;
    g_state.block[2] = bz;
    g_state.sharedBytes = shared;
    g_state.lastStream = stream;
    const char* name = static_cast<const char*>(function);
    std::strncpy(g_state.launchedFunction, name, sizeof g_state.launchedFunction - 1);
    const bool shaped = std::strcmp(name, "KromvaleLutShaped") == 0;
    const bool steps = std::strcmp(name, "KromvaleLutSteps") == 0;
    g_state.shapedLaunches += shaped ? 1 : 0;
    g_state.stepsLaunches += steps ? 1 : 0;
    g_state.launchArgCount = shaped  ? kv::gpu::kShapedKernelArgCount
                             : steps ? kv::gpu::kStepsKernelArgCount
                                     : kv::gpu::kKernelArgCount;
    std::memset(g_state.args, 0, sizeof g_state.args);
    for (int i = 0; i < g_state.launchArgCount; ++i) {
        std::memcpy(g_state.args[i], params[i], steps ? kv::gpu::kStepsKernelArgBytes[i] : kv::gpu::kKernelArgBytes[i]);
    }
    if (steps) {
        // The records as uploaded, one per step, and a live table buffer;
        // the cube argument is bound but unread.
        const auto count = static_cast<std::size_t>(ArgAt<std::int32_t>(params, KernelArg::stepCount));
        const FakeCudaState::Buffer* records = LiveBuffer(ArgAt<std::uint64_t>(params, KernelArg::steps));
        const FakeCudaState::Buffer* tables = LiveBuffer(ArgAt<std::uint64_t>(params, KernelArg::tables));
        const bool ok = count > 0 && records != nullptr && records->copiedBytes == count * sizeof(kv::KvStep) &&
                        tables != nullptr && tables->copiedBytes >= sizeof(float);
        g_state.mismatchedSteps += ok ? 0 : 1;
        return g_state.launchResult == 0 && (gx == 0 || gy == 0) ? 1 : g_state.launchResult;
    }
    const auto size = static_cast<std::size_t>(ArgAt<std::int32_t>(params, KernelArg::size));
    bool matched = BoundAsUploaded(ArgAt<std::uint64_t>(params, KernelArg::lut), size * size * size * 3);
    if (shaped) {
        const auto entries = static_cast<std::size_t>(ArgAt<std::int32_t>(params, KernelArg::shaperSize));
        matched = matched && BoundAsUploaded(ArgAt<std::uint64_t>(params, KernelArg::shaper), entries * 3);
    }
    g_state.mismatchedLuts += matched ? 0 : 1;
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
