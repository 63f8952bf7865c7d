#pragma once
// The KromvaleLut kernel's parameters, in the kernel's order: the one list
// that KernelParams, both launches' argument lists, the argument sizes and
// the tests' checks of the .cu, .cl and PTX signatures are expanded from.
//
// X(kind, name, initial):
//   Buffer   a device pointer, handed to the launch as an 8-byte handle (a
//            CUDA device address or an OpenCL buffer object); not part of
//            KernelParams
//   Int      a 32-bit signed KernelParams member starting at `initial`
//   Float    a 32-bit float KernelParams member starting at `initial`
//   Pattern  a 32-bit signed member of KernelParams::pattern, a
//            kv::ProbeGeometry: its field names are the kernel's and its
//            defaults are the starting values
// Pitches count pixels, not bytes.

#include <cstddef>

namespace kv::gpu {

#define KV_KERNEL_ARGS(X)                                                  \
    X(Buffer, src, )       /* input frame, read only */                    \
    X(Int, srcPitch, 0)                                                    \
    X(Buffer, dst, )       /* output frame, may be src */                  \
    X(Int, dstPitch, 0)                                                    \
    X(Int, is16f, 0)       /* non-zero: pixels are four half floats */     \
    X(Int, width, 0)                                                       \
    X(Int, height, 0)                                                      \
    X(Buffer, lut, )       /* size^3 R, G, B floats, red fastest */        \
    X(Int, size, 0)        /* LUT points per axis */                       \
    X(Float, dminR, 0.0f)                                                  \
    X(Float, dminG, 0.0f)                                                  \
    X(Float, dminB, 0.0f)                                                  \
    X(Float, dmaxR, 0.0f)                                                  \
    X(Float, dmaxG, 0.0f)                                                  \
    X(Float, dmaxB, 0.0f)                                                  \
    X(Float, amount, 0.0f) /* 0: input unchanged, 1: full LUT */          \
    X(Int, probe, 0)       /* > 0: draw the pattern with this many levels */ \
    X(Pattern, probeCols, )                                                \
    X(Pattern, probeRows, )                                                \
    X(Pattern, probeX0, )                                                  \
    X(Pattern, probeY0, )                                                  \
    X(Pattern, probeX1, )                                                  \
    X(Pattern, probeY1, )

// Bytes each kind takes as a launch argument.
#define KV_KERNEL_ARG_BYTES_Buffer 8
#define KV_KERNEL_ARG_BYTES_Int 4
#define KV_KERNEL_ARG_BYTES_Float 4
#define KV_KERNEL_ARG_BYTES_Pattern 4

// Argument indices by name: KernelArg::lut is the LUT buffer's index.
enum class KernelArg : int {
#define KV_KERNEL_ARG_ENUM(kind, name, initial) name,
    KV_KERNEL_ARGS(KV_KERNEL_ARG_ENUM)
#undef KV_KERNEL_ARG_ENUM
};

constexpr int kKernelArgCount = 0
#define KV_KERNEL_ARG_ONE(kind, name, initial) +1
    KV_KERNEL_ARGS(KV_KERNEL_ARG_ONE)
#undef KV_KERNEL_ARG_ONE
    ;

constexpr std::size_t kKernelArgBytes[kKernelArgCount] = {
#define KV_KERNEL_ARG_SIZE(kind, name, initial) KV_KERNEL_ARG_BYTES_##kind,
    KV_KERNEL_ARGS(KV_KERNEL_ARG_SIZE)
#undef KV_KERNEL_ARG_SIZE
};

static_assert(sizeof(void*) == KV_KERNEL_ARG_BYTES_Buffer, "buffer arguments are 64-bit handles");

}  // namespace kv::gpu
