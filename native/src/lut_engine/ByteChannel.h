#pragma once
// Conversions between 8-bit channels and the floats the LUT maths works in.

#include <bit>
#include <cstdint>

namespace kv {

// 1/255 rounded to float. Spelled as bits so that every build (and the GPU
// kernels) starts from the same value, whatever the compiler's constant
// folding does with a division.
inline constexpr float kByteScale = std::bit_cast<float>(0x3B808081u);

// Stores a unit-range value as a byte: value * 255 + 0.5 truncated, with
// everything not above 0 (NaN included) giving 0 and 255 upward giving 255.
inline uint8_t ByteFromUnit(float value) {
    const float v = value * 255.0f + 0.5f;
    if (!(v > 0.0f)) {
        return 0;
    }
    if (v >= 255.0f) {
        return 255;
    }
    return static_cast<uint8_t>(static_cast<int32_t>(v));
}

}  // namespace kv
