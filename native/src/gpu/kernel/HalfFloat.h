#pragma once
// IEEE 754 binary16 conversions as the GPU does them: half to float is exact,
// float to half rounds to nearest even (OpenCL vstore_half_rte, CUDA
// __float2half_rn), with overflow to infinity and gradual underflow.

#include <cstdint>

namespace kv::gpu {

float HalfToFloat(std::uint16_t h);
std::uint16_t FloatToHalfRne(float f);

}  // namespace kv::gpu
