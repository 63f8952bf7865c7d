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

// Everything per cube and per call, broadcast once. With padded nodes
// (RowTables.h) the strides count bytes of the padded table; without them,
// floats of the LUT's own.
struct CubeLanes {
    const float* data;
    const unsigned char* nodes;     // padded nodes, or null
    const unsigned char* farNodes;  // nodes + the diagonal: each cell's far corner
    __m256 lo[3];
    __m256 range[3];
    __m256 last;        // N - 1
    __m256i lastCell;   // N - 2
    __m256i stride[3];  // floats from a node to the next along R, G, B
    __m256i diagonal;   // floats from a node to the far corner of its cell
    __m256 amount;
};

KV_AVX2_INLINE void LoadCube(const Lut3D& lut, float amount, const float* paddedNodes, CubeLanes& c) {
    const int32_t n = lut.size;
    c.data = lut.data.data();
    c.nodes = reinterpret_cast<const unsigned char*>(paddedNodes);
    for (int k = 0; k < 3; ++k) {
        c.lo[k] = _mm256_set1_ps(lut.domainMin[k]);
        c.range[k] = _mm256_set1_ps(lut.domainMax[k] - lut.domainMin[k]);
    }
    c.last = _mm256_set1_ps(static_cast<float>(n - 1));
    c.lastCell = _mm256_set1_epi32(n - 2);
    const int32_t step = paddedNodes != nullptr ? 16 : 3;
    c.stride[0] = _mm256_set1_epi32(step);
    c.stride[1] = _mm256_set1_epi32(step * n);
    c.stride[2] = _mm256_set1_epi32(step * n * n);
    c.diagonal = _mm256_set1_epi32(step * (1 + n + n * n));
    c.farNodes = paddedNodes != nullptr ? c.nodes + 16 * (1 + n + n * n) : nullptr;
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

// CanonicalNaN on every lane.
KV_AVX2_INLINE __m256 CanonicalNaNLanes(__m256 v) {
    const __m256 nan = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FC00000));
    return _mm256_blendv_ps(v, nan, _mm256_cmp_ps(v, v, _CMP_UNORD_Q));
}

// The "Amount" mix, as BlendAmount: (sampled - in) * amount + in.
KV_AVX2_INLINE __m256 BlendLanes(__m256 sampled, __m256 in, __m256 amount) {
    return _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(sampled, in), amount), in);
}

// The tetrahedron of each lane's cell: its corners (offsets from the first
// node, in the cube's stride units) and their weights.
struct Tetra {
    __m256i corner[3];  // the cell's first node, then the corners A and B
    __m256 w[4];        // weights of the first node, A, B and the far corner
};

// The tetrahedra in the cells starting at `base` at fractions fr, fg, fb.
KV_AVX2_INLINE void SelectTetra(const CubeLanes& c, __m256i base, __m256 fr, __m256 fg, __m256 fb, Tetra& t) {
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
    t.corner[0] = base;
    t.corner[1] = _mm256_add_epi32(base, PickInt(axisMaxL, axisMaxR, rg));
    t.corner[2] = _mm256_add_epi32(t.corner[1], PickInt(axisMidL, axisMidR, rg));

    t.w[0] = _mm256_sub_ps(_mm256_set1_ps(1.0f), fMax);
    t.w[1] = _mm256_sub_ps(fMax, fMid);
    t.w[2] = _mm256_sub_ps(fMid, fMin);
    t.w[3] = fMin;
}

// The weighted sum of sampleTetra: (w3 * far + w2 * B) + (w1 * A + w0 * first).
KV_AVX2_INLINE __m256 WeightCorners(const __m256 w[4], __m256 v000, __m256 vA, __m256 vB, __m256 v111) {
    return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(w[3], v111), _mm256_mul_ps(w[2], vB)),
                         _mm256_add_ps(_mm256_mul_ps(w[1], vA), _mm256_mul_ps(w[0], v000)));
}

// Samples the tetrahedra from the LUT's own nodes, one gather per corner and
// channel, and blends with blendWith[0..2] (R, G, B) by the amount, writing
// R, G, B to out.
KV_AVX2_INLINE void GatherBlend(const CubeLanes& c, const Tetra& t, const __m256 blendWith[3], __m256 out[3]) {
    const __m256i cornerFar = _mm256_add_epi32(t.corner[0], c.diagonal);
    for (int k = 0; k < 3; ++k) {
        const float* d = c.data + k;
        const __m256 v000 = _mm256_i32gather_ps(d, t.corner[0], 4);
        const __m256 vA = _mm256_i32gather_ps(d, t.corner[1], 4);
        const __m256 vB = _mm256_i32gather_ps(d, t.corner[2], 4);
        const __m256 v111 = _mm256_i32gather_ps(d, cornerFar, 4);
        out[k] = BlendLanes(WeightCorners(t.w, v000, vA, vB, v111), blendWith[k], c.amount);
    }
}

