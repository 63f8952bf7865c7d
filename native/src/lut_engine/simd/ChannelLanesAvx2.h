#pragma once
// Moves eight four-channel pixels between "pairs" (four vectors, each holding
// one pixel's R, G, B, A in its low 128-bit half and another pixel's in its
// high half) and "channels" (four vectors holding R, G, B and A of all eight
// pixels, one pixel per lane). Both directions stay inside 128-bit halves,
// so a channel vector's lanes 0..3 come from the pairs' low halves (pairs 0,
// 1, 2, 3 in that order) and lanes 4..7 from their high halves; the way back
// undoes exactly that, whatever pixels the pairs held.
//
// The lanes are treated as 32-bit patterns (float or integer alike).

#include <immintrin.h>

#include "lut_engine/simd/RowSimdSupport.h"

namespace kv::avx2 {

KV_AVX2_INLINE void PairsToChannels(const __m256 pairs[4], __m256 channels[4]) {
    const __m256 t0 = _mm256_unpacklo_ps(pairs[0], pairs[1]);
    const __m256 t1 = _mm256_unpackhi_ps(pairs[0], pairs[1]);
    const __m256 t2 = _mm256_unpacklo_ps(pairs[2], pairs[3]);
    const __m256 t3 = _mm256_unpackhi_ps(pairs[2], pairs[3]);
    channels[0] = _mm256_shuffle_ps(t0, t2, 0x44);
    channels[1] = _mm256_shuffle_ps(t0, t2, 0xEE);
    channels[2] = _mm256_shuffle_ps(t1, t3, 0x44);
    channels[3] = _mm256_shuffle_ps(t1, t3, 0xEE);
}

KV_AVX2_INLINE void ChannelsToPairs(const __m256 channels[4], __m256 pairs[4]) {
    const __m256 u0 = _mm256_unpacklo_ps(channels[0], channels[1]);
    const __m256 u1 = _mm256_unpackhi_ps(channels[0], channels[1]);
    const __m256 u2 = _mm256_unpacklo_ps(channels[2], channels[3]);
    const __m256 u3 = _mm256_unpackhi_ps(channels[2], channels[3]);
    pairs[0] = _mm256_shuffle_ps(u0, u2, 0x44);
    pairs[1] = _mm256_shuffle_ps(u0, u2, 0xEE);
    pairs[2] = _mm256_shuffle_ps(u1, u3, 0x44);
    pairs[3] = _mm256_shuffle_ps(u1, u3, 0xEE);
}

}  // namespace kv::avx2
