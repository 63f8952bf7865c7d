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
#include "lut_engine/simd/RowSimdSupport.h"
#include "lut_engine/simd/SampleTetraAvx2.h"

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
    const CurvePairs* pairs;  // null unless the band laid them out
    __m256 lo[3];
    __m256 range[3];
    __m256 last;       // M - 1
    __m256i lastCell;  // M - 2
};

KV_AVX2_INLINE void LoadShaper(const Lut3D& lut, const CurvePairs* pairs, ShaperLanes& s) {
    const int32_t m = lut.shaperSize;
    s.table = lut.shaper.data();
    s.pairs = pairs;
    for (int k = 0; k < 3; ++k) {
        s.lo[k] = _mm256_set1_ps(lut.shaperMin[k]);
        s.range[k] = _mm256_set1_ps(lut.shaperMax[k] - lut.shaperMin[k]);
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
        const __m256i split = _mm256_permutevar8x32_epi32(i, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
        const auto* base = reinterpret_cast<const long long*>(s.pairs->pair[k]);
        const __m256 low = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_castsi256_si128(split), 8));
        const __m256 high = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_extracti128_si256(split, 1), 8));
        a = _mm256_shuffle_ps(low, high, 0x88);
        b = _mm256_shuffle_ps(low, high, 0xDD);
    } else {
        const __m256i at = _mm256_add_epi32(i, _mm256_add_epi32(i, i));
        const float* column = s.table + k;
        a = _mm256_i32gather_ps(column, at, 4);
        b = _mm256_i32gather_ps(column + 3, at, 4);
    }
    return _mm256_add_ps(a, _mm256_mul_ps(f, _mm256_sub_ps(b, a)));
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

// The LUT's stages for one band. UnitCube and UnitShaper skip the range
// arithmetic of their stage (see AxisCell for when that is exact); Paired
// reads the curves from the band's CurvePairs.
template <LutStages Stages, bool UnitCube, bool UnitShaper, bool Paired>
struct LutLanes {
    CubeLanes cube;  // the amount only, without a cube
    ShaperLanes shaper;

    static constexpr bool kShapes = Stages != LutStages::kCube;
    static constexpr bool kPaired = Paired;

    KV_AVX2_INLINE void Load(const Lut3D& lut, float amount, const CurvePairs* pairs = nullptr) {
        if constexpr (Stages == LutStages::kShaper) {
            cube.amount = _mm256_set1_ps(amount);
        } else {
            LoadCube(lut, amount, cube);
        }
        if constexpr (Stages != LutStages::kCube) {
            LoadShaper(lut, pairs, shaper);
        }
    }

    // R, G, B of eight pixels in `in`; the blended R, G, B to `out`.
    KV_AVX2_INLINE void SampleBlend(const __m256 in[3], __m256 out[3]) const {
        if constexpr (Stages == LutStages::kCube) {
            avx2::SampleBlend<UnitCube>(cube, in, in, out);
        } else {
            const __m256 shaped[3] = {ShapeChannel<UnitShaper, Paired>(shaper, in[0], 0),
                                      ShapeChannel<UnitShaper, Paired>(shaper, in[1], 1),
                                      ShapeChannel<UnitShaper, Paired>(shaper, in[2], 2)};
            SampleBlendShaped(shaped, in, out);
        }
    }

    // The rest, for pixels whose 1D stage outputs `shaped` are known.
    KV_AVX2_INLINE void SampleBlendShaped(const __m256 shaped[3], const __m256 in[3], __m256 out[3]) const {
        if constexpr (Stages == LutStages::kShaper) {
            for (int k = 0; k < 3; ++k) out[k] = BlendLanes(shaped[k], in[k], cube.amount);
        } else {
            avx2::SampleBlend<UnitCube>(cube, shaped, in, out);
        }
    }
};

// Which range shortcuts a band may take, by the kind of input (see
// AxisCell): float inputs only in the default floating-point modes, code
// inputs in any mode. The cube behind a 1D stage reads the stage's floats.
// `paired`: the band lays its curves out as CurvePairs.
struct UnitShortcuts {
    bool cube = false;
    bool shaper = false;
    bool paired = false;
};

inline UnitShortcuts UnitShortcutsFor(const Lut3D& lut, bool codeInputs) {
    const bool floatsExact = RoundsToNearestKeepingDenormals();
    const bool cubeReadsCodes = codeInputs && lut.shaperSize == 0;
    UnitShortcuts u;
    u.cube = lut.size > 0 && HasUnitDomain(lut) && (cubeReadsCodes || floatsExact);
    u.shaper = lut.shaperSize > 0 && HasUnitShaperRange(lut) && (codeInputs || floatsExact);
    u.paired = CurvesFitPairs(lut);
    return u;
}

// Calls run(std::type_identity<L>{}) with the LutLanes type L for the LUT's
// stages and the shortcuts allowed, instantiating only the combinations
// that exist (no shaper shortcut without a 1D stage, no cube one without a
// cube).
template <class Run>
inline void WithLutLanes(const Lut3D& lut, UnitShortcuts unit, Run&& run) {
    WithStagesOf(lut, [&](auto stages) {
        constexpr LutStages kStages = decltype(stages)::value;
        const auto withShaper = [&](auto unitCube) {
            constexpr bool kUnitCube = decltype(unitCube)::value;
            const auto withPairs = [&](auto unitShaper) {
                constexpr bool kUnitShaper = decltype(unitShaper)::value;
                if constexpr (kStages != LutStages::kCube) {
                    if (unit.paired) {
                        run(std::type_identity<LutLanes<kStages, kUnitCube, kUnitShaper, true>>{});
                        return;
                    }
                }
                run(std::type_identity<LutLanes<kStages, kUnitCube, kUnitShaper, false>>{});
            };
            if constexpr (kStages != LutStages::kCube) {
                if (unit.shaper) {
                    withPairs(std::true_type{});
                    return;
                }
            }
            withPairs(std::false_type{});
        };
        if constexpr (kStages != LutStages::kShaper) {
            if (unit.cube) {
                withShaper(std::true_type{});
                return;
            }
        }
        withShaper(std::false_type{});
    });
}

}  // namespace kv::avx2
