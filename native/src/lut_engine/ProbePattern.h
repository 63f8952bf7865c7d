#pragma once
// The calibration pattern: a grid of flat patches, one per node of an
// n x n x n cube, drawn over a rectangle of the frame with black around it.

#include <cstdint>

#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"

namespace kv {

// Pixel geometry of the pattern on one frame. The area [probeX0, probeX1) x
// [probeY0, probeY1) is never empty and the grid is at least 1 x 1.
struct ProbeGeometry {
    int32_t probeCols = 1;
    int32_t probeRows = 1;
    int32_t probeX0 = 0;
    int32_t probeY0 = 0;
    int32_t probeX1 = 1;
    int32_t probeY1 = 1;
};

// Geometry of `lut`'s pattern on a frame of width x height pixels. Without an
// explicit grid, the grid is chosen for roughly square patches.
ProbeGeometry ProbeGeometryFor(const Lut3D& lut, int32_t width, int32_t height);

// Colour of pixel (x, y) for pattern size n: patch idx shows LUT node
// (idx mod n, (idx / n) mod n, idx / n^2) as R, G, B in 0..1. Pixels outside
// the area and cells past the last patch are black.
void probeColour(int32_t n, const ProbeGeometry& geometry, int32_t x, int32_t y, float rgb[3]);

struct ProbeRowsParams {
    FrameView dst;
    int32_t n = 0;
    ProbeGeometry geometry;
    ChannelTable dstChannels;
};

using ProbeRowsFn = void (*)(const ProbeRowsParams& params, int32_t y0, int32_t y1);

// Draw rows y0 <= y < y1 across the destination's full width, every pixel
// with full alpha. Integer depths store probeColour's floats by their
// depth's rounding rule.
void DrawProbeRows32f(const ProbeRowsParams& params, int32_t y0, int32_t y1);
void DrawProbeRows8(const ProbeRowsParams& params, int32_t y0, int32_t y1);
// 16-bit channels, alpha 32768. Rows may start at any byte.
void DrawProbeRows16(const ProbeRowsParams& params, int32_t y0, int32_t y1);

}  // namespace kv
