#include "lut_engine/PixelFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "TestLuts.h"

namespace {

// A frame of one row in the format, in 4-byte aligned memory.
struct OneRowFrame {
    OneRowFrame(const kv::PixelFormat& format, int32_t width)
        : words(static_cast<size_t>(width) * format.pixelBytes / 4 + 1, 0),
          view{reinterpret_cast<unsigned char*>(words.data()), width, 1, width * format.pixelBytes,
               format.channelOrder} {}
    const unsigned char* Pixel(const kv::PixelFormat& format, int32_t x) const {
        return view.data + static_cast<size_t>(x) * format.pixelBytes;
    }
    std::vector<uint32_t> words;
    kv::FrameView view;
};

// The pattern of an n-point cube with one patch per pixel, in the format's
// own row operations and channel order, as the render draws it.
OneRowFrame DrawPattern(const kv::PixelFormat& format, int32_t n) {
    OneRowFrame frame(format, n * n * n);
    kv::ProbeRowsParams p;
    p.dst = frame.view;
    p.n = n;
    p.geometry = kv::ProbeGeometry{n * n * n, 1, 0, 0, n * n * n, 1};
    p.dstChannels = kv::ChannelTableFor(format.channelOrder);
    kv::ActiveRowOps(format).drawProbe(p, 0, 1);
    return frame;
}

// Half a code step of the depth (and a hair for the reader's rounding): how
// far a stored value may lie from the value it stores.
double HalfStep(kv::ChannelDepth depth) {
    switch (depth) {
        case kv::ChannelDepth::k8u: return 0.5 / 255.0 + 1e-12;
        case kv::ChannelDepth::k16u: return 0.5 / 32768.0 + 1e-12;
        case kv::ChannelDepth::k32f: return 0.0;
    }
    return 1.0;
}

// Each format, drawn by its row operations and read by its statistics
// reader: alpha, red, green and blue are where the format's name puts them
// (found from a pattern whose patches switch red, green and blue on and off),
// every patch reads back as its colour within half a code, and an identity
// LUT through the format's code scale gives back every byte: a scale off by
// one code step, a reader of the wrong width or a channel table of another
// order fails here.
TEST(PixelFormat, EachFormatWritesAndReadsItsPixelsWhereItsNameSays) {
    for (const kv::PixelFormat* format : kv::AllPixelFormats()) {
        SCOPED_TRACE(format->name);
        EXPECT_EQ(kv::PixelFormatNamed(format->name), format);
        const OneRowFrame switches = DrawPattern(*format, 2);
        const std::string name = format->name;
        for (int32_t position = 0; position < 4; ++position) {
            // Patch x shows red x & 1, green (x >> 1) & 1, blue x >> 2, full alpha.
            std::string found;
            for (const char channel : {'A', 'R', 'G', 'B'}) {
                bool matches = true;
                for (int32_t x = 0; x < 8; ++x) {
                    const int on = channel == 'A'   ? 1
                                   : channel == 'R' ? x & 1
                                   : channel == 'G' ? (x >> 1) & 1
                                                    : x >> 2;
                    matches &= format->readChannel(switches.Pixel(*format, x), position) == on;
                }
                if (matches) found += channel;
            }
            EXPECT_EQ(found, std::string(1, name[position])) << "position " << position;
        }

        const int32_t n = 3;
        OneRowFrame pattern = DrawPattern(*format, n);
        const kv::ChannelTable channels = kv::ChannelTableFor(format->channelOrder);
        for (int32_t x = 0; x < n * n * n; ++x) {
            const float rgb[3] = {(x % n) * 0.5f, (x / n % n) * 0.5f, (x / (n * n)) * 0.5f};
            const int32_t positions[3] = {channels.r, channels.g, channels.b};
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(format->readChannel(pattern.Pixel(*format, x), positions[c]), rgb[c],
                            HalfStep(format->depth))
                    << "patch " << x << " channel " << c;
            }
        }

        const kv::Lut3D identity = kvtest::IdentityCube(n);
        OneRowFrame graded(*format, n * n * n);
        kv::LutRowsParams p;
        p.src = pattern.view;
        p.dst = graded.view;
        p.width = n * n * n;
        p.srcChannels = channels;
        p.scale = format->codeScale;
        p.lut = &identity;
        p.amount = 1.0f;
        p.dstChannels = channels;
        kv::ActiveRowOps(*format).applyLut(p, 0, 1);
        const size_t rowBytes = static_cast<size_t>(p.width) * format->pixelBytes;
        EXPECT_EQ(std::memcmp(graded.view.data, pattern.view.data, rowBytes), 0) << "identity changed a code";
    }
    EXPECT_EQ(kv::PixelFormatNamed("argb16"), nullptr);
}

// The statistics read 16-bit codes as exact multiples of 2^-15 in double,
// from the channel's own two bytes; codes above full scale read above 1.
TEST(PixelFormat, SixteenBitStatisticsReadCodesOverFullScale) {
    const uint16_t pixel[4] = {32768, 1, 16384, 65535};
    unsigned char bytes[16];
    std::memcpy(bytes, pixel, sizeof pixel);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 0), 1.0);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 1), 1.0 / 32768.0);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 2), 0.5);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 3), 65535.0 / 32768.0);

    const float floats[4] = {0.25f, -1.5f, 3.0f, 0.1f};
    std::memcpy(bytes, floats, sizeof floats);
    EXPECT_EQ(kv::kArgb32f.readChannel(bytes, 1), -1.5);
    EXPECT_EQ(kv::kArgb32f.readChannel(bytes, 2), 3.0);
}

}  // namespace
