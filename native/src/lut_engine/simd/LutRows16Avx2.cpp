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

// What a band reads from the row tables per code: the 1D stage's results
// (null where it computes them). The cube's positions are computed: a
// table of cells for 65536 codes would not stay in the cache.
struct CodeTables {
    int32_t channelByte[3] = {0, 0, 0};  // R, G, B within a pixel
    const float* shaped[3] = {nullptr, nullptr, nullptr};
};

// How a band finds the cube's positions from its codes.
enum class CodePath {
    kCompute,       // the 1D stage (if any) and the positions computed
    kLookUpShaped,  // the 1D stage looked up, the positions computed
};

// The row tables' per-code tables hold for this band when its codes are
// scaled as they were built (by kCode16Scale) and it runs in the modes they
// were computed in.
inline CodeTables CodeTablesFor(const LutRowsParams& p) {
    CodeTables c;
    c.channelByte[0] = 2 * p.srcChannels.r;
    c.channelByte[1] = 2 * p.srcChannels.g;
    c.channelByte[2] = 2 * p.srcChannels.b;
    const LutRowTables* tables = RowTablesOf(*p.lut);
    if (tables == nullptr || std::bit_cast<uint32_t>(p.scale) != std::bit_cast<uint32_t>(kCode16Scale) ||
        !RoundsToNearestKeepingDenormals()) {
        return c;
    }
    for (int k = 0; k < 3; ++k) {
        if (!tables->code16Shaped[k].empty()) c.shaped[k] = tables->code16Shaped[k].data();
    }
    return c;
}

// A block between its steps: on its curves, located, or sampled.
struct Pending16 {
    CurvePositions curves;
    Located loc;
    __m256 out[4];
    __m256 inPairs[4];
    __m256 pairs[4];
};

// How many steps a block takes (see PipelineBlocks): with padded nodes the
// corners are read a step after the tetrahedra are found, and curve entries
// from pairs a step after the positions on the curves.
template <class Lanes, CodePath Path>
inline constexpr int kBlockSteps =
    Path == CodePath::kCompute && Lanes::kThreeSteps ? 3 : (Lanes::kPadded ? 2 : 1);

// Step S of eight pixels from src to dst (the same memory is allowed).
template <class Lanes, CodePath Path, int S>
KV_AVX2_INLINE void Step16(const Lanes& l, const CodeTables& codeTables, __m256 scale, const WordShuffles& w,
                           const unsigned char* src, unsigned char* dst, Pending16& b) {
    constexpr int kSteps = kBlockSteps<Lanes, Path>;
    if constexpr (S == 0) {
        const __m256i p0123 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
        const __m256i p4567 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 32));
        b.pairs[0] = _mm256_castsi256_ps(_mm256_shuffle_epi8(p0123, w.widen[0]));
        b.pairs[1] = _mm256_castsi256_ps(_mm256_shuffle_epi8(p0123, w.widen[1]));
        b.pairs[2] = _mm256_castsi256_ps(_mm256_shuffle_epi8(p4567, w.widen[0]));
        b.pairs[3] = _mm256_castsi256_ps(_mm256_shuffle_epi8(p4567, w.widen[1]));
        __m256 channels[4];
        PairsToChannels(b.pairs, channels);
        const __m256i codes[3] = {_mm256_castps_si256(channels[0]), _mm256_castps_si256(channels[1]),
                                  _mm256_castps_si256(channels[2])};
        for (int j = 0; j < 4; ++j) {
            b.inPairs[j] = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_castps_si256(b.pairs[j])), scale);
        }
        // Table look-ups by code read the codes from the pixels again; lane i
        // holds pixel kPixelOfLane[i] (see the pairs above).
        static constexpr int32_t kPixelOfLane[kLanes] = {0, 1, 4, 5, 2, 3, 6, 7};
        const PixelCodes<uint16_t, 8> pixelCodes[3] = {{src + codeTables.channelByte[0], kPixelOfLane},
                                                       {src + codeTables.channelByte[1], kPixelOfLane},
                                                       {src + codeTables.channelByte[2], kPixelOfLane}};
        {
            __m256 in[3];
            for (int k = 0; k < 3; ++k) in[k] = _mm256_mul_ps(_mm256_cvtepi32_ps(codes[k]), scale);
            if constexpr (Path == CodePath::kLookUpShaped) {
                const __m256 shaped[3] = {LookUpFloatsBy(codeTables.shaped[0], pixelCodes[0]),
                                          LookUpFloatsBy(codeTables.shaped[1], pixelCodes[1]),
                                          LookUpFloatsBy(codeTables.shaped[2], pixelCodes[2])};
                if constexpr (Lanes::kPadded) {
                    l.LocateShaped(shaped, b.loc);
                } else {
                    l.SampleBlendShaped(shaped, in, b.inPairs, b.out);
                }
            } else if constexpr (kSteps == 3) {
                l.LocateCurves(in, b.curves);
            } else if constexpr (Lanes::kPadded) {
                l.Locate(in, b.loc);
            } else {
                l.SampleBlend(in, b.inPairs, b.out);
            }
        }
    }
    if constexpr (S == 1 && kSteps == 3) {
        l.LocateFromCurves(b.curves, b.loc);
    }
    if constexpr (S == kSteps - 1) {
        if constexpr (Lanes::kPadded) {
            l.Finish(b.loc, b.inPairs, b.out);
        }
        // Codes are 0..32768 and alpha a zero-extended word, so packing the
        // 32-bit lanes with unsigned saturation keeps every value. The
        // result pairs are laid out as the input pairs, pixels (0, 2),
        // (1, 3), (4, 6) and (5, 7).
        __m256i q[4];
        for (int j = 0; j < 4; ++j) {
            q[j] = _mm256_blend_epi32(_mm256_castps_si256(UnitToCode16(b.out[j])), _mm256_castps_si256(b.pairs[j]),
                                      0x88);
        }
        const __m256i q0123 = _mm256_packus_epi32(q[0], q[1]);
        const __m256i q4567 = _mm256_packus_epi32(q[2], q[3]);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_shuffle_epi8(q0123, w.scatter));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 32), _mm256_shuffle_epi8(q4567, w.scatter));
    }
}

