#pragma once
// The scalar arguments of the KromvaleLut kernel and the full 23-argument
// list in the kernel's order, shared by the CUDA and OpenCL launches.

#include <cstddef>
#include <cstdint>

struct KernelParams {
    std::int32_t srcPitch = 0;  // pitches count pixels, not bytes
    std::int32_t dstPitch = 0;
    std::int32_t is16f = 0;     // non-zero: pixels are four half floats
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t size = 0;      // LUT points per axis
    float dminR = 0.0f;
    float dminG = 0.0f;
    float dminB = 0.0f;
    float dmaxR = 0.0f;
    float dmaxG = 0.0f;
    float dmaxB = 0.0f;
    float amount = 0.0f;
    std::int32_t probe = 0;     // > 0: draw the pattern with this many levels
    std::int32_t probeCols = 1;
    std::int32_t probeRows = 1;
    std::int32_t probeX0 = 0;
    std::int32_t probeY0 = 0;
    std::int32_t probeX1 = 1;
    std::int32_t probeY1 = 1;
};

constexpr int kKernelArgCount = 23;

// Addresses and sizes of the kernel's arguments in order. The three buffer
// arguments (0 source, 2 destination, 7 LUT) point at 8-byte handles: a CUDA
// device address or an OpenCL buffer object. Everything pointed at must
// outlive the launch call.
struct KernelArgList {
    const void* values[kKernelArgCount];
    std::size_t sizes[kKernelArgCount];
};

inline KernelArgList MakeKernelArgList(const void* src, const void* dst, const void* lut,
                                       const KernelParams& p) {
    static_assert(sizeof(void*) == 8, "buffer arguments are 8-byte handles");
    const void* values[kKernelArgCount] = {
        src,         &p.srcPitch,  dst,          &p.dstPitch,  &p.is16f,     &p.width,
        &p.height,   lut,          &p.size,      &p.dminR,     &p.dminG,     &p.dminB,
        &p.dmaxR,    &p.dmaxG,     &p.dmaxB,     &p.amount,    &p.probe,     &p.probeCols,
        &p.probeRows, &p.probeX0,  &p.probeY0,   &p.probeX1,   &p.probeY1};
    KernelArgList list{};
    for (int i = 0; i < kKernelArgCount; ++i) {
        list.values[i] = values[i];
        list.sizes[i] = (i == 0 || i == 2 || i == 7) ? 8 : 4;
    }
    return list;
}
