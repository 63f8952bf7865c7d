#pragma once
// One lane: the lane types and helpers that the step body (StepMath.h,
// StepBody.h) needs, for the scalar rows and the C++ twin of the kernels.
// The body goes inside namespace kv::scalar, after this header:
//   namespace kv::scalar {
//   #include "lut_engine/process/StepMath.h"
//   }

#include <bit>
#include <cmath>
#include <cstdint>

#define KV_INLINE inline
#define KV_F float
#define KV_I int32_t
#define KV_M bool
#define KV_TABLE

namespace kv::scalar {

inline float kvFloat(float c) { return c; }
inline int32_t kvInt(int32_t c) { return c; }
inline float kvSelect(bool m, float a, float b) { return m ? a : b; }
inline int32_t kvSelectI(bool m, int32_t a, int32_t b) { return m ? a : b; }
inline int32_t kvAsInt(float f) { return std::bit_cast<int32_t>(f); }
inline float kvAsFloat(int32_t i) { return std::bit_cast<float>(i); }
inline float kvToFloat(int32_t i) { return static_cast<float>(i); }
// What the processor's conversion gives (cvttss2si): INT_MIN beyond the int
// range and for NaN, where C++ would leave the result undefined.
inline int32_t kvTruncToInt(float f) {
    return f >= -2147483648.0f && f < 2147483648.0f ? static_cast<int32_t>(f) : INT32_MIN;
}
inline float kvFloor(float f) { return std::floor(f); }
inline float kvMaxOf(float lo, float v) { return lo < v ? v : lo; }
inline float kvMinOf(float hi, float v) { return v < hi ? v : hi; }
inline float kvBelow(float v, float hi) { return v > hi ? hi : v; }
inline float kvAbove(float v, float lo) { return v < lo ? lo : v; }
inline bool kvAnd(bool a, bool b) { return a && b; }
inline bool kvOr(bool a, bool b) { return a || b; }
inline bool kvNot(bool a) { return !a; }
inline bool kvAny(bool a) { return a; }
inline float kvGather(const float* table, int32_t index) { return table[index]; }

}  // namespace kv::scalar
