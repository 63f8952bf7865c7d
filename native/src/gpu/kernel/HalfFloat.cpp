#include "gpu/kernel/HalfFloat.h"

#include <bit>

namespace kv::gpu {

float HalfToFloat(std::uint16_t h) {
    const std::uint32_t sign = static_cast<std::uint32_t>(h & 0x8000u) << 16;
    const std::uint32_t exponent = (h >> 10) & 0x1fu;
    std::uint32_t mantissa = h & 0x3ffu;
    if (exponent == 0x1fu) {
        return std::bit_cast<float>(sign | 0x7f800000u | (mantissa << 13));
    }
    if (exponent != 0) {
        return std::bit_cast<float>(sign | ((exponent + 112u) << 23) | (mantissa << 13));
    }
    if (mantissa == 0) {
        return std::bit_cast<float>(sign);
    }
    // Subnormal half: normalise into a float exponent.
    std::uint32_t e = 113u;
    while ((mantissa & 0x400u) == 0) {
        mantissa <<= 1;
        --e;
    }
    return std::bit_cast<float>(sign | (e << 23) | ((mantissa & 0x3ffu) << 13));
}

std::uint16_t FloatToHalfRne(float f) {
    const std::uint32_t x = std::bit_cast<std::uint32_t>(f);
    const auto sign = static_cast<std::uint16_t>((x >> 16) & 0x8000u);
    const std::uint32_t ax = x & 0x7fffffffu;
    if (ax > 0x7f800000u) {
        // NaN stays NaN (quiet), keeping the top payload bits.
        return static_cast<std::uint16_t>(sign | 0x7e00u | ((ax >> 13) & 0x3ffu));
    }
    if (ax >= 0x477ff000u) {
        // 65520 and up (and infinity) round past the largest half, 65504.
        return static_cast<std::uint16_t>(sign | 0x7c00u);
    }
    if (ax >= 0x38800000u) {
        // Normal half: rebias the exponent, round the 13 dropped bits to even.
        // A mantissa carry moves into the exponent, which is the right result.
        std::uint32_t m = ax - 0x38000000u;
        m += 0x0fffu + ((m >> 13) & 1u);
        return static_cast<std::uint16_t>(sign | (m >> 13));
    }
    if (ax <= 0x33000000u) {
        // At most half the smallest subnormal (2^-25): the tie goes to even, 0.
        return sign;
    }
    // Subnormal half: value * 2^24, rounded to nearest even.
    const std::uint32_t e = ax >> 23;
    const std::uint32_t m = (ax & 0x7fffffu) | 0x800000u;
    const std::uint32_t shift = 126u - e;  // 14..24 in this range
    std::uint32_t q = m >> shift;
    const std::uint32_t rest = m & ((1u << shift) - 1u);
    const std::uint32_t halfway = 1u << (shift - 1u);
    if (rest > halfway || (rest == halfway && (q & 1u) != 0)) {
        ++q;
    }
    return static_cast<std::uint16_t>(sign | q);
}

}  // namespace kv::gpu
