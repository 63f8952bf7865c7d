#pragma once
// The kernel's scalar arguments as one record, and the addresses of all its
// arguments for one launch of any entry, both expanded from the lists in
// KernelArgs.h.

#include <array>
#include <cstdint>
#include <type_traits>

#include "gpu/KernelArgs.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/ProbePattern.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv::gpu {

#define KV_KERNEL_PARAM_Buffer(name, initial)
#define KV_KERNEL_PARAM_Int(name, initial) std::int32_t name = initial;
#define KV_KERNEL_PARAM_Float(name, initial) float name = initial;
#define KV_KERNEL_PARAM_Pattern(name, initial)
#define KV_KERNEL_PARAM(kind, name, initial) KV_KERNEL_PARAM_##kind(name, initial)

struct KernelParams {
    KV_KERNEL_SHAPED_ARGS(KV_KERNEL_PARAM)
    KV_KERNEL_STEP_LIST_ARGS(KV_KERNEL_PARAM)
    ProbeGeometry pattern;  // drawn instead of the picture when probe > 0
};

#undef KV_KERNEL_PARAM
#undef KV_KERNEL_PARAM_Buffer
#undef KV_KERNEL_PARAM_Int
#undef KV_KERNEL_PARAM_Float
#undef KV_KERNEL_PARAM_Pattern

#define KV_KERNEL_PATTERN_IS_INT_Buffer(name)
#define KV_KERNEL_PATTERN_IS_INT_Int(name)
#define KV_KERNEL_PATTERN_IS_INT_Float(name)
#define KV_KERNEL_PATTERN_IS_INT_Pattern(name)                                    \
    static_assert(std::is_same_v<decltype(ProbeGeometry::name), std::int32_t>, \
                  "pattern arguments are 32-bit ints");
#define KV_KERNEL_PATTERN_IS_INT(kind, name, initial) KV_KERNEL_PATTERN_IS_INT_##kind(name)
KV_KERNEL_ARGS(KV_KERNEL_PATTERN_IS_INT)
#undef KV_KERNEL_PATTERN_IS_INT
#undef KV_KERNEL_PATTERN_IS_INT_Buffer
#undef KV_KERNEL_PATTERN_IS_INT_Int
#undef KV_KERNEL_PATTERN_IS_INT_Float
#undef KV_KERNEL_PATTERN_IS_INT_Pattern

// Sizes and input ranges of the LUT a launch binds: the cube's (size 0 for
// a 1D-only LUT) and the 1D stage's (shaperSize 0 when there is none).
inline void SetLutArgs(KernelParams& params, const Lut3D& lut) {
    params.size = lut.size;
    params.dminR = lut.domainMin[0];
    params.dminG = lut.domainMin[1];
    params.dminB = lut.domainMin[2];
    params.dmaxR = lut.domainMax[0];
    params.dmaxG = lut.domainMax[1];
    params.dmaxB = lut.domainMax[2];
    params.shaperSize = lut.shaperSize;
    params.sminR = lut.shaperMin[0];
    params.sminG = lut.shaperMin[1];
    params.sminB = lut.shaperMin[2];
    params.smaxR = lut.shaperMax[0];
    params.smaxG = lut.shaperMax[1];
    params.smaxB = lut.shaperMax[2];
    params.stepCount = lut.steps != nullptr ? static_cast<std::int32_t>(lut.steps->records.size()) : 0;
}

// A LUT with a 1D stage runs KromvaleLutShaped; every other launch (a cube,
// a copy, the pattern) runs KromvaleLut with its 23 arguments unchanged.
inline bool UsesShapedEntry(const KernelParams& params) { return params.shaperSize > 0; }

// A process list runs KromvaleLutSteps.
inline bool UsesStepsEntry(const KernelParams& params) { return params.stepCount > 0; }

// The address of every argument in kernel order, each pointing at
// kKernelArgBytes[i] bytes: the buffers at their 8-byte handles, the rest
// into `params`. Everything pointed at must outlive the launch call. Both
// drivers only read through these pointers; CUDA's launch merely takes them
// as void**.
#define KV_KERNEL_ARG_AT_Buffer(name) name
#define KV_KERNEL_ARG_AT_Int(name) &params.name
#define KV_KERNEL_ARG_AT_Float(name) &params.name
#define KV_KERNEL_ARG_AT_Pattern(name) &params.pattern.name
#define KV_KERNEL_ARG_AT(kind, name, initial) \
    const_cast<void*>(static_cast<const void*>(KV_KERNEL_ARG_AT_##kind(name))),

// KromvaleLut's arguments.
inline std::array<void*, kKernelArgCount> KernelArgPointers(const void* src, const void* dst,
                                                            const void* lut,
                                                            const KernelParams& params) {
    return {KV_KERNEL_ARGS(KV_KERNEL_ARG_AT)};
}

// KromvaleLutShaped's arguments: KromvaleLut's, then the 1D stage's.
inline std::array<void*, kShapedKernelArgCount> ShapedKernelArgPointers(const void* src, const void* dst,
                                                                        const void* lut, const void* shaper,
                                                                        const KernelParams& params) {
    return {KV_KERNEL_SHAPED_ARGS(KV_KERNEL_ARG_AT)};
}

// KromvaleLutSteps' arguments: KromvaleLut's, then the step list's.
inline std::array<void*, kStepsKernelArgCount> StepsKernelArgPointers(const void* src, const void* dst,
                                                                      const void* lut, const void* steps,
                                                                      const void* tables,
                                                                      const KernelParams& params) {
    return {KV_KERNEL_STEPS_ARGS(KV_KERNEL_ARG_AT)};
}

#undef KV_KERNEL_ARG_AT
#undef KV_KERNEL_ARG_AT_Buffer
#undef KV_KERNEL_ARG_AT_Int
#undef KV_KERNEL_ARG_AT_Float
#undef KV_KERNEL_ARG_AT_Pattern

}  // namespace kv::gpu
