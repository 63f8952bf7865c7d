// AVX2 builds of the float and 8-bit LUT row operations: eight pixels per
// step, through the vector twins of the 1D stage and of sampleTetra
// (LutStagesAvx2.h, SampleTetraAvx2.h).

#include "lut_engine/simd/LutRowsAvx2.h"

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstring>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/simd/ChannelLanesAvx2.h"
#include "lut_engine/simd/RowSimdSupport.h"
#include "lut_engine/simd/LutStagesAvx2.h"
#include "lut_engine/simd/SampleTetraAvx2.h"
#include "lut_engine/simd/TableLoadsAvx2.h"

namespace kv {

namespace {

using namespace avx2;

// --- float pixels -----------------------------------------------------------

// A block between its steps: on its curves, located, or sampled.
struct Pending32f {
    CurvePositions curves;
    Located loc;
    __m256 out[4];
    __m256 pairs[4];
};

// How many steps a block takes (see PipelineBlocks): with padded nodes the
// corners are read a step after the tetrahedra are found, and curve entries
// from pairs a step after the positions on the curves.
template <class Lanes>
inline constexpr int kBlockSteps = Lanes::kThreeSteps ? 3 : (Lanes::kPadded ? 2 : 1);

// Step S of eight pixels from src to dst (the same memory is allowed). Each
// load holds two whole pixels, so the channel lanes hold the pixels in the
// order 0, 2, 4, 6, 1, 3, 5, 7, and the pixel pairs are the loads
// themselves.
template <class Lanes, int S>
KV_AVX2_INLINE void Step32f(const Lanes& l, const FloatShuffles& f, const unsigned char* src, unsigned char* dst,
                            Pending32f& b) {
    if constexpr (S == 0) {
        for (int k = 0; k < 4; ++k) {
            b.pairs[k] =
                _mm256_permutevar_ps(_mm256_loadu_ps(reinterpret_cast<const float*>(src + 32 * k)), f.gather);
        }
        __m256 channels[4];
        PairsToChannels(b.pairs, channels);
        if constexpr (Lanes::kThreeSteps) {
            l.LocateCurves(channels, b.curves);
        } else if constexpr (Lanes::kPadded) {
            l.Locate(channels, b.loc);
        } else {
            l.SampleBlend(channels, b.pairs, b.out);
        }
    }
    if constexpr (S == 1 && Lanes::kThreeSteps) {
        l.LocateFromCurves(b.curves, b.loc);
    }
    if constexpr (S == kBlockSteps<Lanes> - 1) {
        if constexpr (Lanes::kPadded) {
            l.Finish(b.loc, b.pairs, b.out);
        }
        // A NaN result is rare: one test over the whole block keeps the
        // canonical-NaN blends off the common path (blending every lane
        // cost the rows about 7 %).
        const __m256 anyNaN = _mm256_or_ps(_mm256_cmp_ps(b.out[0], b.out[1], _CMP_UNORD_Q),
                                           _mm256_cmp_ps(b.out[2], b.out[3], _CMP_UNORD_Q));
        if (!_mm256_testz_ps(anyNaN, anyNaN)) [[unlikely]] {
            for (int k = 0; k < 4; ++k) b.out[k] = CanonicalNaNLanes(b.out[k]);
        }
        for (int k = 0; k < 4; ++k) {
            const __m256 withAlpha = _mm256_blend_ps(b.out[k], b.pairs[k], 0x88);
            _mm256_storeu_ps(reinterpret_cast<float*>(dst + 32 * k), _mm256_permutevar_ps(withAlpha, f.scatter));
        }
    }
}

// `blocks` blocks of eight pixels from src to dst.
template <class Lanes>
KV_AVX2_INLINE void Blocks32f(const Lanes& l, const FloatShuffles& f, const unsigned char* src, unsigned char* dst,
                              int32_t blocks) {
    constexpr int kSteps = kBlockSteps<Lanes>;
    Pending32f pending[kSteps];
    PipelineBlocks<kSteps>(blocks, [&](auto step, int32_t block, int32_t slot) KV_AVX2_LAMBDA {
        const std::ptrdiff_t at = 16 * kLanes * static_cast<std::ptrdiff_t>(block);
        Step32f<Lanes, decltype(step)::value>(l, f, src + at, dst + at, pending[slot]);
    });
}

// Rows are handled as bytes: they may start at any byte, which the
// unaligned loads and stores accept.
template <class Lanes>
KV_AVX2 void LutRows32fWith(const LutRowsParams& p, int32_t y0, int32_t y1, const LutSources& sources) {
    Lanes l;
    l.Load(*p.lut, p.amount, sources);
    const FloatShuffles f = FloatShufflesFor(p.srcChannels, p.dstChannels);
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        const int32_t x = width - width % kLanes;
        Blocks32f(l, f, src, dst, x / kLanes);
        if (x < width) {
            // The row's last pixels go through a block on the stack, so that
            // nothing past the row end is read or written.
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 16;
            alignas(32) unsigned char block[16 * kLanes] = {};
            std::memcpy(block, src + 16 * static_cast<std::ptrdiff_t>(x), bytes);
            Blocks32f(l, f, block, block, 1);
            std::memcpy(dst + 16 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
    }
}

// Band-laid curve pairs live on this band's stack, only for the LUTs that
// read pairs without row tables.
template <class Lanes>
KV_AVX2 void LutRows32f(const LutRowsParams& p, int32_t y0, int32_t y1, const UnitShortcuts& unit) {
    if constexpr (Lanes::kPaired) {
        CurvePairs pairs;
        LutRows32fWith<Lanes>(p, y0, y1, SourcesFor(*p.lut, unit, &pairs));
    } else {
        LutRows32fWith<Lanes>(p, y0, y1, SourcesFor(*p.lut, unit, nullptr));
    }
}

// --- 8-bit pixels ----------------------------------------------------------

// Byte-shuffle controls, the same in both 128-bit halves. `widen[j]` turns
// pixels j and j + 4 (the j-th of each half) into a pixel pair of R, G, B, A
// as zero-extended 32-bit lanes; `scatter` moves each packed pixel's bytes
// from R, G, B, A order to the destination's positions.
struct ByteShuffles {
    __m256i widen[4];
    __m256i scatter;
};

KV_AVX2_INLINE void LoadByteShuffles(const ChannelTable& s, const ChannelTable& d, ByteShuffles& b) {
    const int32_t from[4] = {s.r, s.g, s.b, s.a};
    for (int j = 0; j < 4; ++j) {
        alignas(16) int8_t control[16];
        for (int c = 0; c < 4; ++c) {
            control[4 * c] = static_cast<int8_t>(4 * j + from[c]);
            control[4 * c + 1] = -1;  // high bit set: a zero byte
            control[4 * c + 2] = -1;
            control[4 * c + 3] = -1;
        }
        b.widen[j] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(control)));
    }
    const int32_t to[4] = {d.r, d.g, d.b, d.a};
    alignas(16) int8_t control[16];
    for (int i = 0; i < 4; ++i) {
        for (int c = 0; c < 4; ++c) control[4 * i + to[c]] = static_cast<int8_t>(4 * i + c);
    }
    b.scatter = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(control)));
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

