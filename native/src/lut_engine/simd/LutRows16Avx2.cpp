// AVX2 build of the 16-bit LUT row operation: eight pixels per step, through
// the vector twins of the 1D stage and of sampleTetra (LutStagesAvx2.h,
// SampleTetraAvx2.h).
//
// A 256-bit load holds four 8-byte pixels, two per 128-bit half. One byte
// shuffle widens the first pixel of each half to four 32-bit channels in
// R, G, B, A order, another the second, so the pairs hold pixels (0, 2),
// (1, 3), (4, 6), (5, 7). On the way out, packing pairs (0, 2) and (1, 3)
// back to 16 bits puts pixels 0, 1, 2, 3 in memory order, and one more byte
// shuffle moves each pixel's channels to the destination's positions.

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "lut_engine/FrameView.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/simd/ChannelLanesAvx2.h"
#include "lut_engine/simd/LutRowsAvx2.h"
#include "lut_engine/simd/LutStagesAvx2.h"
#include "lut_engine/simd/RowSimdSupport.h"
#include "lut_engine/simd/SampleTetraAvx2.h"
#include "lut_engine/simd/TableLoadsAvx2.h"

namespace kv {

namespace {

using namespace avx2;

// Byte-shuffle controls, the same in both 128-bit halves. `widen[j]` turns
// pixel j of each half into R, G, B, A as zero-extended 32-bit lanes;
// `scatter` moves the words of each packed pixel from R, G, B, A order to
// the destination's positions.
struct WordShuffles {
    __m256i widen[2];
    __m256i scatter;
};

KV_AVX2_INLINE void LoadWordShuffles(const ChannelTable& s, const ChannelTable& d, WordShuffles& w) {
    const int32_t from[4] = {s.r, s.g, s.b, s.a};
    for (int j = 0; j < 2; ++j) {
        alignas(16) int8_t control[16];
        for (int c = 0; c < 4; ++c) {
            control[4 * c] = static_cast<int8_t>(8 * j + 2 * from[c]);
            control[4 * c + 1] = static_cast<int8_t>(8 * j + 2 * from[c] + 1);
            control[4 * c + 2] = -1;  // high bit set: a zero byte
            control[4 * c + 3] = -1;
        }
        w.widen[j] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(control)));
    }
    const int32_t to[4] = {d.r, d.g, d.b, d.a};
    alignas(16) int8_t control[16];
    for (int j = 0; j < 2; ++j) {
        for (int c = 0; c < 4; ++c) {
            control[8 * j + 2 * to[c]] = static_cast<int8_t>(8 * j + 2 * c);
            control[8 * j + 2 * to[c] + 1] = static_cast<int8_t>(8 * j + 2 * c + 1);
        }
    }
    w.scatter = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(control)));
}

// value * 32768 + 0.5, then 0 unless above 0 (NaN too), 32768 from 32768
// up, otherwise truncated.
KV_AVX2_INLINE __m256 UnitToCode16(__m256 value) {
    __m256 v = _mm256_add_ps(_mm256_mul_ps(value, _mm256_set1_ps(32768.0f)), _mm256_set1_ps(0.5f));
    v = _mm256_and_ps(v, Greater(v, _mm256_setzero_ps()));
    v = _mm256_min_ps(v, _mm256_set1_ps(32768.0f));
    return _mm256_castsi256_ps(_mm256_cvttps_epi32(v));
}

// Per channel, the 1D stage's result for every code, from the row tables
// (null: the rows compute the 1D stage).
struct CodeCurves {
    const float* shaped[3] = {nullptr, nullptr, nullptr};
};

// The row tables' per-code results hold for this band when its codes are
// scaled as they were built (by kCode16Scale) and it runs in the modes they
// were computed in.
inline CodeCurves CodeCurvesFor(const LutRowsParams& p) {
    CodeCurves curves;
    const LutRowTables* tables = RowTablesOf(*p.lut);
    if (tables == nullptr || tables->code16Shaped[0].empty() ||
        std::bit_cast<uint32_t>(p.scale) != std::bit_cast<uint32_t>(kCode16Scale) ||
        !RoundsToNearestKeepingDenormals()) {
        return curves;
    }
    for (int k = 0; k < 3; ++k) curves.shaped[k] = tables->code16Shaped[k].data();
    return curves;
}

