#pragma once
// The project's own test picture: grey and primary ramps, a grid of patches
// (skin-like tones, primaries, secondaries, greys), and a hue and saturation
// sweep. Drawn in floating point and stored at the requested depth.

#include "image/Image.h"

namespace kvtool {

Image MakeSampleChart(int width, int height, int bitDepth);

}  // namespace kvtool
