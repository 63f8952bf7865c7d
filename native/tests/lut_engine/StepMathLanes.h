#pragma once
// The step body's log2, exp2 and pow over arrays, at each row level, so a
// test can compare the levels' bits and measure accuracy.

#include <cstddef>

namespace kvtest {

enum class MathFn { kLog2, kExp2, kPow };

// out[i] = fn(x[i]) (kPow: fn(x[i], y[i])) with the scalar body.
void StepMathScalar(MathFn fn, const float* x, const float* y, float* out, size_t n);

// The same with the AVX2 body, eight at a time (n a multiple of 8). Call
// only where the processor runs AVX2.
void StepMathAvx2(MathFn fn, const float* x, const float* y, float* out, size_t n);

}  // namespace kvtest
