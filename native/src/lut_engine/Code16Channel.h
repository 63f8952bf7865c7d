#pragma once
// Conversions between 16-bit channels and the floats the LUT maths works in.
// A 16-bit channel holds 0..32768 for 0..1: one code more than 15 bits, so
// that 0.5 and 1.0 are exact codes and a code step is a power of two.

#include <bit>
#include <cstdint>

namespace kv {

// The full-scale code, the one that stands for 1.0.
inline constexpr int32_t kCode16Max = 32768;

// 2^-15, the input value of one code step. Multiplying a code by it is exact,
// so every code reaches the LUT as the very value it stands for.
inline constexpr float kCode16Scale = std::bit_cast<float>(0x38000000u);

// Stores a unit-range value as a 16-bit code: value * 32768 + 0.5 in float,
// truncated, with everything not above 0 (NaN included) giving 0 and
// 32768 upward giving 32768. The sum is rounded to float before the
// truncation, so a value a hair below a half code can still round up.
inline uint16_t Code16FromUnit(float value) {
    const float v = value * 32768.0f + 0.5f;
    if (!(v > 0.0f)) {
        return 0;
    }
    if (v >= 32768.0f) {
        return static_cast<uint16_t>(kCode16Max);
    }
    return static_cast<uint16_t>(static_cast<int32_t>(v));
}

}  // namespace kv
