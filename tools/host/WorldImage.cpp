#include "host/WorldImage.h"

#include <cstring>

namespace kvtool {
namespace {

bool IsFloat(const kvsim::FakeWorld& world) { return world.format().depth == kv::ChannelDepth::k32f; }

}  // namespace

std::uint16_t FloatToSample16(float v) {
    if (!(v > 0.0f)) return 0;  // negative and NaN
    if (v >= 1.0f) return 65535;
    return static_cast<std::uint16_t>(v * 65535.0f + 0.5f);
}

void ImageToWorld(const Image& image, kvsim::FakeWorld& world) {
    const Image source = IsFloat(world) ? image : ConvertDepth(image, 8);
    const kv::ChannelTable o = kv::ChannelTableFor(world.format().channelOrder);
    const float scale = 1.0f / static_cast<float>(source.maxValue());
    for (int y = 0; y < source.height && y < world.height(); ++y) {
        unsigned char* row = world.Row(y);
        for (int x = 0; x < source.width && x < world.width(); ++x) {
            const std::uint16_t* s = source.at(x, y);
            const int at[4] = {o.r, o.g, o.b, o.a};
            if (IsFloat(world)) {
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

Image WorldToImage(kvsim::FakeWorld& world) {
    const bool isFloat = IsFloat(world);
    Image image(world.width(), world.height(), isFloat ? 16 : 8);
    const kv::ChannelTable o = kv::ChannelTableFor(world.format().channelOrder);
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
