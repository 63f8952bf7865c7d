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

#include "lut_engine/FrameView.h"
#include "lut_engine/simd/RowSimdSupport.h"

namespace kv::avx2 {

// Per-call channel shuffles for float pixels: `gather` puts a pixel's R, G,
// B, A in lanes 0..3 of its 128-bit half, `scatter` puts them back at the
// destination's positions; a frame already in R, G, B, A order needs
// neither (inOrder, outOrder).
struct FloatShuffles {
    __m256i gather;
    __m256i scatter;
    bool inOrder;
    bool outOrder;
};

KV_AVX2_INLINE FloatShuffles FloatShufflesFor(const ChannelTable& s, const ChannelTable& d) {
    FloatShuffles f;
    f.gather = _mm256_setr_epi32(s.r, s.g, s.b, s.a, s.r, s.g, s.b, s.a);
    int32_t inverse[4] = {0, 0, 0, 0};
    inverse[d.r] = 0;
    inverse[d.g] = 1;
    inverse[d.b] = 2;
    inverse[d.a] = 3;
    f.scatter = _mm256_setr_epi32(inverse[0], inverse[1], inverse[2], inverse[3], inverse[0], inverse[1],
                                  inverse[2], inverse[3]);
    f.inOrder = s.r == 0 && s.g == 1 && s.b == 2 && s.a == 3;
    f.outOrder = d.r == 0 && d.g == 1 && d.b == 2 && d.a == 3;
    return f;
}

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
