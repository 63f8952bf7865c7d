// AVX2 builds of the LUT row operations: eight pixels per step, one lane per
// pixel, every float operation the scalar code does, in the same order and
// grouping. Only the way the tetrahedron is chosen differs: the scalar
// branch tree becomes masks, and because every branch's weights are
// (1 - max, max - mid, mid - min, min) of the three fractions ranked in that
// branch, selecting max, mid and min lane by lane and then forming the
// weights performs exactly the scalar subtractions.
//
// Compiled for AVX2 without FMA, and the build keeps contraction off, so no
// multiply and add fuse into one rounding.

#include "lut_engine/simd/LutRowsAvx2.h"

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstring>

#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/simd/RowSimdSupport.h"

namespace kv {

namespace {

constexpr int32_t kLanes = 8;

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

KV_AVX2_INLINE void loadCube(const Lut3D& lut, float amount, CubeLanes& c) {
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
KV_AVX2_INLINE __m256 pick(__m256 a, __m256 b, __m256 mask) {
    return _mm256_blendv_ps(a, b, mask);
}

KV_AVX2_INLINE __m256i pickInt(__m256i a, __m256i b, __m256 mask) {
    return _mm256_castps_si256(
        _mm256_blendv_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), mask));
}

KV_AVX2_INLINE __m256 greater(__m256 a, __m256 b) {
    return _mm256_cmp_ps(a, b, _CMP_GT_OQ);
}

// Cell index and fraction on one axis. The ordered >= is false for NaN, so
// NaN and negatives become +0 while -0 passes through as -0, just as the
// scalar tests leave it; min keeps t when t < 1 and gives 1 otherwise.
//
// With the unit domain (lo +0, range 1), in - lo and then / range return the
// input itself while the processor rounds to nearest and keeps denormals, so
// UnitDomain skips them, saving three divisions per eight pixels. The float
// path takes it only in those modes (roundsToNearestKeepingDenormals). The
// 8-bit path takes it in any mode: byte inputs are +0 or positive, normal
// unless the scale is denormal (and then zero when denormals are flushed or
// read as zero), and where rounding downward makes +0 - +0 give -0, the
// fraction u - 0 comes out -0 either way.
template <bool UnitDomain>
KV_AVX2_INLINE __m256i axisCell(__m256 in, __m256 lo, __m256 range, const CubeLanes& c,
                                __m256& fraction) {
    __m256 t = UnitDomain ? in : _mm256_div_ps(_mm256_sub_ps(in, lo), range);
    t = _mm256_and_ps(t, _mm256_cmp_ps(t, _mm256_setzero_ps(), _CMP_GE_OQ));
    t = _mm256_min_ps(t, _mm256_set1_ps(1.0f));
    const __m256 u = _mm256_mul_ps(t, c.last);
    const __m256i i = _mm256_min_epi32(_mm256_cvttps_epi32(u), c.lastCell);
    fraction = _mm256_sub_ps(u, _mm256_cvtepi32_ps(i));
    return i;
}

// Samples the cube in the cells starting at `base` (floats from the first
// node) at fractions fr, fg, fb, and blends with in[0..2] (R, G, B) by the
// amount, writing R, G, B to out.
KV_AVX2_INLINE void sampleBlendInCell(const CubeLanes& c, __m256i base, __m256 fr, __m256 fg, __m256 fb,
                                      const __m256 in[3], __m256 out[3]) {
    const __m256 rg = greater(fr, fg);
    const __m256 gb = greater(fg, fb);
    const __m256 rb = greater(fr, fb);
    const __m256 bg = greater(fb, fg);
    const __m256 br = greater(fb, fr);

    // fr > fg: red ranks first unless blue beats it; then green, blue or red.
    const __m256 redFirst = _mm256_or_ps(gb, rb);
    const __m256 maxR = pick(fb, fr, redFirst);
    const __m256 midR = pick(pick(fr, fb, rb), fg, gb);
    const __m256 minR = pick(fg, fb, gb);
    const __m256i axisMaxR = pickInt(c.stride[2], c.stride[0], redFirst);
    const __m256i axisMidR = pickInt(pickInt(c.stride[0], c.stride[2], rb), c.stride[1], gb);
    // fr <= fg: blue ranks first if it beats green, else green.
    const __m256 redLast = _mm256_or_ps(bg, br);
    const __m256 maxL = pick(fg, fb, bg);
    const __m256 midL = pick(pick(fr, fb, br), fg, bg);
    const __m256 minL = pick(fb, fr, redLast);
    const __m256i axisMaxL = pickInt(c.stride[1], c.stride[2], bg);
    const __m256i axisMidL = pickInt(pickInt(c.stride[0], c.stride[2], br), c.stride[1], bg);

    const __m256 fMax = pick(maxL, maxR, rg);
    const __m256 fMid = pick(midL, midR, rg);
    const __m256 fMin = pick(minL, minR, rg);
    const __m256i cornerA = _mm256_add_epi32(base, pickInt(axisMaxL, axisMaxR, rg));
    const __m256i cornerB = _mm256_add_epi32(cornerA, pickInt(axisMidL, axisMidR, rg));
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
        out[k] = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(sampled, in[k]), c.amount), in[k]);
    }
}

