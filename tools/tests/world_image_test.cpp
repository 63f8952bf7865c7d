// Pictures in and out of the host's worlds: the 16-bit sample/code mapping
// and where each channel lands in every world format.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/WorldImage.h"

namespace {

using kvtool::CodeFromSample16;
using kvtool::Sample16FromCode;

TEST(SixteenBitCodes, EveryCodeComesBackFromItsSampleAndEverySampleWithinOne) {
    for (std::uint32_t code = 0; code <= 32768; ++code) {
        const std::uint16_t sample = Sample16FromCode(static_cast<std::uint16_t>(code));
        ASSERT_EQ(sample, std::lround(code * 65535.0 / 32768.0 + 1e-9)) << code;  // halves round up
        ASSERT_EQ(CodeFromSample16(sample), code) << code;
    }
    for (std::uint32_t v = 0; v <= 65535; ++v) {
        const std::uint16_t code = CodeFromSample16(static_cast<std::uint16_t>(v));
        ASSERT_EQ(code, std::lround(v * 32768.0 / 65535.0)) << v;
        ASSERT_LE(std::abs(static_cast<int>(Sample16FromCode(code)) - static_cast<int>(v)), 1) << v;
    }
    EXPECT_EQ(Sample16FromCode(16384), 32768);  // the one half: 32767.5
    // Codes past full scale (which a world can hold) stay at the top.
    EXPECT_EQ(Sample16FromCode(32769), 65535);
    EXPECT_EQ(Sample16FromCode(65535), 65535);
}

// A 2 x 1 picture whose red, green, blue and alpha all differ; at 16 bits
// its samples are those of world codes.
kvtool::Image TwoPixels(int depth) {
    kvtool::Image image(2, 1, depth);
    const std::uint16_t eight[8] = {255, 128, 3, 200, 0, 77, 254, 255};
    for (int i = 0; i < 8; ++i) {
        image.rgba[static_cast<std::size_t>(i)] =
            depth == 16 ? Sample16FromCode(static_cast<std::uint16_t>(eight[i] * 128)) : eight[i];
    }
    return image;
}

// Every format and both picture depths: 8-bit worlds round 16-bit pictures,
// 16-bit and float worlds widen 8-bit ones; integer files get a picture of
// the world's own depth back unchanged.
TEST(WorldPictures, ChannelsLandInTheirPlacesInEveryFormatAtEitherPictureDepth) {
    for (const kv::PixelFormat* format : kv::AllPixelFormats()) {
        const int worldBits = format->depth == kv::ChannelDepth::k8u ? 8 : 16;
        const float tolerance = format->depth == kv::ChannelDepth::k8u    ? 0.5f / 255.0f
                                : format->depth == kv::ChannelDepth::k16u ? 0.5f / 32768.0f
                                                                          : 1e-7f;
        for (int pictureBits : {8, 16}) {
            SCOPED_TRACE(std::string(format->name) + " from " + std::to_string(pictureBits) + " bits");
            const kvtool::Image picture = TwoPixels(pictureBits);
            kvsim::FakeWorld world(*format, 2, 1);
            kvtool::PictureToWorld(kvtool::Picture{false, picture, {}}, world);
            for (int x = 0; x < 2; ++x) {
                float rgba[4];
                world.GetPixel(x, 0, rgba);
                for (int c = 0; c < 4; ++c) {
                    const float expected = static_cast<float>(picture.at(x, 0)[c]) / picture.maxValue();
                    EXPECT_NEAR(rgba[c], expected, tolerance) << x << " " << c;
                }
            }
            if (pictureBits != worldBits) continue;
            const kvtool::Picture back = kvtool::WorldToPicture(world, kvtool::PictureType::Png);
            const kvtool::Image samples = back.isFloat ? kvtool::ToSampleImage(back.floats, 16) : back.samples;
            EXPECT_EQ(samples.bitDepth, picture.bitDepth);
            EXPECT_EQ(samples.rgba, picture.rgba);
        }
    }
}

}  // namespace
