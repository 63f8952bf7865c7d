#pragma once
// AVX2 builds of the row operations. Each gives the same bits as its
// scalar routine for every input, and falls back to that routine for
// parameters outside what it is built for (channel tables that are not a
// permutation of 0..3, tables too large for 32-bit gather indices, pattern
// geometry the scalar code alone defines).
//
// Call them only when DetectedRowLevel() is RowLevel::kAvx2: on other
// processors they fault.

#include <cstdint>

#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"

namespace kv {

void ApplyLutRows32fAvx2(const LutRowsParams& params, int32_t y0, int32_t y1);
void ApplyLutRows8Avx2(const LutRowsParams& params, int32_t y0, int32_t y1);
void ApplyLutRows16Avx2(const LutRowsParams& params, int32_t y0, int32_t y1);
// Process lists (Lut3D::steps): the step body on eight lanes.
void ApplyProcessRows32fAvx2(const LutRowsParams& params, int32_t y0, int32_t y1);
void ApplyProcessRows8Avx2(const LutRowsParams& params, int32_t y0, int32_t y1);
void ApplyProcessRows16Avx2(const LutRowsParams& params, int32_t y0, int32_t y1);

void DrawProbeRows32fAvx2(const ProbeRowsParams& params, int32_t y0, int32_t y1);
void DrawProbeRows8Avx2(const ProbeRowsParams& params, int32_t y0, int32_t y1);
void DrawProbeRows16Avx2(const ProbeRowsParams& params, int32_t y0, int32_t y1);

}  // namespace kv
