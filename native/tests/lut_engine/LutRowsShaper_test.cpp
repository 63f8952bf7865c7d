// LUTs with a 1D stage through every pixel format's row operation at the
// active level: the curve is applied per channel over its own range, the
// cube (if any) samples the shaped values, and "Amount" blends the result
// with the unshaped input.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "TestLuts.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/PixelFormat.h"

namespace {

using kvtest::BitsOf;

// Five entries per curve, each channel over its own range (R 0..1, G -1..3,
// B 0..0.5), with values whose interpolations are exact in float.
void addDyadicShaper(kv::Lut3D& lut) {
    lut.shaperSize = 5;
    const float lo[3] = {0.0f, -1.0f, 0.0f};
    const float hi[3] = {1.0f, 3.0f, 0.5f};
    for (int c = 0; c < 3; ++c) {
        lut.shaperMin[c] = lo[c];
        lut.shaperMax[c] = hi[c];
    }
    lut.shaper = {0.0f,  1.0f,  0.0f,  0.5f, 0.75f, 0.25f, 0.625f, 0.5f,
                  0.25f, 0.75f, 0.25f, 0.5f, 1.0f,  0.0f,  0.75f};
}

// A 2-node cube whose output R, G, B is its input G, B, R.
void addRotatingCube(kv::Lut3D& lut) {
    lut.size = 2;
    lut.data.assign(24, 0.0f);
    for (int32_t b = 0; b < 2; ++b)
        for (int32_t g = 0; g < 2; ++g)
            for (int32_t r = 0; r < 2; ++r) {
                float* v = kvtest::LutNode(lut, r, g, b);
                v[0] = static_cast<float>(g);
                v[1] = static_cast<float>(b);
                v[2] = static_cast<float>(r);
            }
}

// One pixel's R, G, B as the depth stores them: float values, or codes.
struct Channels {
    float value[3];
};

void writePixel(const kv::PixelFormat& f, unsigned char* px, const Channels& in, float alpha) {
    const kv::ChannelTable t = kv::ChannelTableFor(f.channelOrder);
    const int32_t at[4] = {t.r, t.g, t.b, t.a};
    for (int c = 0; c < 4; ++c) {
        const float v = c < 3 ? in.value[c] : alpha;
        if (f.depth == kv::ChannelDepth::k32f) kv::StoreChannel(px, at[c], v);
        if (f.depth == kv::ChannelDepth::k16u) kv::StoreChannel(px, at[c], static_cast<uint16_t>(v));
        if (f.depth == kv::ChannelDepth::k8u) px[at[c]] = static_cast<unsigned char>(v);
    }
}

float readChannel(const kv::PixelFormat& f, const unsigned char* px, int32_t position) {
    if (f.depth == kv::ChannelDepth::k32f) return kv::LoadChannel<float>(px, position);
    if (f.depth == kv::ChannelDepth::k16u) return kv::LoadChannel<uint16_t>(px, position);
    return px[position];
}

// The inputs are the same colour at float and 16-bit depth (0.375, 0,
// 0.3125: shaped 0.5625, 0.75, 0.375) and 0, 0, 1 in bytes (shaped 0, 0.75,
// 0.75). Blending at 0.5 with the shaped value instead of the input, or
// sampling the cube at the input, gives other results in every case.
TEST(ApplyLutRows, ShapeThenSampleAndBlendWithTheUnshapedInput) {
    struct Case {
        const char* name;
        bool withCube;
        kv::ChannelDepth depth;
        Channels in;
        Channels want;
    };
    const Case cases[] = {
        {"1D only", false, kv::ChannelDepth::k32f, {{0.375f, 0.0f, 0.3125f}}, {{0.46875f, 0.375f, 0.34375f}}},
        {"1D only", false, kv::ChannelDepth::k16u, {{12288, 0, 10240}}, {{15360, 12288, 11264}}},
        {"1D only", false, kv::ChannelDepth::k8u, {{0, 0, 255}}, {{0, 96, 223}}},
        {"1D + cube", true, kv::ChannelDepth::k32f, {{0.375f, 0.0f, 0.3125f}}, {{0.5625f, 0.1875f, 0.4375f}}},
        {"1D + cube", true, kv::ChannelDepth::k16u, {{12288, 0, 10240}}, {{18432, 6144, 14336}}},
        {"1D + cube", true, kv::ChannelDepth::k8u, {{0, 0, 255}}, {{96, 96, 128}}},
    };
    for (const Case& c : cases) {
        kv::Lut3D lut;
        addDyadicShaper(lut);
        if (c.withCube) addRotatingCube(lut);
        for (const kv::PixelFormat* format : kv::AllPixelFormats()) {
            if (format->depth != c.depth) continue;
            SCOPED_TRACE(::testing::Message() << c.name << ", " << format->name);
            std::vector<unsigned char> src(format->pixelBytes);
            std::vector<unsigned char> dst(format->pixelBytes, 0xEE);
            writePixel(*format, src.data(), c.in, 7.0f);
            kv::LutRowsParams p;
            p.src = kv::FrameView{src.data(), 1, 1, format->pixelBytes, format->channelOrder};
            p.dst = kv::FrameView{dst.data(), 1, 1, format->pixelBytes, format->channelOrder};
            p.width = 1;
            p.srcChannels = p.dstChannels = kv::ChannelTableFor(format->channelOrder);
            p.scale = format->codeScale;
            p.lut = &lut;
            p.amount = 0.5f;
            kv::ActiveRowOps(*format).applyLut(p, 0, 1);
            const kv::ChannelTable t = p.dstChannels;
            const int32_t at[3] = {t.r, t.g, t.b};
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(BitsOf(readChannel(*format, dst.data(), at[k])), BitsOf(c.want.value[k])) << "channel " << k;
            }
            EXPECT_EQ(readChannel(*format, dst.data(), t.a), 7.0f);
        }
    }
}

}  // namespace