// A band's byte cells, where the row tables' do not hold for it.
struct ByteCells {
    alignas(32) uint64_t cell[3][256];
};

// The cells an 8-bit band reads: the row tables' when the band scales codes
// as they were built and runs in the modes they were computed in, otherwise
// `own`, filled here.
inline CodeCells ByteCellsFor(const LutRowsParams& p, ByteCells& own) {
    CodeCells c;
    const LutRowTables* tables = RowTablesOf(*p.lut);
    if (tables != nullptr && !tables->byteCells[0].empty() && RoundsToNearestKeepingDenormals() &&
        std::bit_cast<uint32_t>(p.scale) == std::bit_cast<uint32_t>(kByteScale)) {
        for (int k = 0; k < 3; ++k) c.cells[k] = tables->byteCells[k].data();
        return c;
    }
    uint64_t* fill[3] = {own.cell[0], own.cell[1], own.cell[2]};
    FillCodeCells(*p.lut, p.scale, 256, fill);
    for (int k = 0; k < 3; ++k) c.cells[k] = own.cell[k];
    return c;
}

// What an 8-bit block reads besides the pixels.
struct ByteBlockTables {
    int32_t channelByte[3];  // R, G, B within a pixel
    __m256 scale;
    ByteShuffles shuffles;
    const ByteCurves* curves;  // with a 1D stage, unless the cells are read
    CodeCells cells;           // Cells only
};