// `blocks` blocks of eight pixels from src to dst.
template <class Lanes, CodePath Path>
KV_AVX2_INLINE void Blocks16(const Lanes& l, const CodeTables& codeTables, __m256 scale, const WordShuffles& w,
                             const unsigned char* src, unsigned char* dst, int32_t blocks) {
    constexpr int kSteps = kBlockSteps<Lanes, Path>;
    Pending16 pending[kSteps];
    PipelineBlocks<kSteps>(blocks, [&](auto step, int32_t block, int32_t slot) KV_AVX2_LAMBDA {
        const std::ptrdiff_t at = 8 * kLanes * static_cast<std::ptrdiff_t>(block);
        Step16<Lanes, Path, decltype(step)::value>(l, codeTables, scale, w, src + at, dst + at, pending[slot]);
    });
}

// Rows are handled as bytes: they may start at any byte, which the
// unaligned loads and stores accept.
template <class Lanes, CodePath Path>
KV_AVX2 void LutRows16With(const LutRowsParams& p, int32_t y0, int32_t y1, const LutSources& sources,
                           const CodeTables& codeTables) {
    Lanes l;
    l.Load(*p.lut, p.amount, sources);
    WordShuffles w;
    LoadWordShuffles(p.srcChannels, p.dstChannels, w);
    const __m256 scale = _mm256_set1_ps(p.scale);
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        const int32_t x = width - width % kLanes;
        Blocks16<Lanes, Path>(l, codeTables, scale, w, src, dst, x / kLanes);
        if (x < width) {
            // The row's last pixels go through a block on the stack, so that
            // nothing past the row end is read or written.
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 8;
            alignas(32) unsigned char block[8 * kLanes] = {};
            std::memcpy(block, src + 8 * static_cast<std::ptrdiff_t>(x), bytes);
            Blocks16<Lanes, Path>(l, codeTables, scale, w, block, block, 1);
            std::memcpy(dst + 8 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
    }
}

// Band-laid curve pairs live on this band's stack, only for the LUTs that
// read pairs without row tables.
template <class Lanes, CodePath Path>
KV_AVX2 void LutRows16(const LutRowsParams& p, int32_t y0, int32_t y1, const UnitShortcuts& unit,
                       const CodeTables& codeTables) {
    if constexpr (Lanes::kPaired) {
        CurvePairs pairs;
        LutRows16With<Lanes, Path>(p, y0, y1, SourcesFor(*p.lut, unit, &pairs), codeTables);
    } else {
        LutRows16With<Lanes, Path>(p, y0, y1, SourcesFor(*p.lut, unit, nullptr), codeTables);
    }
}

}  // namespace

// As in the 8-bit rows, the unit range shortcut holds in every
// floating-point mode for code inputs (see AxisCell). Where the 1D stage is
// looked up per code, its own shortcuts would go unused.
void ApplyLutRows16Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (p.lut->steps != nullptr) {
        ApplyProcessRows16Avx2(p, y0, y1);
        return;
    }
    if (!IsChannelPermutation(p.srcChannels) || !IsChannelPermutation(p.dstChannels) ||
        !LutFitsGatherIndex(*p.lut)) {
        ApplyLutRows16(p, y0, y1);
        return;
    }
    UnitShortcuts unit = UnitShortcutsFor(*p.lut, true);
    const CodeTables codeTables = CodeTablesFor(p);
    if (codeTables.shaped[0] != nullptr) {
        unit.shaper = false;
        unit.paired = false;
        WithLutLanes(*p.lut, unit, [&](auto lanes) {
            using Lanes = typename decltype(lanes)::type;
            if constexpr (Lanes::kShapes) LutRows16<Lanes, CodePath::kLookUpShaped>(p, y0, y1, unit, codeTables);
        });
        return;
    }
    WithLutLanes(*p.lut, unit, [&](auto lanes) {
        LutRows16<typename decltype(lanes)::type, CodePath::kCompute>(p, y0, y1, unit, codeTables);
    });
}

}  // namespace kv
