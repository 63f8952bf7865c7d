#pragma once
// Shared by the vectorised row operations: how their functions are compiled
// and which parameters they take on rather than handing to the scalar code.

#include <cstdint>
#include <type_traits>

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
#define KV_AVX2_LAMBDA __attribute__((target("avx2"), always_inline))

namespace kv {

// Runs `blocks` blocks of a row in `Steps` steps each, overlapped: in each
// round, step 0 of block i, then step 1 of block i - 1, and so on, calls
// step(std::integral_constant<int, S>{}, block, slot) with `slot` the block's
// place (0..Steps - 1) among those in flight. A block's steps keep their
// order, and every block's step 0 (where the rows read its pixels) comes
// before its last (where they write them), so a band may run in place.
//
// A block's work is one long chain of dependent steps (positions, table
// indices, loads through them); started a block or two ahead, a processor
// works on the next block while the loads of one arrive.
template <int S, int Steps, class Step>
KV_AVX2_INLINE void PipelineRound(int32_t round, int32_t blocks, Step& step) {
    const int32_t block = round - S;
    if (block >= 0 && block < blocks) step(std::integral_constant<int, S>{}, block, block % Steps);
    if constexpr (S + 1 < Steps) PipelineRound<S + 1, Steps>(round, blocks, step);
}

template <int Steps, class Step>
KV_AVX2_INLINE void PipelineBlocks(int32_t blocks, Step&& step) {
    for (int32_t round = 0; round < blocks + Steps - 1; ++round) {
        PipelineRound<0, Steps>(round, blocks, step);
    }
}

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
