#pragma once
// The two pixel jobs of the CPU render. Each binds its frames and settings
// once, picks the format's row operation at the active level, then runs it
// over bands of rows through the splitter and returns when every row is done.

#include <cstdint>

#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/ProbePattern.h"

namespace kv {

// Apply `lut` to the overlap of `in` and `out` (the smaller width and the
// smaller height), both in `format`, and blend by `amount`; output pixels
// outside the overlap are not written. Each frame's channel order is honoured
// separately. The LUT must hold a cube, a 1D stage or both, each complete
// (Lut3D::HasCompleteTables): anything else throws std::invalid_argument
// before a pixel is touched.
void RunLutJob(const PixelFormat& format, const Lut3D& lut, const FrameView& in, const FrameView& out,
               float amount);

// Draw the calibration pattern of size n over the whole of `out`.
void RunPatternJob(const PixelFormat& format, int32_t n, const ProbeGeometry& geometry, const FrameView& out);

}  // namespace kv
