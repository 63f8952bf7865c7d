#include "host/WorldImage.h"

#include <cstring>

namespace kvtool {
namespace {

// Byte or float offsets of red, green, blue, alpha within one pixel.
struct Order {
    int r, g, b, a;
};

Order OrderOf(kvtest::PixelLayout layout) {
    return layout == kvtest::PixelLayout::ARGB8 ? Order{1, 2, 3, 0} : Order{2, 1, 0, 3};
}

}  // namespace

std::uint16_t FloatToSample16(float v) {
    if (!(v > 0.0f)) return 0;  // negative and NaN
    if (v >= 1.0f) return 65535;
    return static_cast<std::uint16_t>(v * 65535.0f + 0.5f);
}

void ImageToWorld(const Image& image, kvtest::FakeWorld& world) {
    const Image source = world.layout() == kvtest::PixelLayout::BGRA32f ? image : ConvertDepth(image, 8);
    const Order o = OrderOf(world.layout());
    const float scale = 1.0f / static_cast<float>(source.maxValue());
    for (int y = 0; y < source.height && y < world.height(); ++y) {
        unsigned char* row = world.Row(y);
        for (int x = 0; x < source.width && x < world.width(); ++x) {
            const std::uint16_t* s = source.at(x, y);
            const int at[4] = {o.r, o.g, o.b, o.a};
            if (world.layout() == kvtest::PixelLayout::BGRA32f) {
                for (int c = 0; c < 4; ++c) {
                    const float v = static_cast<float>(s[c]) * scale;
                    std::memcpy(row + static_cast<std::size_t>(x) * 16 + at[c] * 4, &v, 4);
                }
            } else {
                for (int c = 0; c < 4; ++c) row[static_cast<std::size_t>(x) * 4 + at[c]] = static_cast<unsigned char>(s[c]);
            }
        }
    }
}

Image WorldToImage(kvtest::FakeWorld& world) {
    const bool isFloat = world.layout() == kvtest::PixelLayout::BGRA32f;
    Image image(world.width(), world.height(), isFloat ? 16 : 8);
    const Order o = OrderOf(world.layout());
    const int at[4] = {o.r, o.g, o.b, o.a};
    for (int y = 0; y < world.height(); ++y) {
        const unsigned char* row = world.Row(y);
        for (int x = 0; x < world.width(); ++x) {
            std::uint16_t* d = image.at(x, y);
            for (int c = 0; c < 4; ++c) {
                if (isFloat) {
                    float v = 0;
                    std::memcpy(&v, row + static_cast<std::size_t>(x) * 16 + at[c] * 4, 4);
                    d[c] = FloatToSample16(v);
                } else {
                    d[c] = row[static_cast<std::size_t>(x) * 4 + at[c]];
                }
            }
        }
    }
    return image;
}

}  // namespace kvtool
