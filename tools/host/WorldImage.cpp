#include "host/WorldImage.h"

#include <algorithm>
#include <cstring>

#include "lut_engine/Code16Channel.h"

namespace kvtool {
namespace {

// Calls `visit(x, y, channel, bytes)` for red, green, blue and alpha (channel
// 0..3) of every pixel of the world's top-left width x height, with `bytes`
// pointing at that channel in the world whatever its order and depth.
template <typename Visit>
void ForEachChannel(kvsim::FakeWorld& world, int width, int height, Visit visit) {
    const kv::ChannelTable o = kv::ChannelTableFor(world.format().channelOrder);
    const int at[4] = {o.r, o.g, o.b, o.a};
    const std::size_t pixelBytes = static_cast<std::size_t>(world.pixelBytes());
    const std::size_t channelBytes = pixelBytes / 4;
    width = std::min(width, world.width());
    height = std::min(height, world.height());
    for (int y = 0; y < height; ++y) {
        unsigned char* row = world.Row(y);
        for (int x = 0; x < width; ++x) {
            unsigned char* pixel = row + static_cast<std::size_t>(x) * pixelBytes;
            for (int c = 0; c < 4; ++c) visit(x, y, c, pixel + static_cast<std::size_t>(at[c]) * channelBytes);
        }
    }
}

void StoreCode16(unsigned char* channel, std::uint16_t code) { std::memcpy(channel, &code, 2); }
void StoreFloat(unsigned char* channel, float value) { std::memcpy(channel, &value, 4); }

std::uint16_t LoadCode16(const unsigned char* channel) {
    std::uint16_t code = 0;
    std::memcpy(&code, channel, 2);
    return code;
}

float LoadFloat(const unsigned char* channel) {
    float value = 0;
    std::memcpy(&value, channel, 4);
    return value;
}

}  // namespace

std::uint16_t CodeFromSample16(std::uint16_t sample) {
    // 65535 is odd, so sample * 32768 / 65535 never lands on a half.
    return static_cast<std::uint16_t>((static_cast<std::uint32_t>(sample) * 32768u + 32767u) / 65535u);
}

std::uint16_t Sample16FromCode(std::uint16_t code) {
    if (code >= kv::kCode16Max) return 65535;
    // Halves round up: code 16384 is 32767.5 and gives 32768, which maps back to 16384.
    return static_cast<std::uint16_t>((static_cast<std::uint32_t>(code) * 65535u + 16384u) / 32768u);
}

std::uint16_t FloatToSample16(float v) {
    if (!(v > 0.0f)) return 0;  // negative and NaN
    if (v >= 1.0f) return 65535;
    return static_cast<std::uint16_t>(v * 65535.0f + 0.5f);
}

void ImageToWorld(const Image& image, kvsim::FakeWorld& world) {
    switch (world.format().depth) {
        case kv::ChannelDepth::k8u: {
            const Image bytes = ConvertDepth(image, 8);
            ForEachChannel(world, bytes.width, bytes.height, [&](int x, int y, int c, unsigned char* channel) {
                *channel = static_cast<unsigned char>(bytes.at(x, y)[c]);
            });
            break;
        }
        case kv::ChannelDepth::k16u: {
            const Image wide = ConvertDepth(image, 16);
            ForEachChannel(world, wide.width, wide.height, [&](int x, int y, int c, unsigned char* channel) {
                StoreCode16(channel, CodeFromSample16(wide.at(x, y)[c]));
            });
            break;
        }
        case kv::ChannelDepth::k32f: {
            const float scale = 1.0f / static_cast<float>(image.maxValue());
            ForEachChannel(world, image.width, image.height, [&](int x, int y, int c, unsigned char* channel) {
                StoreFloat(channel, static_cast<float>(image.at(x, y)[c]) * scale);
            });
            break;
        }
    }
}

Image WorldToImage(kvsim::FakeWorld& world) {
    const kv::ChannelDepth depth = world.format().depth;
    Image image(world.width(), world.height(), depth == kv::ChannelDepth::k8u ? 8 : 16);
    ForEachChannel(world, image.width, image.height, [&](int x, int y, int c, unsigned char* channel) {
        std::uint16_t& sample = image.at(x, y)[c];
        switch (depth) {
            case kv::ChannelDepth::k8u:
                sample = *channel;
                break;
            case kv::ChannelDepth::k16u:
                sample = Sample16FromCode(LoadCode16(channel));
                break;
            case kv::ChannelDepth::k32f:
                sample = FloatToSample16(LoadFloat(channel));
                break;
        }
    });
    return image;
}

void PictureToWorld(const Picture& picture, kvsim::FakeWorld& world) {
    if (!picture.isFloat) {
        ImageToWorld(picture.samples, world);
        return;
    }
    const FloatImage& floats = picture.floats;
    switch (world.format().depth) {
        case kv::ChannelDepth::k8u:
            ImageToWorld(ToSampleImage(floats, 8), world);
            break;
        case kv::ChannelDepth::k16u:
            ForEachChannel(world, floats.width, floats.height, [&](int x, int y, int c, unsigned char* channel) {
                StoreCode16(channel, kv::Code16FromUnit(floats.at(x, y)[c]));
            });
            break;
        case kv::ChannelDepth::k32f:
            ForEachChannel(world, floats.width, floats.height, [&](int x, int y, int c, unsigned char* channel) {
                StoreFloat(channel, floats.at(x, y)[c]);
            });
            break;
    }
}

Picture WorldToPicture(kvsim::FakeWorld& world, PictureType target) {
    const kv::ChannelDepth depth = world.format().depth;
    Picture picture;
    if (depth != kv::ChannelDepth::k32f && target != PictureType::Exr) {
        picture.samples = WorldToImage(world);
        return picture;
    }
    picture.isFloat = true;
    picture.floats = FloatImage(world.width(), world.height());
    ForEachChannel(world, world.width(), world.height(), [&](int x, int y, int c, unsigned char* channel) {
        float& value = picture.floats.at(x, y)[c];
        switch (depth) {
            case kv::ChannelDepth::k8u:
                value = static_cast<float>(*channel) * (1.0f / 255.0f);
                break;
            case kv::ChannelDepth::k16u:
                value = static_cast<float>(LoadCode16(channel)) * kv::kCode16Scale;
                break;
            case kv::ChannelDepth::k32f:
                value = LoadFloat(channel);
                break;
        }
    });
    return picture;
}

}  // namespace kvtool
