#pragma once
// The LUT's stages for eight pixels at a time: the vector twin of
// ShaperChannel, and LutLanes, which runs what SampleStages runs (1D stage,
// cube, or both) and blends with the unshaped input. The row operations are
// templates over a LutLanes type, so each LUT kind gets its own loop and a
// LUT without a 1D stage runs the cube code alone, as it always has.
//
// Include only from files compiled for the baseline processor whose callers
// carry KV_AVX2; the build keeps contraction off.

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "lut_engine/Lut3D.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/simd/ChannelLanesAvx2.h"
#include "lut_engine/simd/RowSimdSupport.h"
#include "lut_engine/simd/RowTables.h"
#include "lut_engine/simd/SampleTetraAvx2.h"
#include "lut_engine/simd/TableLoadsAvx2.h"

namespace kv::avx2 {

// Curves of up to this many entries may be laid out as pairs for a band.
inline constexpr int32_t kMaxPairedEntries = 4096;

// Each channel's neighbouring entries side by side, filled once per band on
// the stack (96 KiB at most): pair i of channel k holds entry i's value in
// its low 32 bits and entry i + 1's in its high 32 bits. A lane's two
// entries then arrive in one 64-bit gather element instead of two 32-bit
// ones, halving the elements gathered, which is what the 1D stage's cost
// comes down to.
struct CurvePairs {
    alignas(32) uint64_t pair[3][kMaxPairedEntries - 1];
};

inline bool CurvesFitPairs(const Lut3D& lut) {
    return lut.shaperSize >= 2 && lut.shaperSize <= kMaxPairedEntries;
}

inline void FillCurvePairs(const Lut3D& lut, CurvePairs& pairs) {
    const float* e = lut.shaper.data();
    for (int k = 0; k < 3; ++k) {
        for (int32_t i = 0; i + 1 < lut.shaperSize; ++i) {
            const uint64_t a = std::bit_cast<uint32_t>(e[3 * static_cast<std::ptrdiff_t>(i) + k]);
            const uint64_t b = std::bit_cast<uint32_t>(e[3 * static_cast<std::ptrdiff_t>(i) + 3 + k]);
            pairs.pair[k][i] = a | (b << 32);
        }
    }
}

// Everything per 1D stage, broadcast once.
struct ShaperLanes {
    const float* table;
    const uint64_t* pairs[3];  // per channel; null unless laid out
    __m256 lo[3];
    __m256 range[3];
    __m256 last;       // M - 1
    __m256i lastCell;  // M - 2
};

KV_AVX2_INLINE void LoadShaper(const Lut3D& lut, const uint64_t* const pairs[3], ShaperLanes& s) {
    const int32_t m = lut.shaperSize;
    s.table = lut.shaper.data();
    for (int k = 0; k < 3; ++k) {
        s.lo[k] = _mm256_set1_ps(lut.shaperMin[k]);
        s.range[k] = _mm256_set1_ps(lut.shaperMax[k] - lut.shaperMin[k]);
    }
    for (int k = 0; k < 3; ++k) {
        s.pairs[k] = pairs != nullptr ? pairs[k] : nullptr;
    }
    s.last = _mm256_set1_ps(static_cast<float>(m - 1));
    s.lastCell = _mm256_set1_epi32(m - 2);
}

// Channel k of eight pixels through its curve: the entries around each
// lane's position gathered from the table (entry i's channel k at float
// 3 * i + k), then a + f * (b - a) as ShaperChannel computes it.
//
// From pairs, lanes 0, 1, 4, 5 are gathered into one vector and 2, 3, 6, 7
// into another, so that picking the even and the odd floats of the two
// (within each 128-bit half) gives a and b in lane order.
template <bool UnitRange, bool Paired>
KV_AVX2_INLINE __m256 ShapeChannel(const ShaperLanes& s, __m256 in, int k) {
    __m256 f;
    const __m256i i = AxisCell<UnitRange>(in, s.lo[k], s.range[k], s.last, s.lastCell, f);
    __m256 a;
    __m256 b;
    if constexpr (Paired) {
        LookUpPairs(s.pairs[k], i, a, b);
    } else {
        const __m256i at = _mm256_add_epi32(i, _mm256_add_epi32(i, i));
        const float* column = s.table + k;
        a = LookUpFloats(column, at);
        b = LookUpFloats(column + 3, at);
    }
    return _mm256_add_ps(a, _mm256_mul_ps(f, _mm256_sub_ps(b, a)));
}

// A block's positions on the curves, found a step ahead of reading the
// entries around them (see Located).
struct CurvePositions {
    alignas(32) uint32_t index[3][kLanes];
    __m256 f[3];
};

template <bool UnitRange>
KV_AVX2_INLINE void LocateOnCurves(const ShaperLanes& s, const __m256 in[3], CurvePositions& c) {
    for (int k = 0; k < 3; ++k) {
        const __m256i i = AxisCell<UnitRange>(in[k], s.lo[k], s.range[k], s.last, s.lastCell, c.f[k]);
        KV_STORE_LANES(c.index[k], i);
    }
}

// ShapeChannel's result for every channel at known positions, from pairs.
KV_AVX2_INLINE void ShapeAt(const ShaperLanes& s, const CurvePositions& c, __m256 shaped[3]) {
    for (int k = 0; k < 3; ++k) {
        __m256 a;
        __m256 b;
        LookUpPairsBy(s.pairs[k], StoredLanes{c.index[k]}, a, b);
        shaped[k] = _mm256_add_ps(a, _mm256_mul_ps(c.f[k], _mm256_sub_ps(b, a)));
    }
}

// A 1D stage's range is [+0, 1] on every channel (see HasUnitDomain).
inline bool HasUnitShaperRange(const Lut3D& lut) {
    for (int k = 0; k < 3; ++k) {
        if (std::bit_cast<uint32_t>(lut.shaperMin[k]) != 0u || lut.shaperMax[k] != 1.0f) {
            return false;
        }
    }
    return true;
}

// Where a band's lanes read the LUT from: the padded nodes and curve pairs
// of its row tables, or of the band's own CurvePairs, or null for the LUT's
// own tables.
struct LutSources {
    const float* paddedNodes = nullptr;
    const uint64_t* curvePairs[3] = {nullptr, nullptr, nullptr};
};

// The LUT's stages for one band. UnitCube and UnitShaper skip the range
// arithmetic of their stage (see AxisCell for when that is exact); Paired
// reads the curves as pairs, Padded the cube's padded nodes.
//
// The rows hand over their pixels twice: as channels (R, G, B of eight
// pixels, one per lane), from which the positions are found, and as pixel
// pairs (pair j holds lanes j and j + 4 as R, G, B, A in its two halves), the
// layout of the results, in which the padded nodes are read.
template <LutStages Stages, bool UnitCube, bool UnitShaper, bool Paired, bool Padded>
struct LutLanes {
    CubeLanes cube;  // the amount only, without a cube
    ShaperLanes shaper;

