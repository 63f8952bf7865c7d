#pragma once
// The vector twin of sampleTetra for the AVX2 row operations: eight pixels
// per step, one lane per pixel, every float operation the scalar code does,
// in the same order and grouping. Only the way the tetrahedron is chosen
// differs: the scalar branch tree becomes masks, and because every branch's
// weights are (1 - max, max - mid, mid - min, min) of the three fractions
// ranked in that branch, selecting max, mid and min lane by lane and then
// forming the weights performs exactly the scalar subtractions.
//
// Include only from files compiled for the baseline processor whose callers
// carry KV_AVX2; the build keeps contraction off, so no multiply and add
// fuse into one rounding.

#include <immintrin.h>

#include <bit>
#include <cstdint>

#include "lut_engine/Lut3D.h"
#include "lut_engine/simd/RowSimdSupport.h"

namespace kv::avx2 {

inline constexpr int32_t kLanes = 8;

// Everything per cube and per call, broadcast once.
struct CubeLanes {
    const float* data;
    __m256 lo[3];
    __m256 range[3];
    __m256 last;        // N - 1
    __m256i lastCell;   // N - 2
    __m256i stride[3];  // floats from a node to the next along R, G, B
    __m256i diagonal;   // floats from a node to the far corner of its cell
    __m256 amount;
};

KV_AVX2_INLINE void LoadCube(const Lut3D& lut, float amount, CubeLanes& c) {
    const int32_t n = lut.size;
    c.data = lut.data.data();
    for (int k = 0; k < 3; ++k) {
        c.lo[k] = _mm256_set1_ps(lut.domainMin[k]);
        c.range[k] = _mm256_set1_ps(lut.domainMax[k] - lut.domainMin[k]);
    }
    c.last = _mm256_set1_ps(static_cast<float>(n - 1));
    c.lastCell = _mm256_set1_epi32(n - 2);
    c.stride[0] = _mm256_set1_epi32(3);
    c.stride[1] = _mm256_set1_epi32(3 * n);
    c.stride[2] = _mm256_set1_epi32(3 * n * n);
    c.diagonal = _mm256_set1_epi32(3 + 3 * n + 3 * n * n);
    c.amount = _mm256_set1_ps(amount);
}

// mask ? b : a, per lane.
KV_AVX2_INLINE __m256 Pick(__m256 a, __m256 b, __m256 mask) {
    return _mm256_blendv_ps(a, b, mask);
}

KV_AVX2_INLINE __m256i PickInt(__m256i a, __m256i b, __m256 mask) {
    return _mm256_castps_si256(
        _mm256_blendv_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), mask));
}

KV_AVX2_INLINE __m256 Greater(__m256 a, __m256 b) {
    return _mm256_cmp_ps(a, b, _CMP_GT_OQ);
}

// Cell index and fraction on one axis, of the cube (last = N - 1, lastCell
// = N - 2) or of a 1D stage (M - 1, M - 2). The ordered >= is false for NaN,
// so NaN and negatives become +0 while -0 passes through as -0, just as the
// scalar tests leave it; min keeps t when t < 1 and gives 1 otherwise.
//
// With the unit range (lo +0, range 1), in - lo and then / range return the
// input itself while the processor rounds to nearest and keeps denormals, so
// UnitDomain skips them, saving three divisions per eight pixels. Float
// inputs (float frames, and whatever a 1D stage puts out) take it only in
// those modes (RoundsToNearestKeepingDenormals). Code inputs (8-bit and
// 16-bit channels times the scale) take it in any mode: they are normal
// unless the scale is denormal (and then zero when denormals are flushed or
// read as zero), and where rounding downward makes +0 - +0 give -0, the
// fraction u - 0 comes out -0 either way.
template <bool UnitDomain>
KV_AVX2_INLINE __m256i AxisCell(__m256 in, __m256 lo, __m256 range, __m256 last, __m256i lastCell,
                                __m256& fraction) {
    __m256 t = UnitDomain ? in : _mm256_div_ps(_mm256_sub_ps(in, lo), range);
    t = _mm256_and_ps(t, _mm256_cmp_ps(t, _mm256_setzero_ps(), _CMP_GE_OQ));
    t = _mm256_min_ps(t, _mm256_set1_ps(1.0f));
    const __m256 u = _mm256_mul_ps(t, last);
    const __m256i i = _mm256_min_epi32(_mm256_cvttps_epi32(u), lastCell);
    fraction = _mm256_sub_ps(u, _mm256_cvtepi32_ps(i));
    return i;
}

// The "Amount" mix, as BlendAmount: (sampled - in) * amount + in.
KV_AVX2_INLINE __m256 BlendLanes(__m256 sampled, __m256 in, __m256 amount) {
    return _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(sampled, in), amount), in);
}