// Samples the cube at in[0..2] (R, G, B) and blends with the input.
template <bool UnitDomain>
KV_AVX2_INLINE void sampleBlend(const CubeLanes& c, const __m256 in[3], __m256 out[3]) {
    __m256 fr;
    __m256 fg;
    __m256 fb;
    const __m256i ir = axisCell<UnitDomain>(in[0], c.lo[0], c.range[0], c, fr);
    const __m256i ig = axisCell<UnitDomain>(in[1], c.lo[1], c.range[1], c, fg);
    const __m256i ib = axisCell<UnitDomain>(in[2], c.lo[2], c.range[2], c, fb);
    const __m256i base = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(ir, c.stride[0]), _mm256_mullo_epi32(ig, c.stride[1])),
        _mm256_mullo_epi32(ib, c.stride[2]));
    sampleBlendInCell(c, base, fr, fg, fb, in, out);
}

// --- float pixels -----------------------------------------------------------

// Per-call channel shuffles: `gather` puts a pixel's R, G, B, A in lanes
// 0..3 of its 128-bit half; `scatter` puts them back at the destination's
// positions.
struct FloatShuffles {
    __m256i gather;
    __m256i scatter;
};

KV_AVX2_INLINE void loadShuffles(const ChannelTable& s, const ChannelTable& d, FloatShuffles& f) {
    f.gather = _mm256_setr_epi32(s.r, s.g, s.b, s.a, s.r, s.g, s.b, s.a);
    int32_t inverse[4] = {0, 0, 0, 0};
    inverse[d.r] = 0;
    inverse[d.g] = 1;
    inverse[d.b] = 2;
    inverse[d.a] = 3;
    f.scatter = _mm256_setr_epi32(inverse[0], inverse[1], inverse[2], inverse[3], inverse[0],
                                  inverse[1], inverse[2], inverse[3]);
}

