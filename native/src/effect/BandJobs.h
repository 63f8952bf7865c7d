#pragma once
// The four pixel jobs of the CPU render. Each binds its frames and settings
// once, then runs a row operation over bands of rows through the splitter
// and returns when every row is done.

#include <cstdint>

#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"
#include "lut_engine/simd/RowDispatch.h"

namespace kv {

// Apply `lut` to the overlap of `in` and `out` (the smaller width and the
// smaller height) and blend by `amount`; output pixels outside the overlap
// are not written. Each frame's channel order is honoured separately. The
// LUT must hold a cube (size >= 2 with all its data): anything else throws
// std::invalid_argument before a pixel is touched.
void RunLutJob32f(const Lut3D& lut, const FrameView& in, const FrameView& out, float amount);
void RunLutJob8(const Lut3D& lut, const FrameView& in, const FrameView& out, float amount);

// Draw the calibration pattern of size n over the whole of `out`.
void RunPatternJob32f(int32_t n, const ProbeGeometry& geometry, const FrameView& out);
void RunPatternJob8(int32_t n, const ProbeGeometry& geometry, const FrameView& out);

}  // namespace kv
