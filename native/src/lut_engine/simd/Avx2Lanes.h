#pragma once
// Eight lanes in AVX2 registers: the lane types and helpers that the step
// body (process/StepMath.h, process/StepBody.h) needs, so that the vector
// rows compile the very text the scalar rows compile. Every operation is the
// lane-wise twin of the scalar one: comparisons are ordered and quiet (false
// for NaN, as C's are, but != which is true), and nothing is fused.
// The body goes inside namespace kv::avx2, after this header:
//   namespace kv::avx2 {
//   #include "lut_engine/process/StepMath.h"
//   }

#include <immintrin.h>

#include <cstdint>

#include "lut_engine/simd/RowSimdSupport.h"

#define KV_INLINE KV_AVX2_INLINE
#define KV_F kv::avx2::F8
#define KV_I kv::avx2::I8
#define KV_M kv::avx2::M8
#define KV_TABLE

namespace kv::avx2 {

struct F8 {
    __m256 v;
    KV_AVX2_INLINE F8() : v(_mm256_setzero_ps()) {}
    KV_AVX2_INLINE F8(float c) : v(_mm256_set1_ps(c)) {}  // constants and step parameters broadcast
    KV_AVX2_INLINE explicit F8(__m256 x) : v(x) {}
};

struct I8 {
    __m256i v;
    KV_AVX2_INLINE I8() : v(_mm256_setzero_si256()) {}
    KV_AVX2_INLINE I8(int32_t c) : v(_mm256_set1_epi32(c)) {}
    KV_AVX2_INLINE explicit I8(__m256i x) : v(x) {}
};

// All ones in a lane where the comparison holds.
struct M8 {
    __m256 v;
};

KV_AVX2_INLINE F8 operator+(F8 a, F8 b) { return F8(_mm256_add_ps(a.v, b.v)); }
KV_AVX2_INLINE F8 operator-(F8 a, F8 b) { return F8(_mm256_sub_ps(a.v, b.v)); }
KV_AVX2_INLINE F8 operator*(F8 a, F8 b) { return F8(_mm256_mul_ps(a.v, b.v)); }
KV_AVX2_INLINE F8 operator/(F8 a, F8 b) { return F8(_mm256_div_ps(a.v, b.v)); }
KV_AVX2_INLINE F8 operator-(F8 a) { return F8(_mm256_xor_ps(a.v, _mm256_set1_ps(-0.0f))); }

KV_AVX2_INLINE M8 operator<(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_LT_OQ)}; }
KV_AVX2_INLINE M8 operator<=(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_LE_OQ)}; }
KV_AVX2_INLINE M8 operator>(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_GT_OQ)}; }
KV_AVX2_INLINE M8 operator>=(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_GE_OQ)}; }
KV_AVX2_INLINE M8 operator==(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_EQ_OQ)}; }
KV_AVX2_INLINE M8 operator!=(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_NEQ_UQ)}; }
KV_AVX2_INLINE M8 kvAnd(M8 a, M8 b) { return {_mm256_and_ps(a.v, b.v)}; }
KV_AVX2_INLINE M8 kvOr(M8 a, M8 b) { return {_mm256_or_ps(a.v, b.v)}; }
KV_AVX2_INLINE bool kvAny(M8 a) { return _mm256_movemask_ps(a.v) != 0; }
KV_AVX2_INLINE M8 kvNot(M8 a) { return {_mm256_xor_ps(a.v, _mm256_castsi256_ps(_mm256_set1_epi32(-1)))}; }

KV_AVX2_INLINE I8 operator+(I8 a, I8 b) { return I8(_mm256_add_epi32(a.v, b.v)); }
KV_AVX2_INLINE I8 operator-(I8 a, I8 b) { return I8(_mm256_sub_epi32(a.v, b.v)); }
KV_AVX2_INLINE I8 operator*(I8 a, I8 b) { return I8(_mm256_mullo_epi32(a.v, b.v)); }
KV_AVX2_INLINE I8 operator&(I8 a, I8 b) { return I8(_mm256_and_si256(a.v, b.v)); }
KV_AVX2_INLINE I8 operator|(I8 a, I8 b) { return I8(_mm256_or_si256(a.v, b.v)); }
KV_AVX2_INLINE M8 operator==(I8 a, I8 b) { return {_mm256_castsi256_ps(_mm256_cmpeq_epi32(a.v, b.v))}; }
KV_AVX2_INLINE I8 operator>>(I8 a, int n) { return I8(_mm256_srav_epi32(a.v, _mm256_set1_epi32(n))); }
KV_AVX2_INLINE I8 operator<<(I8 a, int n) { return I8(_mm256_sllv_epi32(a.v, _mm256_set1_epi32(n))); }

KV_AVX2_INLINE F8 kvFloat(float c) { return F8(c); }
KV_AVX2_INLINE I8 kvInt(int32_t c) { return I8(c); }
KV_AVX2_INLINE F8 kvSelect(M8 m, F8 a, F8 b) {
    return F8(_mm256_blendv_ps(b.v, a.v, m.v));
}
KV_AVX2_INLINE I8 kvSelectI(M8 m, I8 a, I8 b) {
    return I8(_mm256_castps_si256(
        _mm256_blendv_ps(_mm256_castsi256_ps(b.v), _mm256_castsi256_ps(a.v), m.v)));
}
KV_AVX2_INLINE I8 kvAsInt(F8 f) { return I8(_mm256_castps_si256(f.v)); }
KV_AVX2_INLINE F8 kvAsFloat(I8 i) { return F8(_mm256_castsi256_ps(i.v)); }
KV_AVX2_INLINE F8 kvToFloat(I8 i) { return F8(_mm256_cvtepi32_ps(i.v)); }
KV_AVX2_INLINE I8 kvTruncToInt(F8 f) { return I8(_mm256_cvttps_epi32(f.v)); }
KV_AVX2_INLINE F8 kvFloor(F8 f) { return F8(_mm256_floor_ps(f.v)); }
// maxps and minps give their second operand when either is NaN, and return
// the first only where the comparison holds: the scalar forms exactly.
KV_AVX2_INLINE F8 kvMaxOf(F8 lo, F8 v) { return F8(_mm256_max_ps(v.v, lo.v)); }  // v > lo ? v : lo
KV_AVX2_INLINE F8 kvMinOf(F8 hi, F8 v) { return F8(_mm256_min_ps(v.v, hi.v)); }  // v < hi ? v : hi
KV_AVX2_INLINE F8 kvBelow(F8 v, F8 hi) { return F8(_mm256_min_ps(hi.v, v.v)); }  // hi < v ? hi : v
KV_AVX2_INLINE F8 kvAbove(F8 v, F8 lo) { return F8(_mm256_max_ps(lo.v, v.v)); }  // lo > v ? lo : v
KV_AVX2_INLINE F8 kvGather(const float* table, I8 index) { return F8(_mm256_i32gather_ps(table, index.v, 4)); }

}  // namespace kv::avx2