// Eight pixels from src to dst (the same memory is allowed). Lanes hold the
// pixels in the order 0, 2, 4, 6, 1, 3, 5, 7, undone on the way out.
template <bool UnitDomain>
KV_AVX2_INLINE void lutBlock32f(const CubeLanes& c, const FloatShuffles& f, const float* src,
                                float* dst) {
    const __m256 p01 = _mm256_permutevar_ps(_mm256_loadu_ps(src), f.gather);
    const __m256 p23 = _mm256_permutevar_ps(_mm256_loadu_ps(src + 8), f.gather);
    const __m256 p45 = _mm256_permutevar_ps(_mm256_loadu_ps(src + 16), f.gather);
    const __m256 p67 = _mm256_permutevar_ps(_mm256_loadu_ps(src + 24), f.gather);
    const __m256 t0 = _mm256_unpacklo_ps(p01, p23);
    const __m256 t1 = _mm256_unpackhi_ps(p01, p23);
    const __m256 t2 = _mm256_unpacklo_ps(p45, p67);
    const __m256 t3 = _mm256_unpackhi_ps(p45, p67);
    const __m256 in[3] = {_mm256_shuffle_ps(t0, t2, 0x44), _mm256_shuffle_ps(t0, t2, 0xEE),
                          _mm256_shuffle_ps(t1, t3, 0x44)};
    const __m256 alpha = _mm256_shuffle_ps(t1, t3, 0xEE);

    __m256 out[3];
    sampleBlend<UnitDomain>(c, in, out);

    const __m256 u0 = _mm256_unpacklo_ps(out[0], out[1]);
    const __m256 u1 = _mm256_unpackhi_ps(out[0], out[1]);
    const __m256 u2 = _mm256_unpacklo_ps(out[2], alpha);
    const __m256 u3 = _mm256_unpackhi_ps(out[2], alpha);
    _mm256_storeu_ps(dst, _mm256_permutevar_ps(_mm256_shuffle_ps(u0, u2, 0x44), f.scatter));
    _mm256_storeu_ps(dst + 8, _mm256_permutevar_ps(_mm256_shuffle_ps(u0, u2, 0xEE), f.scatter));
    _mm256_storeu_ps(dst + 16, _mm256_permutevar_ps(_mm256_shuffle_ps(u1, u3, 0x44), f.scatter));
    _mm256_storeu_ps(dst + 24, _mm256_permutevar_ps(_mm256_shuffle_ps(u1, u3, 0xEE), f.scatter));
}

