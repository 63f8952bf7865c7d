#pragma once
// Table look-ups for eight lanes built from plain loads rather than the
// processor's gather instructions, which on some processors cost several
// times as much as the loads they stand for. The indices go through the
// stack to general registers; each lane's value is one load, placed with a
// shuffle. The values are the table's bits either way.
//
// Include only from files compiled for the baseline processor whose callers
// carry KV_AVX2.

#include <immintrin.h>

#include <cstdint>

#include "lut_engine/simd/RowSimdSupport.h"

namespace kv::avx2 {

// table[index[i]] in lane i.
KV_AVX2_INLINE __m256 LookUpFloats(const float* table, __m256i index) {
    alignas(32) uint32_t at[8];
    KV_STORE_LANES(at, index);
    __m128 low = _mm_load_ss(table + at[0]);
    __m128 high = _mm_load_ss(table + at[4]);
    low = _mm_insert_ps(low, _mm_load_ss(table + at[1]), 0x10);
    high = _mm_insert_ps(high, _mm_load_ss(table + at[5]), 0x10);
    low = _mm_insert_ps(low, _mm_load_ss(table + at[2]), 0x20);
    high = _mm_insert_ps(high, _mm_load_ss(table + at[6]), 0x20);
    low = _mm_insert_ps(low, _mm_load_ss(table + at[3]), 0x30);
    high = _mm_insert_ps(high, _mm_load_ss(table + at[7]), 0x30);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

// Both halves of pairs[index[i]] (low 32 bits to `low`, high 32 bits to
// `high`) in lane i. Lanes 0, 1, 4, 5 are loaded into one vector and 2, 3,
// 6, 7 into another, so that picking the even and the odd floats of the two
// (within each 128-bit half) gives the halves in lane order.
KV_AVX2_INLINE void LookUpPairs(const uint64_t* pairs, __m256i index, __m256& low, __m256& high) {
    alignas(32) uint32_t at[8];
    KV_STORE_LANES(at, index);
    // __m128i and __m64 loads may alias any type.
    const auto pair = [pairs, &at](int lane, int other) {
        const __m128 one = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pairs + at[lane])));
        return _mm_loadh_pi(one, reinterpret_cast<const __m64*>(pairs + at[other]));
    };
    const __m256 first = _mm256_insertf128_ps(_mm256_castps128_ps256(pair(0, 1)), pair(4, 5), 1);
    const __m256 second = _mm256_insertf128_ps(_mm256_castps128_ps256(pair(2, 3)), pair(6, 7), 1);
    low = _mm256_shuffle_ps(first, second, 0x88);
    high = _mm256_shuffle_ps(first, second, 0xDD);
}

}  // namespace kv::avx2
