#pragma once
// A picture with float samples: interleaved red, green, blue, alpha, rows top
// to bottom. Values are scene-referred: nothing clamps them to 0..1, so a
// float file keeps its highlights, negatives and NaNs on the way through.

#include <cstddef>
#include <vector>

#include "image/Image.h"

namespace kvtool {

struct FloatImage {
    int width = 0;
    int height = 0;
    std::vector<float> rgba;  // width * height * 4 samples

    FloatImage() = default;
    FloatImage(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4) {}

    float* at(int x, int y) { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
    const float* at(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
};

// Integer samples as fractions of the depth's largest value (exact for 8 and
// 16 bits: every sample comes back from FloatToSamples).
FloatImage ToFloatImage(const Image& image);

// Clamps to 0..1 and rounds to the depth (8 or 16); NaN gives 0.
Image ToSampleImage(const FloatImage& image, int bitDepth);

}  // namespace kvtool