    static constexpr bool kShapes = Stages != LutStages::kCube;
    static constexpr bool kPaired = Paired;
    static constexpr bool kPadded = Padded;
    // A block of this LUT goes through three steps: LocateCurves,
    // LocateFromCurves, Finish.
    static constexpr bool kThreeSteps = Padded && Paired && Stages == LutStages::kShaperThenCube;

    KV_AVX2_INLINE void Load(const Lut3D& lut, float amount, const LutSources& sources) {
        if constexpr (Stages == LutStages::kShaper) {
            cube.amount = _mm256_set1_ps(amount);
        } else {
            LoadCube(lut, amount, Padded ? sources.paddedNodes : nullptr, cube);
        }
        if constexpr (Stages != LutStages::kCube) {
            LoadShaper(lut, sources.curvePairs, shaper);
        }
    }

    // R, G, B of eight pixels as channels `in` and as pairs `inPairs`; the
    // blended R, G, B to `out` as pairs, whose fourth channel the caller
    // fills.
    KV_AVX2_INLINE void SampleBlend(const __m256 in[3], const __m256 inPairs[4], __m256 out[4]) const {
        if constexpr (Stages == LutStages::kCube) {
            SampleBlendShaped(in, in, inPairs, out);
        } else {
            const __m256 shaped[3] = {ShapeChannel<UnitShaper, Paired>(shaper, in[0], 0),
                                      ShapeChannel<UnitShaper, Paired>(shaper, in[1], 1),
                                      ShapeChannel<UnitShaper, Paired>(shaper, in[2], 2)};
            SampleBlendShaped(shaped, in, inPairs, out);
        }
    }

