#include "lut_engine/VideoRange.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kv {

namespace {

double UnmapVideoInput(double v) { return (1023.0 * v - 64.0) / 876.0; }

float MapVideoOutput(float y) {
    const double mapped = (1023.0 * static_cast<double>(y) - 64.0) / 876.0;
    const double largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(mapped, -largest, largest));
}

// The first table's range: the 1D stage's when there is one.
template <class Lut>
auto* FirstMin(Lut& lut) { return lut.shaperSize != 0 ? lut.shaperMin : lut.domainMin; }
template <class Lut>
auto* FirstMax(Lut& lut) { return lut.shaperSize != 0 ? lut.shaperMax : lut.domainMax; }

}  // namespace

bool VideoInputRange(float lo, float hi, float& mappedLo, float& mappedHi) {
    const auto a = static_cast<float>(UnmapVideoInput(lo));
    const auto b = static_cast<float>(UnmapVideoInput(hi));
    // Rounding to float can overflow a bound that was finite in double.
    if (!std::isfinite(a) || !std::isfinite(b) || !(a < b) || !std::isfinite(b - a)) return false;
    mappedLo = a;
    mappedHi = b;
    return true;
}

bool CanFoldVideoRanges(const Lut3D& lut) {
    if ((lut.videoRange & kVideoRangeIn) == 0) return true;
    for (int c = 0; c < 3; ++c) {
        float lo = 0.0f, hi = 0.0f;
        if (!VideoInputRange(FirstMin(lut)[c], FirstMax(lut)[c], lo, hi)) return false;
    }
    return true;
}

bool FoldVideoRanges(Lut3D& lut) {
    if (!CanFoldVideoRanges(lut)) return false;
    if ((lut.videoRange & kVideoRangeIn) != 0) {
        float* lo = FirstMin(lut);
        float* hi = FirstMax(lut);
        for (int c = 0; c < 3; ++c) VideoInputRange(lo[c], hi[c], lo[c], hi[c]);
    }
    if ((lut.videoRange & kVideoRangeOut) != 0) {
        std::vector<float>& last = lut.size != 0 ? lut.data : lut.shaper;
        for (float& v : last) v = MapVideoOutput(v);
    }
    lut.videoRange = 0;
    return true;
}

}  // namespace kv
