#pragma once
// Shared by the vectorised row operations: how their functions are compiled
// and which parameters they take on rather than handing to the scalar code.

#include <cstdint>

#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"

// Functions compiled for AVX2 inside a file that the rest of the build
// compiles for the baseline processor. FMA stays off: a fused multiply-add
// rounds once where the scalar code rounds twice. Helpers taking or returning
// vectors are always inlined, so no 256-bit value crosses a call (the
// Windows calling convention would pass them through the stack, which GCC
// does not align to 32 bytes there).
#define KV_AVX2 __attribute__((target("avx2")))
#define KV_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace kv {

// Stores `v` to `lanes` and makes the compiler read the lanes back from
// memory. Left to itself the compiler moves each lane to a general register
// with an extract instruction (two micro-operations each on some processors,
// all on the shuffle ports); a store and plain loads cost far less.
#define KV_STORE_LANES(lanes, v)                                            \
    do {                                                                    \
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), (v));         \
        __asm__("" : "+m"(lanes));                                          \
    } while (false)

// The vector code moves channels with shuffles and shifts that need every
// position 0..3 used exactly once. The scalar code alone defines what other
// tables do (later writes win over earlier ones).
inline bool IsChannelPermutation(const ChannelTable& t) {
    const int32_t positions[4] = {t.r, t.g, t.b, t.a};
    uint32_t seen = 0;
    for (const int32_t p : positions) {
        if (p < 0 || p > 3) {
            return false;
        }
        seen |= 1u << p;
    }
    return seen == 0xFu;
}

// Gathers index the cube with signed 32-bit counts of floats, and the index
// arithmetic itself is done in 32 bits; larger cubes take the scalar path.
inline bool CubeFitsGatherIndex(const Lut3D& lut) {
    if (lut.size < 2 || lut.size > 1024) {
        return false;
    }
    const int64_t n = lut.size;
    return 3 * n * n * n <= INT32_MAX;
}

// The same for every table the LUT has: the cube if any, and the 1D stage
// (entries up to 65536, so 3 * M floats index in 32 bits with room).
inline bool LutFitsGatherIndex(const Lut3D& lut) {
    if (lut.size != 0 && !CubeFitsGatherIndex(lut)) {
        return false;
    }
    if (lut.shaperSize != 0 && (lut.shaperSize < 2 || lut.shaperSize > 65536)) {
        return false;
    }
    return lut.size != 0 || lut.shaperSize != 0;
}

}  // namespace kv