// Eight pixels from src to dst (the same memory is allowed). LookUp: the
// 1D stage comes from `curves`, one gather per channel.
template <class Lanes, bool LookUp>
KV_AVX2_INLINE void LutBlock16(const Lanes& l, const CodeCurves& curves, __m256 scale, const WordShuffles& w,
                               const unsigned char* src, unsigned char* dst) {
    const __m256i p0123 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i p4567 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 32));
    const __m256 pairs[4] = {_mm256_castsi256_ps(_mm256_shuffle_epi8(p0123, w.widen[0])),
                             _mm256_castsi256_ps(_mm256_shuffle_epi8(p0123, w.widen[1])),
                             _mm256_castsi256_ps(_mm256_shuffle_epi8(p4567, w.widen[0])),
                             _mm256_castsi256_ps(_mm256_shuffle_epi8(p4567, w.widen[1]))};
    __m256 channels[4];
    PairsToChannels(pairs, channels);
    __m256 in[3];
    for (int k = 0; k < 3; ++k) {
        in[k] = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_castps_si256(channels[k])), scale);
    }
    __m256 inPairs[4];
    for (int j = 0; j < 4; ++j) {
        inPairs[j] = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_castps_si256(pairs[j])), scale);
    }

    __m256 out[4];
    if constexpr (LookUp) {
        const __m256 shaped[3] = {LookUpFloats(curves.shaped[0], _mm256_castps_si256(channels[0])),
                                  LookUpFloats(curves.shaped[1], _mm256_castps_si256(channels[1])),
                                  LookUpFloats(curves.shaped[2], _mm256_castps_si256(channels[2]))};
        l.SampleBlendShaped(shaped, in, inPairs, out);
    } else {
        l.SampleBlend(in, inPairs, out);
    }

    // Codes are 0..32768 and alpha a zero-extended word, so packing the
    // 32-bit lanes with unsigned saturation keeps every value. The result
    // pairs are laid out as the input pairs, pixels (0, 2), (1, 3), (4, 6)
    // and (5, 7).
    __m256i q[4];
    for (int j = 0; j < 4; ++j) {
        q[j] = _mm256_blend_epi32(_mm256_castps_si256(UnitToCode16(out[j])), _mm256_castps_si256(pairs[j]), 0x88);
    }
    const __m256i q0123 = _mm256_packus_epi32(q[0], q[1]);
    const __m256i q4567 = _mm256_packus_epi32(q[2], q[3]);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_shuffle_epi8(q0123, w.scatter));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 32), _mm256_shuffle_epi8(q4567, w.scatter));
}

// Rows are handled as bytes: they may start at any byte, which the
// unaligned loads and stores accept.
template <class Lanes, bool LookUp>
KV_AVX2 void LutRows16With(const LutRowsParams& p, int32_t y0, int32_t y1, const LutSources& sources,
                           const CodeCurves& curves) {
    Lanes l;
    l.Load(*p.lut, p.amount, sources);
    WordShuffles w;
    LoadWordShuffles(p.srcChannels, p.dstChannels, w);
    const __m256 scale = _mm256_set1_ps(p.scale);
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        int32_t x = 0;
        for (; x + kLanes <= width; x += kLanes) {
            LutBlock16<Lanes, LookUp>(l, curves, scale, w, src + 8 * static_cast<std::ptrdiff_t>(x),
                                      dst + 8 * static_cast<std::ptrdiff_t>(x));
        }
        if (x < width) {
            // The row's last pixels go through a block on the stack, so that
            // nothing past the row end is read or written.
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 8;
            alignas(32) unsigned char block[8 * kLanes] = {};
            std::memcpy(block, src + 8 * static_cast<std::ptrdiff_t>(x), bytes);
            LutBlock16<Lanes, LookUp>(l, curves, scale, w, block, block);
            std::memcpy(dst + 8 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
    }
}

// Band-laid curve pairs live on this band's stack, only for the LUTs that
// read pairs without row tables.
template <class Lanes, bool LookUp>
KV_AVX2 void LutRows16(const LutRowsParams& p, int32_t y0, int32_t y1, const UnitShortcuts& unit,
                       const CodeCurves& curves) {
    if constexpr (Lanes::kPaired) {
        CurvePairs pairs;
        LutRows16With<Lanes, LookUp>(p, y0, y1, SourcesFor(*p.lut, unit, &pairs), curves);
    } else {
        LutRows16With<Lanes, LookUp>(p, y0, y1, SourcesFor(*p.lut, unit, nullptr), curves);
    }
}

}  // namespace

// As in the 8-bit rows, the unit range shortcut holds in every
// floating-point mode for code inputs (see AxisCell). Where the 1D stage is
// looked up per code, its own shortcuts would go unused.
void ApplyLutRows16Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (!IsChannelPermutation(p.srcChannels) || !IsChannelPermutation(p.dstChannels) ||
        !LutFitsGatherIndex(*p.lut)) {
        ApplyLutRows16(p, y0, y1);
        return;
    }
    UnitShortcuts unit = UnitShortcutsFor(*p.lut, true);
    const CodeCurves curves = CodeCurvesFor(p);
    if (curves.shaped[0] != nullptr) {
        unit.shaper = false;
        unit.paired = false;
        WithLutLanes(*p.lut, unit, [&](auto lanes) {
            using Lanes = typename decltype(lanes)::type;
            if constexpr (Lanes::kShapes) LutRows16<Lanes, true>(p, y0, y1, unit, curves);
        });
        return;
    }
    WithLutLanes(*p.lut, unit,
                 [&](auto lanes) { LutRows16<typename decltype(lanes)::type, false>(p, y0, y1, unit, curves); });
}

}  // namespace kv
