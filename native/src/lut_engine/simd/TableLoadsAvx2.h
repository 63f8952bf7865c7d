#pragma once
// Table look-ups for eight lanes built from plain loads rather than the
// processor's gather instructions, which on some processors cost more than
// the loads they stand for. Each lane's value is one load, placed with a
// shuffle; the values are the table's bits either way. The index of lane i
// comes from at(i): read from the pixels themselves where the index is a
// channel code, taken out of a vector otherwise.
//
// Include only from files compiled for the baseline processor whose callers
// carry KV_AVX2.

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "lut_engine/simd/RowSimdSupport.h"

namespace kv::avx2 {

// table[at(i)] in lane i.
template <class IndexOf>
KV_AVX2_INLINE __m256 LookUpFloatsBy(const float* table, IndexOf at) {
    __m128 low = _mm_load_ss(table + at(0));
    __m128 high = _mm_load_ss(table + at(4));
    low = _mm_insert_ps(low, _mm_load_ss(table + at(1)), 0x10);
    high = _mm_insert_ps(high, _mm_load_ss(table + at(5)), 0x10);
    low = _mm_insert_ps(low, _mm_load_ss(table + at(2)), 0x20);
    high = _mm_insert_ps(high, _mm_load_ss(table + at(6)), 0x20);
    low = _mm_insert_ps(low, _mm_load_ss(table + at(3)), 0x30);
    high = _mm_insert_ps(high, _mm_load_ss(table + at(7)), 0x30);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

// Both halves of pairs[at(i)] (low 32 bits to `low`, high 32 bits to
// `high`) in lane i. Lanes 0, 1, 4, 5 are loaded into one vector and 2, 3,
// 6, 7 into another, so that picking the even and the odd floats of the two
// (within each 128-bit half) gives the halves in lane order. (__m128i and
// __m64 loads may alias any type.)
template <class IndexOf>
KV_AVX2_INLINE void LookUpPairsBy(const uint64_t* pairs, IndexOf at, __m256& low, __m256& high) {
    const auto two = [pairs, &at](int lane, int other) KV_AVX2_LAMBDA {
        const __m128 one = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pairs + at(lane))));
        return _mm_loadh_pi(one, reinterpret_cast<const __m64*>(pairs + at(other)));
    };
    const __m256 first = _mm256_insertf128_ps(_mm256_castps128_ps256(two(0, 1)), two(4, 5), 1);
    const __m256 second = _mm256_insertf128_ps(_mm256_castps128_ps256(two(2, 3)), two(6, 7), 1);
    low = _mm256_shuffle_ps(first, second, 0x88);
    high = _mm256_shuffle_ps(first, second, 0xDD);
}

// The lanes of an index vector, each moved to a general register by an
// extract (on the processors measured, cheaper than a store and reloads,
// which wait for the store).
struct VectorLanes {
    __m128i low;
    __m128i high;
    KV_AVX2_INLINE uint32_t operator()(int lane) const {
        const __m128i half = lane < 4 ? low : high;
        switch (lane & 3) {
            case 0:
                return static_cast<uint32_t>(_mm_cvtsi128_si32(half));
            case 1:
                return static_cast<uint32_t>(_mm_extract_epi32(half, 1));
            case 2:
                return static_cast<uint32_t>(_mm_extract_epi32(half, 2));
            default:
                return static_cast<uint32_t>(_mm_extract_epi32(half, 3));
        }
    }
};

KV_AVX2_INLINE VectorLanes LanesOf(__m256i index) {
    return VectorLanes{_mm256_castsi256_si128(index), _mm256_extracti128_si256(index, 1)};
}

// Lanes stored to memory by KV_STORE_LANES.
struct StoredLanes {
    const uint32_t* at;
    uint32_t operator()(int lane) const { return at[lane]; }
};

// Channel codes read from the pixels: lane i's code is the channel of pixel
// kPixelOfLane[i] (pixels `pixelBytes` apart, the channel at byte
// `channelByte` of each).
template <class Code, int PixelBytes>
struct PixelCodes {
    const unsigned char* channel;  // the first pixel's channel
    const int32_t* pixelOfLane;    // eight entries
    uint32_t operator()(int lane) const {
        Code code;
        std::memcpy(&code, channel + PixelBytes * pixelOfLane[lane], sizeof code);
        return code;
    }
};

KV_AVX2_INLINE __m256 LookUpFloats(const float* table, __m256i index) {
    return LookUpFloatsBy(table, LanesOf(index));
}

KV_AVX2_INLINE void LookUpPairs(const uint64_t* pairs, __m256i index, __m256& low, __m256& high) {
    LookUpPairsBy(pairs, LanesOf(index), low, high);
}

}  // namespace kv::avx2