// A block between its steps: located, or sampled.
struct Pending8 {
    Located loc;
    __m256 out[4];
    __m256 inPairs[4];
    __m256 codePairs[4];
};

// Step S of eight pixels from src to dst (the same memory is allowed). The
// channel lanes hold the pixels in memory order, and pair j pixels j and
// j + 4. Cells: the cube's positions come from the cells of the codes.
// Results are 0..255 and alpha a zero-extended byte, so packing the 32-bit
// lanes to words and the words to bytes with unsigned saturation keeps
// every value and puts the pixels back in memory order.
template <class Lanes, bool Cells, int S>
KV_AVX2_INLINE void Step8(const Lanes& l, const ByteBlockTables& t, const uint8_t* src, uint8_t* dst, Pending8& b) {
    if constexpr (S == 0) {
        const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
        for (int j = 0; j < 4; ++j) {
            const __m256i codes = _mm256_shuffle_epi8(pixels, t.shuffles.widen[j]);
            b.codePairs[j] = _mm256_castsi256_ps(codes);
            b.inPairs[j] = _mm256_mul_ps(_mm256_cvtepi32_ps(codes), t.scale);
        }
        __m256 channels[4];
        PairsToChannels(b.codePairs, channels);
        const __m256i codes[3] = {_mm256_castps_si256(channels[0]), _mm256_castps_si256(channels[1]),
                                  _mm256_castps_si256(channels[2])};
        // Table look-ups by code read the codes from the pixels again.
        static constexpr int32_t kPixelOfLane[kLanes] = {0, 1, 2, 3, 4, 5, 6, 7};
        const PixelCodes<uint8_t, 4> pixelCodes[3] = {{src + t.channelByte[0], kPixelOfLane},
                                                      {src + t.channelByte[1], kPixelOfLane},
                                                      {src + t.channelByte[2], kPixelOfLane}};
        if constexpr (Cells) {
            __m256 f[3];
            const __m256i base = CellsOfCodes(t.cells, pixelCodes, f);
            l.LocateCells(base, f, b.loc);
        } else {
            const __m256 in[3] = {_mm256_mul_ps(_mm256_cvtepi32_ps(codes[0]), t.scale),
                                  _mm256_mul_ps(_mm256_cvtepi32_ps(codes[1]), t.scale),
                                  _mm256_mul_ps(_mm256_cvtepi32_ps(codes[2]), t.scale)};
            if constexpr (Lanes::kShapes) {
                const __m256 shaped[3] = {LookUpFloatsBy(t.curves->shaped[0], pixelCodes[0]),
                                          LookUpFloatsBy(t.curves->shaped[1], pixelCodes[1]),
                                          LookUpFloatsBy(t.curves->shaped[2], pixelCodes[2])};
                if constexpr (Lanes::kPadded) {
                    l.LocateShaped(shaped, b.loc);
                } else {
                    l.SampleBlendShaped(shaped, in, b.inPairs, b.out);
                }
            } else if constexpr (Lanes::kPadded) {
                l.Locate(in, b.loc);
            } else {
                l.SampleBlend(in, b.inPairs, b.out);
            }
        }
    }
    if constexpr (S == (Lanes::kPadded ? 1 : 0)) {
        if constexpr (Lanes::kPadded) {
            l.Finish(b.loc, b.inPairs, b.out);
        }
        __m256i q[4];
        for (int j = 0; j < 4; ++j) {
            q[j] = _mm256_blend_epi32(UnitToByte(b.out[j]), _mm256_castps_si256(b.codePairs[j]), 0x88);
        }
        const __m256i packed =
            _mm256_packus_epi16(_mm256_packus_epi32(q[0], q[1]), _mm256_packus_epi32(q[2], q[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_shuffle_epi8(packed, t.shuffles.scatter));
    }
}

// `blocks` blocks of eight pixels from src to dst.
template <class Lanes, bool Cells>
KV_AVX2_INLINE void Blocks8(const Lanes& l, const ByteBlockTables& t, const uint8_t* src, uint8_t* dst,
                            int32_t blocks) {
    constexpr int kSteps = Lanes::kPadded ? 2 : 1;
    Pending8 pending[kSteps];
    PipelineBlocks<kSteps>(blocks, [&](auto step, int32_t block, int32_t slot) KV_AVX2_LAMBDA {
        const std::ptrdiff_t at = 4 * kLanes * static_cast<std::ptrdiff_t>(block);
        Step8<Lanes, Cells, decltype(step)::value>(l, t, src + at, dst + at, pending[slot]);
    });
}

template <class Lanes, bool Cells>
KV_AVX2 void LutRows8(const LutRowsParams& p, int32_t y0, int32_t y1, const UnitShortcuts& unit) {
    Lanes l;
    l.Load(*p.lut, p.amount, SourcesFor(*p.lut, unit, nullptr));
    ByteBlockTables t;
    t.channelByte[0] = p.srcChannels.r;
    t.channelByte[1] = p.srcChannels.g;
    t.channelByte[2] = p.srcChannels.b;
    t.scale = _mm256_set1_ps(p.scale);
    LoadByteShuffles(p.srcChannels, p.dstChannels, t.shuffles);
    ByteCurves curves;
    ByteCells ownCells;
    t.curves = &curves;
    if constexpr (Cells) {
        t.cells = ByteCellsFor(p, ownCells);
    } else if constexpr (Lanes::kShapes) {
        FillByteCurves(*p.lut, p.scale, curves);
    }
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* src = RowPointer(p.src, y);
        uint8_t* dst = RowPointer(p.dst, y);
        const int32_t x = width - width % kLanes;
        Blocks8<Lanes, Cells>(l, t, src, dst, x / kLanes);
        if (x < width) {
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 4;
            uint8_t block[4 * kLanes] = {};
            std::memcpy(block, src + 4 * static_cast<std::ptrdiff_t>(x), bytes);
            Blocks8<Lanes, Cells>(l, t, block, block, 1);
            std::memcpy(dst + 4 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
    }
}

}  // namespace

void ApplyLutRows32fAvx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (p.lut->steps != nullptr) {
        ApplyProcessRows32fAvx2(p, y0, y1);
        return;
    }
    if (!IsChannelPermutation(p.srcChannels) || !IsChannelPermutation(p.dstChannels) ||
        !LutFitsGatherIndex(*p.lut)) {
        ApplyLutRows32f(p, y0, y1);
        return;
    }
    const UnitShortcuts unit = UnitShortcutsFor(*p.lut, false);
    WithLutLanes(*p.lut, unit, [&](auto lanes) { LutRows32f<typename decltype(lanes)::type>(p, y0, y1, unit); });
}

void ApplyLutRows8Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (p.lut->steps != nullptr) {
        ApplyProcessRows8Avx2(p, y0, y1);
        return;
    }
    if (!IsChannelPermutation(p.srcChannels) || !IsChannelPermutation(p.dstChannels) ||
        !LutFitsGatherIndex(*p.lut)) {
        ApplyLutRows8(p, y0, y1);
        return;
    }
    // The 1D stage is looked up per code, so its shortcuts would go unused.
    // With a 1D stage before a cube with padded nodes, the positions are
    // looked up too (the 1D stage then costs nothing); the cube alone finds
    // them faster by computing them than by looking them up.
    UnitShortcuts unit = UnitShortcutsFor(*p.lut, true);
    unit.shaper = false;
    unit.paired = false;
    if (unit.padded && StagesOf(*p.lut) == LutStages::kShaperThenCube) {
        unit.cube = false;
        WithLutLanes(*p.lut, unit, [&](auto lanes) {
            using Lanes = typename decltype(lanes)::type;
            if constexpr (Lanes::kPadded) LutRows8<Lanes, true>(p, y0, y1, unit);
        });
        return;
    }
    WithLutLanes(*p.lut, unit, [&](auto lanes) { LutRows8<typename decltype(lanes)::type, false>(p, y0, y1, unit); });
}

}  // namespace kv
