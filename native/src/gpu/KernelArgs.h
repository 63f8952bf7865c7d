#pragma once
// The kernel's parameters, in the kernel's order: the one list that
// KernelParams, both launches' argument lists, the argument sizes and the
// tests' checks of the .cu, .cl and PTX signatures are expanded from.
// KromvaleLut takes KV_KERNEL_ARGS; KromvaleLutShaped takes the same list
// followed by KV_KERNEL_SHAPER_ARGS, and KromvaleLutSteps the same list
// followed by KV_KERNEL_STEP_LIST_ARGS, so every argument that two entries
// have sits at the same index in each.
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

#include "lut_engine/process/PreparedSteps.h"

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

// The 1D stage that KromvaleLutShaped applies to each channel before the
// cube. The shaped entry runs no cube when `size` is 0 (a 1D-only LUT).
#define KV_KERNEL_SHAPER_ARGS(X)                                           \
    X(Buffer, shaper, )    /* shaperSize R, G, B floats, entry by entry */ \
    X(Int, shaperSize, 0)  /* entries per curve, >= 2 */                   \
    X(Float, sminR, 0.0f)  /* input mapped to the first entry */           \
    X(Float, sminG, 0.0f)                                                  \
    X(Float, sminB, 0.0f)                                                  \
    X(Float, smaxR, 0.0f)  /* input mapped to the last entry */            \
    X(Float, smaxG, 0.0f)                                                  \
    X(Float, smaxB, 0.0f)

#define KV_KERNEL_SHAPED_ARGS(X) KV_KERNEL_ARGS(X) KV_KERNEL_SHAPER_ARGS(X)

// The process list that KromvaleLutSteps runs on each pixel instead of a
// cube (its `lut` buffer is bound but unread): the step records as
// kv::PrepareSteps builds them (kv::KvStep, 112 bytes each, the same layout
// in every kernel language) and the one float array of all their tables.
#define KV_KERNEL_STEP_LIST_ARGS(X)                                        \
    X(Buffer, steps, )     /* stepCount KvStep records */                  \
    X(Int, stepCount, 0)                                                   \
    X(Buffer, tables, )    /* every step's table; KvStep::table indexes it */

#define KV_KERNEL_STEPS_ARGS(X) KV_KERNEL_ARGS(X) KV_KERNEL_STEP_LIST_ARGS(X)

// Bytes each kind takes as a launch argument.
#define KV_KERNEL_ARG_BYTES_Buffer 8
#define KV_KERNEL_ARG_BYTES_Int 4
#define KV_KERNEL_ARG_BYTES_Float 4
#define KV_KERNEL_ARG_BYTES_Pattern 4

#define KV_KERNEL_ARG_ENUM(kind, name, initial) name,
// KromvaleLutSteps' argument indices (its own are the same in KernelArg).
enum class StepsKernelArg : int { KV_KERNEL_STEPS_ARGS(KV_KERNEL_ARG_ENUM) };

// Argument indices by name, the same in every entry that has the argument:
// KernelArg::lut is the LUT buffer's index, KernelArg::shaper the 1D
// table's (shaped entry only), KernelArg::steps the step records' (steps
// entry only).
enum class KernelArg : int {
    KV_KERNEL_SHAPED_ARGS(KV_KERNEL_ARG_ENUM)
#define KV_KERNEL_STEPS_ARG_ENUM(kind, name, initial) name = static_cast<int>(StepsKernelArg::name),
    KV_KERNEL_STEP_LIST_ARGS(KV_KERNEL_STEPS_ARG_ENUM)
#undef KV_KERNEL_STEPS_ARG_ENUM
};
#undef KV_KERNEL_ARG_ENUM

#define KV_KERNEL_ARG_ONE(kind, name, initial) +1
// Arguments of KromvaleLut, of KromvaleLutShaped and of KromvaleLutSteps.
constexpr int kKernelArgCount = 0 KV_KERNEL_ARGS(KV_KERNEL_ARG_ONE);
constexpr int kShapedKernelArgCount = 0 KV_KERNEL_SHAPED_ARGS(KV_KERNEL_ARG_ONE);
constexpr int kStepsKernelArgCount = 0 KV_KERNEL_STEPS_ARGS(KV_KERNEL_ARG_ONE);
#undef KV_KERNEL_ARG_ONE

#define KV_KERNEL_ARG_SIZE(kind, name, initial) KV_KERNEL_ARG_BYTES_##kind,
// Bytes of each argument, by index; KromvaleLut takes the first
// kKernelArgCount.
constexpr std::size_t kKernelArgBytes[kShapedKernelArgCount] = {KV_KERNEL_SHAPED_ARGS(KV_KERNEL_ARG_SIZE)};
// The same for KromvaleLutSteps, whose own arguments differ in size from
// the 1D stage's at the same indices.
constexpr std::size_t kStepsKernelArgBytes[kStepsKernelArgCount] = {KV_KERNEL_STEPS_ARGS(KV_KERNEL_ARG_SIZE)};
#undef KV_KERNEL_ARG_SIZE

static_assert(static_cast<int>(KernelArg::shaper) == kKernelArgCount,
              "the 1D stage's arguments follow KromvaleLut's");
static_assert(static_cast<int>(KernelArg::steps) == kKernelArgCount,
              "the step list's arguments follow KromvaleLut's");
static_assert(sizeof(KvStep) == 112 && alignof(KvStep) == 4,
              "step records are 4 + 24 four-byte fields in every kernel language, as the kernels read them");

static_assert(sizeof(void*) == KV_KERNEL_ARG_BYTES_Buffer, "buffer arguments are 64-bit handles");

}  // namespace kv::gpu
