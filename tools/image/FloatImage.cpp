#include "image/FloatImage.h"

namespace kvtool {

FloatImage ToFloatImage(const Image& image) {
    FloatImage out(image.width, image.height);
    const float scale = 1.0f / static_cast<float>(image.maxValue());
    for (std::size_t i = 0; i < image.rgba.size(); ++i) out.rgba[i] = static_cast<float>(image.rgba[i]) * scale;
    return out;
}

Image ToSampleImage(const FloatImage& image, int bitDepth) {
    Image out(image.width, image.height, bitDepth);
    const float top = static_cast<float>(out.maxValue());
    for (std::size_t i = 0; i < image.rgba.size(); ++i) {
        const float v = image.rgba[i];
        if (!(v > 0.0f)) {
            out.rgba[i] = 0;  // negatives and NaN
        } else if (v >= 1.0f) {
            out.rgba[i] = static_cast<std::uint16_t>(top);
        } else {
            out.rgba[i] = static_cast<std::uint16_t>(v * top + 0.5f);
        }
    }
    return out;
}

}  // namespace kvtool
