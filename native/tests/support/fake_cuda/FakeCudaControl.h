#pragma once
// Shared between the fake CUDA driver library and the tests that drive it:
// what the driver was asked to do, and which calls it should fail.
//
// The test reaches the driver's one state record through the exported
// function "FakeCudaControl", resolved from the same library the module
// loads, so both see the same instance.

#include <cstddef>
#include <cstdint>

#include "gpu/KernelArgs.h"

struct FakeCudaState {
    // Results the next calls return; 0 is success.
    int moduleLoadResult = 0;
    int getFunctionResult = 0;
    int memAllocResult = 0;
    int memcpyResult = 0;
    int launchResult = 0;
    int pushResult = 0;

    // Calls seen.
    int moduleLoads = 0;
    int moduleUnloads = 0;
    int getFunctions = 0;
    int allocs = 0;
    int frees = 0;
    int copies = 0;
    int launches = 0;
    int pushes = 0;
    int pops = 0;
    int syncs = 0;
    int pushDepth = 0;  // pushes minus pops; 0 when every bracket closed
    // Launches whose LUT (or 1D table) argument was not a live buffer whose
    // copied bytes match the size argument (no buffer for size 0).
    int mismatchedLuts = 0;
    int shapedLaunches = 0;  // launches of KromvaleLutShaped
    int stepsLaunches = 0;   // launches of KromvaleLutSteps
    // Steps launches whose records were not a live buffer of exactly
    // stepCount 112-byte records, or whose tables were not a live buffer.
    int mismatchedSteps = 0;

    // Details of the last calls.
    bool imageLooksLikePtx = false;  // the module image starts with PTX text
    char functionName[64] = {};    // the last one asked for
    char functionNames[128] = {};  // every name asked for, in order, blank-separated
    char launchedFunction[64] = {};
    std::uint64_t nextDevicePtr = 0x10000;
    std::uint64_t lastAlloc = 0;
    std::uint64_t lastFreed = 0;
    std::size_t lastAllocBytes = 0;
    std::size_t lastCopyBytes = 0;
    float lastCopyFirst = 0.0f;  // first float of the last host-to-device copy
    void* lastContext = nullptr;
    void* lastStream = nullptr;
    void* lastSyncStream = nullptr;
    unsigned grid[3] = {};
    unsigned block[3] = {};
    unsigned sharedBytes = 0;
    // Device buffers allocated and not yet freed, with the bytes last
    // copied into each.
    struct Buffer {
        std::uint64_t ptr = 0;
        std::size_t copiedBytes = 0;
    };
    Buffer live[16] = {};
    // The kernel arguments of the last launch, each copied at its size in
    // the kernel's argument list into 8 zeroed bytes; as many as the
    // launched entry takes, the rest zero.
    int launchArgCount = 0;
    unsigned char args[kv::gpu::kShapedKernelArgCount > kv::gpu::kStepsKernelArgCount ? kv::gpu::kShapedKernelArgCount
                                                                                     : kv::gpu::kStepsKernelArgCount][8] = {};
};

using FakeCudaControlFn = FakeCudaState* (*)();

#ifdef _WIN32
#define KV_FAKE_CUDA_EXPORT extern "C" __declspec(dllexport)
#else
#define KV_FAKE_CUDA_EXPORT extern "C" __attribute__((visibility("default")))
#endif
