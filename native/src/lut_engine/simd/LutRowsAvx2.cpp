// AVX2 builds of the float and 8-bit LUT row operations: eight pixels per
// step, through the vector twins of the 1D stage and of sampleTetra
// (LutStagesAvx2.h, SampleTetraAvx2.h).

#include "lut_engine/simd/LutRowsAvx2.h"

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstring>

#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/simd/ChannelLanesAvx2.h"
#include "lut_engine/simd/RowSimdSupport.h"
#include "lut_engine/simd/LutStagesAvx2.h"
#include "lut_engine/simd/SampleTetraAvx2.h"

namespace kv {

namespace {

using namespace avx2;

// --- float pixels -----------------------------------------------------------

// Per-call channel shuffles: `gather` puts a pixel's R, G, B, A in lanes
// 0..3 of its 128-bit half; `scatter` puts them back at the destination's
// positions.
struct FloatShuffles {
    __m256i gather;
    __m256i scatter;
};

KV_AVX2_INLINE void LoadShuffles(const ChannelTable& s, const ChannelTable& d, FloatShuffles& f) {
    f.gather = _mm256_setr_epi32(s.r, s.g, s.b, s.a, s.r, s.g, s.b, s.a);
    int32_t inverse[4] = {0, 0, 0, 0};
    inverse[d.r] = 0;
    inverse[d.g] = 1;
    inverse[d.b] = 2;
    inverse[d.a] = 3;
    f.scatter = _mm256_setr_epi32(inverse[0], inverse[1], inverse[2], inverse[3], inverse[0],
                                  inverse[1], inverse[2], inverse[3]);
}

// Eight pixels from src to dst (the same memory is allowed). Each load holds
// two whole pixels, so the channel lanes hold the pixels in the order 0, 2,
// 4, 6, 1, 3, 5, 7, undone on the way out.
template <class Lanes>
KV_AVX2_INLINE void LutBlock32f(const Lanes& l, const FloatShuffles& f, const unsigned char* src,
                                unsigned char* dst) {
    __m256 pairs[4];
    for (int k = 0; k < 4; ++k) {
        pairs[k] = _mm256_permutevar_ps(_mm256_loadu_ps(reinterpret_cast<const float*>(src + 32 * k)), f.gather);
    }
    __m256 channels[4];
    PairsToChannels(pairs, channels);

    __m256 out[4];
    l.SampleBlend(channels, out);
    out[3] = channels[3];  // alpha

    ChannelsToPairs(out, pairs);
    for (int k = 0; k < 4; ++k) {
        _mm256_storeu_ps(reinterpret_cast<float*>(dst + 32 * k), _mm256_permutevar_ps(pairs[k], f.scatter));
    }
}

// Rows are handled as bytes: they may start at any byte, which the
// unaligned loads and stores accept.
template <class Lanes>
KV_AVX2 void LutRows32fWith(const LutRowsParams& p, int32_t y0, int32_t y1, const CurvePairs* pairs) {
    Lanes l;
    l.Load(*p.lut, p.amount, pairs);
    FloatShuffles f;
    LoadShuffles(p.srcChannels, p.dstChannels, f);
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        int32_t x = 0;
        for (; x + kLanes <= width; x += kLanes) {
            LutBlock32f(l, f, src + 16 * static_cast<std::ptrdiff_t>(x), dst + 16 * static_cast<std::ptrdiff_t>(x));
        }
        if (x < width) {
            // The row's last pixels go through a block on the stack, so that
            // nothing past the row end is read or written.
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 16;
            alignas(32) unsigned char block[16 * kLanes] = {};
            std::memcpy(block, src + 16 * static_cast<std::ptrdiff_t>(x), bytes);
            LutBlock32f(l, f, block, block);
            std::memcpy(dst + 16 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
    }
}

// The curve pairs live on this band's stack, only for the LUTs that use them.
template <class Lanes>
KV_AVX2 void LutRows32f(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if constexpr (Lanes::kPaired) {
        CurvePairs pairs;
        FillCurvePairs(*p.lut, pairs);
        LutRows32fWith<Lanes>(p, y0, y1, &pairs);
    } else {
        LutRows32fWith<Lanes>(p, y0, y1, nullptr);
    }
}

// --- 8-bit pixels ----------------------------------------------------------

// Bit offsets of R, G, B, A inside a little-endian 32-bit pixel.
struct ByteShifts {
    __m128i r;
    __m128i g;
    __m128i b;
    __m128i a;
};

KV_AVX2_INLINE void LoadShifts(const ChannelTable& t, ByteShifts& s) {
    s.r = _mm_cvtsi32_si128(8 * t.r);
    s.g = _mm_cvtsi32_si128(8 * t.g);
    s.b = _mm_cvtsi32_si128(8 * t.b);
    s.a = _mm_cvtsi32_si128(8 * t.a);
}

KV_AVX2_INLINE __m256i ByteAt(__m256i pixels, __m128i shift) {
    return _mm256_and_si256(_mm256_srl_epi32(pixels, shift), _mm256_set1_epi32(0xFF));
}

// value * 255 + 0.5, then 0 unless above 0 (NaN too), 255 from 255 up,
// otherwise truncated.
KV_AVX2_INLINE __m256i UnitToByte(__m256 value) {
    __m256 v = _mm256_add_ps(_mm256_mul_ps(value, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f));
    v = _mm256_and_ps(v, Greater(v, _mm256_setzero_ps()));
    v = _mm256_min_ps(v, _mm256_set1_ps(255.0f));
    return _mm256_cvttps_epi32(v);
}

// A byte has 256 values, so the 1D stage of an 8-bit band is looked up
// rather than computed: per channel, the scalar ShaperChannel of every code
// times the scale, filled once per band. One gather per channel then stands
// for the curve's position arithmetic and two gathers, and the values are
// the scalar routine's by construction.
struct ByteCurves {
    alignas(32) float shaped[3][256];
};

KV_AVX2 void FillByteCurves(const Lut3D& lut, float scale, ByteCurves& curves) {
    for (int c = 0; c < 3; ++c) {
        for (int32_t v = 0; v < 256; ++v) {
            curves.shaped[c][v] = ShaperChannel(lut, static_cast<float>(v) * scale, c);
        }
    }
}

template <class Lanes>
KV_AVX2_INLINE void LutBlock8(const Lanes& l, const ByteCurves& curves, __m256 scale, const ByteShifts& s,
                              const ByteShifts& d, const uint8_t* src, uint8_t* dst) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i codes[3] = {ByteAt(pixels, s.r), ByteAt(pixels, s.g), ByteAt(pixels, s.b)};
    const __m256 in[3] = {_mm256_mul_ps(_mm256_cvtepi32_ps(codes[0]), scale),
                          _mm256_mul_ps(_mm256_cvtepi32_ps(codes[1]), scale),
                          _mm256_mul_ps(_mm256_cvtepi32_ps(codes[2]), scale)};
    __m256 out[3];
    if constexpr (Lanes::kShapes) {
        const __m256 shaped[3] = {_mm256_i32gather_ps(curves.shaped[0], codes[0], 4),
                                  _mm256_i32gather_ps(curves.shaped[1], codes[1], 4),
                                  _mm256_i32gather_ps(curves.shaped[2], codes[2], 4)};
        l.SampleBlendShaped(shaped, in, out);
    } else {
        l.SampleBlend(in, out);
    }
    const __m256i packed = _mm256_or_si256(
        _mm256_or_si256(_mm256_sll_epi32(UnitToByte(out[0]), d.r), _mm256_sll_epi32(UnitToByte(out[1]), d.g)),
        _mm256_or_si256(_mm256_sll_epi32(UnitToByte(out[2]), d.b), _mm256_sll_epi32(ByteAt(pixels, s.a), d.a)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), packed);
}

template <class Lanes>
KV_AVX2 void LutRows8(const LutRowsParams& p, int32_t y0, int32_t y1) {
    Lanes l;
    l.Load(*p.lut, p.amount);
    ByteCurves curves;
    if constexpr (Lanes::kShapes) {
        FillByteCurves(*p.lut, p.scale, curves);
    }
    ByteShifts s;
    ByteShifts d;
    LoadShifts(p.srcChannels, s);
    LoadShifts(p.dstChannels, d);
    const __m256 scale = _mm256_set1_ps(p.scale);
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* src = RowPointer(p.src, y);
        uint8_t* dst = RowPointer(p.dst, y);
        int32_t x = 0;
        for (; x + kLanes <= width; x += kLanes) {
            LutBlock8(l, curves, scale, s, d, src + 4 * static_cast<std::ptrdiff_t>(x),
                      dst + 4 * static_cast<std::ptrdiff_t>(x));
        }
        if (x < width) {
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 4;
            uint8_t block[4 * kLanes] = {};
            std::memcpy(block, src + 4 * static_cast<std::ptrdiff_t>(x), bytes);
            LutBlock8(l, curves, scale, s, d, block, block);
            std::memcpy(dst + 4 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
    }
}

}  // namespace

void ApplyLutRows32fAvx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (!IsChannelPermutation(p.srcChannels) || !IsChannelPermutation(p.dstChannels) ||
        !LutFitsGatherIndex(*p.lut)) {
        ApplyLutRows32f(p, y0, y1);
        return;
    }
    WithLutLanes(*p.lut, UnitShortcutsFor(*p.lut, false),
                 [&](auto lanes) { LutRows32f<typename decltype(lanes)::type>(p, y0, y1); });
}

void ApplyLutRows8Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (!IsChannelPermutation(p.srcChannels) || !IsChannelPermutation(p.dstChannels) ||
        !LutFitsGatherIndex(*p.lut)) {
        ApplyLutRows8(p, y0, y1);
        return;
    }
    // The 1D stage is looked up per code, so its shortcut would go unused.
    UnitShortcuts unit = UnitShortcutsFor(*p.lut, true);
    unit.shaper = false;
    unit.paired = false;
    WithLutLanes(*p.lut, unit, [&](auto lanes) { LutRows8<typename decltype(lanes)::type>(p, y0, y1); });
}

}  // namespace kv