// Samples the cube in the cells starting at `base` (floats from the first
// node) at fractions fr, fg, fb, and blends with blendWith[0..2] (R, G, B)
// by the amount, writing R, G, B to out.
KV_AVX2_INLINE void SampleBlendInCell(const CubeLanes& c, __m256i base, __m256 fr, __m256 fg, __m256 fb,
                                      const __m256 blendWith[3], __m256 out[3]) {
    const __m256 rg = Greater(fr, fg);
    const __m256 gb = Greater(fg, fb);
    const __m256 rb = Greater(fr, fb);
    const __m256 bg = Greater(fb, fg);
    const __m256 br = Greater(fb, fr);

    // fr > fg: red ranks first unless blue beats it; then green, blue or red.
    const __m256 redFirst = _mm256_or_ps(gb, rb);
    const __m256 maxR = Pick(fb, fr, redFirst);
    const __m256 midR = Pick(Pick(fr, fb, rb), fg, gb);
    const __m256 minR = Pick(fg, fb, gb);
    const __m256i axisMaxR = PickInt(c.stride[2], c.stride[0], redFirst);
    const __m256i axisMidR = PickInt(PickInt(c.stride[0], c.stride[2], rb), c.stride[1], gb);
    // fr <= fg: blue ranks first if it beats green, else green.
    const __m256 redLast = _mm256_or_ps(bg, br);
    const __m256 maxL = Pick(fg, fb, bg);
    const __m256 midL = Pick(Pick(fr, fb, br), fg, bg);
    const __m256 minL = Pick(fb, fr, redLast);
    const __m256i axisMaxL = PickInt(c.stride[1], c.stride[2], bg);
    const __m256i axisMidL = PickInt(PickInt(c.stride[0], c.stride[2], br), c.stride[1], bg);

    const __m256 fMax = Pick(maxL, maxR, rg);
    const __m256 fMid = Pick(midL, midR, rg);
    const __m256 fMin = Pick(minL, minR, rg);
    const __m256i cornerA = _mm256_add_epi32(base, PickInt(axisMaxL, axisMaxR, rg));
    const __m256i cornerB = _mm256_add_epi32(cornerA, PickInt(axisMidL, axisMidR, rg));
    const __m256i cornerFar = _mm256_add_epi32(base, c.diagonal);

    const __m256 w0 = _mm256_sub_ps(_mm256_set1_ps(1.0f), fMax);
    const __m256 w1 = _mm256_sub_ps(fMax, fMid);
    const __m256 w2 = _mm256_sub_ps(fMid, fMin);
    const __m256 w3 = fMin;

    for (int k = 0; k < 3; ++k) {
        const float* d = c.data + k;
        const __m256 v000 = _mm256_i32gather_ps(d, base, 4);
        const __m256 vA = _mm256_i32gather_ps(d, cornerA, 4);
        const __m256 vB = _mm256_i32gather_ps(d, cornerB, 4);
        const __m256 v111 = _mm256_i32gather_ps(d, cornerFar, 4);
        const __m256 sampled = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(w3, v111), _mm256_mul_ps(w2, vB)),
                                             _mm256_add_ps(_mm256_mul_ps(w1, vA), _mm256_mul_ps(w0, v000)));
        out[k] = BlendLanes(sampled, blendWith[k], c.amount);
    }
}

// Samples the cube at at[0..2] (R, G, B) and blends with blendWith[0..2]:
// the input itself, or the unshaped input when `at` comes from a 1D stage.
template <bool UnitDomain>
KV_AVX2_INLINE void SampleBlend(const CubeLanes& c, const __m256 at[3], const __m256 blendWith[3], __m256 out[3]) {
    __m256 fr;
    __m256 fg;
    __m256 fb;
    const __m256i ir = AxisCell<UnitDomain>(at[0], c.lo[0], c.range[0], c.last, c.lastCell, fr);
    const __m256i ig = AxisCell<UnitDomain>(at[1], c.lo[1], c.range[1], c.last, c.lastCell, fg);
    const __m256i ib = AxisCell<UnitDomain>(at[2], c.lo[2], c.range[2], c.last, c.lastCell, fb);
    const __m256i base = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(ir, c.stride[0]), _mm256_mullo_epi32(ig, c.stride[1])),
        _mm256_mullo_epi32(ib, c.stride[2]));
    SampleBlendInCell(c, base, fr, fg, fb, blendWith, out);
}

// Domain [+0, 1] on every axis, the domain every parsed LUT has. A -0
// minimum would turn a -0 input into +0.
inline bool HasUnitDomain(const Lut3D& lut) {
    for (int k = 0; k < 3; ++k) {
        if (std::bit_cast<uint32_t>(lut.domainMin[k]) != 0u || lut.domainMax[k] != 1.0f) {
            return false;
        }
    }
    return true;
}

// Float inputs may be anything; x - 0 and x / 1 return x itself for every x
// only while the processor rounds to nearest and neither flushes denormal
// results nor reads denormal inputs as zero, the modes every thread starts
// in (a host may change them on its render threads).
inline bool RoundsToNearestKeepingDenormals() {
    constexpr unsigned kRoundingFlushDenormals = 0x6000u | 0x8000u | 0x0040u;
    return (_mm_getcsr() & kRoundingFlushDenormals) == 0u;
}

}  // namespace kv::avx2