// Lanes j and j + 4 of `v` in every lane of the low and the high half.
template <int J>
KV_AVX2_INLINE __m256 SpreadLane(__m256 v) {
    return _mm256_permute_ps(v, J * 0x55);
}

// Pixel pair J (lanes J and J + 4) from the padded nodes: each corner one
// 16-byte load per pixel, the two pixels in the two halves, so the channels
// stay in R, G, B order (and +0) and the weights are spread over them. The
// sum and the blend are sampleTetra's and BlendLanes' operations channel by
// channel; the fourth channel of the result is left for the caller.
template <int J>
KV_AVX2_INLINE __m256 NodePair(const unsigned char* table, const uint32_t at[kLanes]) {
    const __m128 low = _mm_load_ps(reinterpret_cast<const float*>(table + at[J]));
    const __m128 high = _mm_load_ps(reinterpret_cast<const float*>(table + at[J + 4]));
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

template <int J>
KV_AVX2_INLINE __m256 SamplePair(const CubeLanes& c, const uint32_t offsets[3][kLanes], const __m256 weights[4],
                                 __m256 blendWith) {
    const __m256 w[4] = {SpreadLane<J>(weights[0]), SpreadLane<J>(weights[1]), SpreadLane<J>(weights[2]),
                         SpreadLane<J>(weights[3])};
    const __m256 sampled = WeightCorners(w, NodePair<J>(c.nodes, offsets[0]), NodePair<J>(c.nodes, offsets[1]),
                                         NodePair<J>(c.nodes, offsets[2]), NodePair<J>(c.farNodes, offsets[0]));
    return BlendLanes(sampled, blendWith, c.amount);
}

// A block's tetrahedra in the padded nodes, found ahead of reading their
// corners: the rows find the next block's while the current one's corners
// arrive, so that the loads of one block overlap the arithmetic of the
// next instead of waiting at the end of one long chain per block.
struct Located {
    alignas(32) uint32_t offsets[3][kLanes];  // bytes to the first node, A and B
    __m256 w[4];
};

KV_AVX2_INLINE void LocateInCell(const CubeLanes& c, __m256i base, const __m256 f[3], Located& loc) {
    Tetra t;
    SelectTetra(c, base, f[0], f[1], f[2], t);
    for (int k = 0; k < 3; ++k) {
        KV_STORE_LANES(loc.offsets[k], t.corner[k]);
        loc.w[k] = t.w[k];
    }
    loc.w[3] = t.w[3];
}

// Samples located tetrahedra from the padded nodes and blends with `pairs`,
// the input as four pixel pairs (pair j: lanes j and j + 4 of the channel
// vectors, R, G, B, A in each half), writing pairs in the same layout.
KV_AVX2_INLINE void SampleLocated(const CubeLanes& c, const Located& loc, const __m256 pairs[4], __m256 out[4]) {
    out[0] = SamplePair<0>(c, loc.offsets, loc.w, pairs[0]);
    out[1] = SamplePair<1>(c, loc.offsets, loc.w, pairs[1]);
    out[2] = SamplePair<2>(c, loc.offsets, loc.w, pairs[2]);
    out[3] = SamplePair<3>(c, loc.offsets, loc.w, pairs[3]);
}

// Cell offsets (stride units) and fractions of at[0..2] (R, G, B).
template <bool UnitDomain>
KV_AVX2_INLINE __m256i CellOf(const CubeLanes& c, const __m256 at[3], __m256 f[3]) {
    const __m256i ir = AxisCell<UnitDomain>(at[0], c.lo[0], c.range[0], c.last, c.lastCell, f[0]);
    const __m256i ig = AxisCell<UnitDomain>(at[1], c.lo[1], c.range[1], c.last, c.lastCell, f[1]);
    const __m256i ib = AxisCell<UnitDomain>(at[2], c.lo[2], c.range[2], c.last, c.lastCell, f[2]);
    return _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(ir, c.stride[0]), _mm256_mullo_epi32(ig, c.stride[1])),
        _mm256_mullo_epi32(ib, c.stride[2]));
}

// Locates the tetrahedra (padded nodes) at at[0..2].
template <bool UnitDomain>
KV_AVX2_INLINE void LocateAt(const CubeLanes& c, const __m256 at[3], Located& loc) {
    __m256 f[3];
    const __m256i base = CellOf<UnitDomain>(c, at, f);
    LocateInCell(c, base, f, loc);
}

// Samples the cube at at[0..2] (R, G, B) and blends with blendWith[0..2]:
// the input itself, or the unshaped input when `at` comes from a 1D stage.
template <bool UnitDomain>
KV_AVX2_INLINE void SampleBlend(const CubeLanes& c, const __m256 at[3], const __m256 blendWith[3], __m256 out[3]) {
    __m256 f[3];
    const __m256i base = CellOf<UnitDomain>(c, at, f);
    Tetra t;
    SelectTetra(c, base, f[0], f[1], f[2], t);
    GatherBlend(c, t, blendWith, out);
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