    // With padded nodes, a block in two steps (see Located): Locate finds
    // the tetrahedra of R, G, B channels `in` (through the 1D stage if any),
    // LocateCells those of known cells (`base` the cell's first node as a
    // byte offset, f[0..2] the fractions), and Finish samples and blends
    // them with the input pixel pairs, as SampleBlend does.
    KV_AVX2_INLINE void Locate(const __m256 in[3], Located& loc) const {
        static_assert(Padded, "blocks are located in the padded nodes");
        if constexpr (Stages == LutStages::kCube) {
            LocateAt<UnitCube>(cube, in, loc);
        } else {
            const __m256 shaped[3] = {ShapeChannel<UnitShaper, Paired>(shaper, in[0], 0),
                                      ShapeChannel<UnitShaper, Paired>(shaper, in[1], 1),
                                      ShapeChannel<UnitShaper, Paired>(shaper, in[2], 2)};
            LocateAt<UnitCube>(cube, shaped, loc);
        }
    }

    KV_AVX2_INLINE void LocateCurves(const __m256 in[3], CurvePositions& c) const {
        static_assert(kThreeSteps, "three steps only for a 1D stage read from pairs before padded nodes");
        LocateOnCurves<UnitShaper>(shaper, in, c);
    }

    KV_AVX2_INLINE void LocateFromCurves(const CurvePositions& c, Located& loc) const {
        static_assert(kThreeSteps, "three steps only for a 1D stage read from pairs before padded nodes");
        __m256 shaped[3];
        ShapeAt(shaper, c, shaped);
        LocateAt<UnitCube>(cube, shaped, loc);
    }

    KV_AVX2_INLINE void LocateShaped(const __m256 shaped[3], Located& loc) const {
        static_assert(Padded, "blocks are located in the padded nodes");
        LocateAt<UnitCube>(cube, shaped, loc);
    }

    KV_AVX2_INLINE void LocateCells(__m256i base, const __m256 f[3], Located& loc) const {
        static_assert(Padded, "cells index the padded nodes");
        LocateInCell(cube, base, f, loc);
    }

    KV_AVX2_INLINE void Finish(const Located& loc, const __m256 inPairs[4], __m256 out[4]) const {
        SampleLocated(cube, loc, inPairs, out);
    }