template <bool UnitDomain>
KV_AVX2 void lutRows32f(const LutRowsParams& p, int32_t y0, int32_t y1) {
    CubeLanes c;
    loadCube(*p.lut, p.amount, c);
    FloatShuffles f;
    loadShuffles(p.srcChannels, p.dstChannels, f);
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const float* src = reinterpret_cast<const float*>(RowPointer(p.src, y));
        float* dst = reinterpret_cast<float*>(RowPointer(p.dst, y));
        int32_t x = 0;
        for (; x + kLanes <= width; x += kLanes) {
            lutBlock32f<UnitDomain>(c, f, src + 4 * static_cast<std::ptrdiff_t>(x), dst + 4 * static_cast<std::ptrdiff_t>(x));
        }
        if (x < width) {
            // The row's last pixels go through a block on the stack, so that
            // nothing past the row end is read or written.
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 16;
            float block[4 * kLanes] = {};
            std::memcpy(block, src + 4 * static_cast<std::ptrdiff_t>(x), bytes);
            lutBlock32f<UnitDomain>(c, f, block, block);
            std::memcpy(dst + 4 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
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

KV_AVX2_INLINE void loadShifts(const ChannelTable& t, ByteShifts& s) {
    s.r = _mm_cvtsi32_si128(8 * t.r);
    s.g = _mm_cvtsi32_si128(8 * t.g);
    s.b = _mm_cvtsi32_si128(8 * t.b);
    s.a = _mm_cvtsi32_si128(8 * t.a);
}

KV_AVX2_INLINE __m256i byteAt(__m256i pixels, __m128i shift) {
    return _mm256_and_si256(_mm256_srl_epi32(pixels, shift), _mm256_set1_epi32(0xFF));
}

// value * 255 + 0.5, then 0 unless above 0 (NaN too), 255 from 255 up,
// otherwise truncated.
KV_AVX2_INLINE __m256i unitToByte(__m256 value) {
    __m256 v = _mm256_add_ps(_mm256_mul_ps(value, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f));
    v = _mm256_and_ps(v, greater(v, _mm256_setzero_ps()));
    v = _mm256_min_ps(v, _mm256_set1_ps(255.0f));
    return _mm256_cvttps_epi32(v);
}

template <bool UnitDomain>
KV_AVX2_INLINE void lutBlock8(const CubeLanes& c, __m256 scale, const ByteShifts& s,
                              const ByteShifts& d, const uint8_t* src, uint8_t* dst) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256 in[3] = {_mm256_mul_ps(_mm256_cvtepi32_ps(byteAt(pixels, s.r)), scale),
                          _mm256_mul_ps(_mm256_cvtepi32_ps(byteAt(pixels, s.g)), scale),
                          _mm256_mul_ps(_mm256_cvtepi32_ps(byteAt(pixels, s.b)), scale)};
    __m256 out[3];
    sampleBlend<UnitDomain>(c, in, out);
    const __m256i packed = _mm256_or_si256(
        _mm256_or_si256(_mm256_sll_epi32(unitToByte(out[0]), d.r), _mm256_sll_epi32(unitToByte(out[1]), d.g)),
        _mm256_or_si256(_mm256_sll_epi32(unitToByte(out[2]), d.b), _mm256_sll_epi32(byteAt(pixels, s.a), d.a)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), packed);
}

template <bool UnitDomain>
KV_AVX2 void lutRows8(const LutRowsParams& p, int32_t y0, int32_t y1) {
    CubeLanes c;
    loadCube(*p.lut, p.amount, c);
    ByteShifts s;
    ByteShifts d;
    loadShifts(p.srcChannels, s);
    loadShifts(p.dstChannels, d);
    const __m256 scale = _mm256_set1_ps(p.scale);
    const int32_t width = p.width;
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* src = RowPointer(p.src, y);
        uint8_t* dst = RowPointer(p.dst, y);
        int32_t x = 0;
        for (; x + kLanes <= width; x += kLanes) {
            lutBlock8<UnitDomain>(c, scale, s, d, src + 4 * static_cast<std::ptrdiff_t>(x), dst + 4 * static_cast<std::ptrdiff_t>(x));
        }
        if (x < width) {
            const std::size_t bytes = static_cast<std::size_t>(width - x) * 4;
            uint8_t block[4 * kLanes] = {};
            std::memcpy(block, src + 4 * static_cast<std::ptrdiff_t>(x), bytes);
            lutBlock8<UnitDomain>(c, scale, s, d, block, block);
            std::memcpy(dst + 4 * static_cast<std::ptrdiff_t>(x), block, bytes);
        }
    }
}

// Domain [+0, 1] on every axis, the domain every parsed LUT has. A -0
// minimum would turn a -0 input into +0.
bool hasUnitDomain(const Lut3D& lut) {
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
bool roundsToNearestKeepingDenormals() {
    constexpr unsigned kRoundingFlushDenormals = 0x6000u | 0x8000u | 0x0040u;
    return (_mm_getcsr() & kRoundingFlushDenormals) == 0u;
}

}  // namespace

void ApplyLutRows32fAvx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (!isChannelPermutation(p.srcChannels) || !isChannelPermutation(p.dstChannels) ||
        !cubeFitsGatherIndex(*p.lut)) {
        ApplyLutRows32f(p, y0, y1);
        return;
    }
    if (hasUnitDomain(*p.lut) && roundsToNearestKeepingDenormals()) {
        lutRows32f<true>(p, y0, y1);
    } else {
        lutRows32f<false>(p, y0, y1);
    }
}

void ApplyLutRows8Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (!isChannelPermutation(p.srcChannels) || !isChannelPermutation(p.dstChannels) ||
        !cubeFitsGatherIndex(*p.lut)) {
        ApplyLutRows8(p, y0, y1);
        return;
    }
    if (hasUnitDomain(*p.lut)) {
        lutRows8<true>(p, y0, y1);
    } else {
        lutRows8<false>(p, y0, y1);
    }
}

}  // namespace kv