    // The rest, for pixels whose 1D stage outputs `shaped` are known (the
    // input itself without a 1D stage).
    KV_AVX2_INLINE void SampleBlendShaped(const __m256 shaped[3], const __m256 in[3], const __m256 inPairs[4],
                                          __m256 out[4]) const {
        if constexpr (Stages != LutStages::kShaper && Padded) {
            Located loc;
            LocateAt<UnitCube>(cube, shaped, loc);
            SampleLocated(cube, loc, inPairs, out);
        } else {
            __m256 channels[4];
            if constexpr (Stages == LutStages::kShaper) {
                for (int k = 0; k < 3; ++k) channels[k] = BlendLanes(shaped[k], in[k], cube.amount);
            } else {
                avx2::SampleBlend<UnitCube>(cube, shaped, in, channels);
            }
            channels[3] = _mm256_setzero_ps();
            ChannelsToPairs(channels, out);
        }
    }
};

// Per channel, the cells of every code (FillCodeCells) that an integer
// band reads instead of computing positions; null where it computes them.
struct CodeCells {
    const uint64_t* cells[3] = {nullptr, nullptr, nullptr};
};

// The cells of eight pixels' codes (R, G, B, lane i's as codes[k](i)): the
// cell's first node as a byte offset into the padded nodes, and the
// fractions to f[0..2].
template <class Codes>
KV_AVX2_INLINE __m256i CellsOfCodes(const CodeCells& c, const Codes codes[3], __m256 f[3]) {
    __m256 offsets[3];
    for (int k = 0; k < 3; ++k) LookUpPairsBy(c.cells[k], codes[k], offsets[k], f[k]);
    return _mm256_add_epi32(_mm256_add_epi32(_mm256_castps_si256(offsets[0]), _mm256_castps_si256(offsets[1])),
                            _mm256_castps_si256(offsets[2]));
}

// Which range shortcuts and tables a band may take: the range shortcuts by
// the kind of input (see AxisCell), float inputs only in the default
// floating-point modes, code inputs in any mode (the cube behind a 1D stage
// reads the stage's floats); `paired`: the curves are read as pairs (from
// the row tables or from CurvePairs the band lays out); `padded`: the cube
// from the row tables' padded nodes.
struct UnitShortcuts {
    bool cube = false;
    bool shaper = false;
    bool paired = false;
    bool padded = false;
};

inline UnitShortcuts UnitShortcutsFor(const Lut3D& lut, bool codeInputs) {
    const bool floatsExact = RoundsToNearestKeepingDenormals();
    const bool cubeReadsCodes = codeInputs && lut.shaperSize == 0;
    const LutRowTables* tables = RowTablesOf(lut);
    UnitShortcuts u;
    u.cube = lut.size > 0 && HasUnitDomain(lut) && (cubeReadsCodes || floatsExact);
    u.shaper = lut.shaperSize > 0 && HasUnitShaperRange(lut) && (codeInputs || floatsExact);
    u.paired = lut.shaperSize > 0 && ((tables != nullptr && !tables->curvePairs[0].empty()) || CurvesFitPairs(lut));
    u.padded = lut.size > 0 && tables != nullptr && !tables->nodes.empty();
    return u;
}

// The sources for a band with these shortcuts: the row tables' where the
// LUT has them, else `bandPairs` (filled here) for curves that fit it.
inline LutSources SourcesFor(const Lut3D& lut, const UnitShortcuts& unit, CurvePairs* bandPairs) {
    LutSources s;
    const LutRowTables* tables = RowTablesOf(lut);
    if (unit.padded) s.paddedNodes = tables->nodes.data();
    if (!unit.paired) return s;
    if (tables != nullptr && !tables->curvePairs[0].empty()) {
        for (int k = 0; k < 3; ++k) s.curvePairs[k] = tables->curvePairs[k].data();
    } else {
        FillCurvePairs(lut, *bandPairs);
        for (int k = 0; k < 3; ++k) s.curvePairs[k] = bandPairs->pair[k];
    }
    return s;
}

// Calls run(std::type_identity<L>{}) with the LutLanes type L for the LUT's
// stages and the shortcuts allowed, instantiating only the combinations
// that exist (no shaper shortcut or pairs without a 1D stage, no cube
// shortcut or padded nodes without a cube).
template <class Run>
inline void WithLutLanes(const Lut3D& lut, UnitShortcuts unit, Run&& run) {
    WithStagesOf(lut, [&](auto stages) {
        constexpr LutStages kStages = decltype(stages)::value;
        // Process lists have rows of their own (ProcessRowsAvx2.cpp).
        if constexpr (kStages == LutStages::kProcess) return;
        constexpr bool kHasCube = kStages != LutStages::kShaper;
        constexpr bool kHasShaper = kStages != LutStages::kCube;
        const auto pick = [](bool allowed, bool wanted, auto then) {
            if (allowed && wanted) {
                then(std::true_type{});
            } else {
                then(std::false_type{});
            }
        };
        pick(kHasCube, unit.cube, [&](auto unitCube) {
            pick(kHasShaper, unit.shaper, [&](auto unitShaper) {
                pick(kHasShaper, unit.paired, [&](auto paired) {
                    pick(kHasCube, unit.padded, [&](auto padded) {
                        constexpr bool kUnitCube = kHasCube && decltype(unitCube)::value;
                        constexpr bool kUnitShaper = kHasShaper && decltype(unitShaper)::value;
                        constexpr bool kPairedCurves = kHasShaper && decltype(paired)::value;
                        constexpr bool kPadded = kHasCube && decltype(padded)::value;
                        run(std::type_identity<LutLanes<kStages, kUnitCube, kUnitShaper, kPairedCurves, kPadded>>{});
                    });
                });
            });
        });
    });
}

}  // namespace kv::avx2
