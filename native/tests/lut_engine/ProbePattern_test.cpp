#include "lut_engine/ProbePattern.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "SparseFrame.h"
#include "lut_engine/PixelFormat.h"

namespace {

kv::Lut3D patternRequest(int32_t n) {
    kv::Lut3D lut;
    lut.probe = n;
    return lut;
}

std::vector<float> colourAt(int32_t n, const kv::ProbeGeometry& g, int32_t x, int32_t y) {
    float rgb[3] = {-1.0f, -1.0f, -1.0f};
    kv::probeColour(n, g, x, y, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

const std::vector<float> kBlack = {0.0f, 0.0f, 0.0f};
const std::vector<float> kWhite = {1.0f, 1.0f, 1.0f};

TEST(ProbeGeometryFor, ChoosesRoughlySquarePatchesOverTheWholeFrame) {
    const kv::ProbeGeometry two = kv::ProbeGeometryFor(patternRequest(2), 1920, 1080);
    EXPECT_EQ(two.probeCols, 4);
    EXPECT_EQ(two.probeRows, 2);
    EXPECT_EQ(two.probeX0, 0);
    EXPECT_EQ(two.probeY0, 0);
    EXPECT_EQ(two.probeX1, 1920);
    EXPECT_EQ(two.probeY1, 1080);
    EXPECT_EQ(colourAt(2, two, 0, 0), kBlack);
    EXPECT_EQ(colourAt(2, two, 1919, 1079), kWhite);
    EXPECT_EQ(colourAt(2, two, 480, 0), (std::vector<float>{1.0f, 0.0f, 0.0f}));  // patch 1
    EXPECT_EQ(colourAt(2, two, 0, 540), (std::vector<float>{0.0f, 0.0f, 1.0f}));  // patch 4

    const kv::ProbeGeometry big = kv::ProbeGeometryFor(patternRequest(64), 1920, 1080);
    EXPECT_EQ(big.probeCols, 683);
    EXPECT_EQ(big.probeRows, 384);

    const kv::ProbeGeometry seventeen = kv::ProbeGeometryFor(patternRequest(17), 1920, 1080);
    EXPECT_EQ(seventeen.probeCols, 94);
    EXPECT_EQ(seventeen.probeRows, 53);
}

TEST(ProbeGeometryFor, RoundsClampsAndNeverLeavesTheAreaEmpty) {
    kv::Lut3D lut = patternRequest(4);
    lut.areaX0 = 0.25;  // 0.5 of a pixel rounds away from zero
    lut.areaY0 = -3.0;
    lut.areaX1 = 7.0;
    lut.areaY1 = 0.5;
    kv::ProbeGeometry g = kv::ProbeGeometryFor(lut, 2, 10);
    EXPECT_EQ(g.probeX0, 1);
    EXPECT_EQ(g.probeY0, 0);
    EXPECT_EQ(g.probeX1, 2);
    EXPECT_EQ(g.probeY1, 5);

    lut.areaX0 = 0.5;
    lut.areaX1 = 0.5001;
    lut.areaY0 = 1.0;
    lut.areaY1 = 1.0;
    g = kv::ProbeGeometryFor(lut, 1000, 100);
    EXPECT_EQ(g.probeX0, 500);
    EXPECT_EQ(g.probeX1, 501);
    EXPECT_EQ(g.probeY0, 100);
    EXPECT_EQ(g.probeY1, 101);

    lut.probeCols = 5;
    lut.probeRows = 3;
    g = kv::ProbeGeometryFor(lut, 1000, 100);
    EXPECT_EQ(g.probeCols, 5);
    EXPECT_EQ(g.probeRows, 3);
}

// Patches fill the grid row by row with red fastest; cells past n^3 are black.
TEST(ProbeColour, MapsCellsToNodesAndBlacksOutTheRest) {
    kv::ProbeGeometry g = kv::ProbeGeometryFor(patternRequest(17), 1920, 1080);
    const float k = 1.0f / 16.0f;
    EXPECT_EQ(colourAt(17, g, 0, 0), kBlack);
    // Cell (row r, column c) starts at pixel (ceil(c * 1920 / 94), ceil(r * 1080 / 53)).
    auto pixelOfCell = [&](int32_t idx) {
        const int32_t row = idx / 94, col = idx % 94;
        return std::pair<int32_t, int32_t>{(col * 1920 + 93) / 94, (row * 1080 + 52) / 53};
    };
    for (int32_t idx : {1, 17, 289, 1000, 4912}) {
        const auto [x, y] = pixelOfCell(idx);
        EXPECT_EQ(colourAt(17, g, x, y), (std::vector<float>{static_cast<float>(idx % 17) * k,
                                                              static_cast<float>(idx / 17 % 17) * k,
                                                              static_cast<float>(idx / 289) * k}))
            << idx;
    }
    EXPECT_EQ(colourAt(17, g, pixelOfCell(4912).first, pixelOfCell(4912).second), kWhite);
    for (int32_t idx : {4913, 4950, 94 * 53 - 1}) {
        EXPECT_EQ(colourAt(17, g, pixelOfCell(idx).first, pixelOfCell(idx).second), kBlack) << idx;
    }

    g.probeX0 = 10;
    g.probeX1 = 20;
    g.probeY0 = 5;
    g.probeY1 = 6;
    g.probeCols = 10;
    g.probeRows = 1;
    EXPECT_EQ(colourAt(3, g, 9, 5), kBlack);
    EXPECT_EQ(colourAt(3, g, 20, 5), kBlack);
    EXPECT_EQ(colourAt(3, g, 15, 4), kBlack);
    EXPECT_EQ(colourAt(3, g, 15, 6), kBlack);
    EXPECT_EQ(colourAt(3, g, 15, 5), (std::vector<float>{1.0f, 0.5f, 0.0f}));  // patch 5 = (2, 1, 0)
}

// An explicit grid far larger than n^3 must not wrap its cell index back into
// the valid patches.
TEST(ProbeColour, OversizedExplicitGridStaysBlackPastTheLastPatch) {
    kv::ProbeGeometry g;
    g.probeCols = 2147483647;
    g.probeRows = 4;
    g.probeX0 = 0;
    g.probeX1 = 2147483647;
    g.probeY0 = 0;
    g.probeY1 = 4;
    EXPECT_EQ(colourAt(2, g, 7, 0), kWhite);
    EXPECT_EQ(colourAt(2, g, 9, 2), kBlack);  // cell 2^32 + 7 would wrap to patch 7
}

TEST(DrawProbeRows, FillEveryPixelWithFullAlphaInBothDepths) {
    kv::Lut3D lut = patternRequest(3);
    lut.areaX0 = 0.25;
    lut.areaX1 = 0.75;
    lut.probeCols = 27;
    lut.probeRows = 1;
    const int32_t width = 108, height = 3;
    const kv::ProbeGeometry g = kv::ProbeGeometryFor(lut, width, height);
    std::vector<uint8_t> bytes(width * 4 * height, 0xEE);
    std::vector<float> floats(width * 4 * height, -9.0f);
    kv::ProbeRowsParams p;
    p.n = 3;
    p.geometry = g;
    p.dst = kv::FrameView{bytes.data(), width, height, width * 4, kv::kLayoutARGB};
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutARGB);
    kv::ActiveRowOps(kv::kArgb8).drawProbe(p, 0, height);
    p.dst = kv::FrameView{reinterpret_cast<unsigned char*>(floats.data()), width, height, width * 16,
                          kv::kLayoutBGRA};
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutBGRA);
    kv::ActiveRowOps(kv::kBgra32f).drawProbe(p, 1, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* b = &bytes[(y * width + x) * 4];
            const float* f = &floats[(y * width + x) * 4];
            const std::vector<float> c = colourAt(3, g, x, y);
            const auto byteOf = [](float v) { return static_cast<uint8_t>(v * 255.0f + 0.5f); };
            ASSERT_EQ((std::vector<uint8_t>(b, b + 4)),
                      (std::vector<uint8_t>{255, byteOf(c[0]), byteOf(c[1]), byteOf(c[2])}))
                << x << "," << y;
            if (y == 0) {
                ASSERT_EQ((std::vector<float>(f, f + 4)), std::vector<float>(4, -9.0f));
            } else {
                ASSERT_EQ((std::vector<float>(f, f + 4)), (std::vector<float>{c[2], c[1], c[0], 1.0f}))
                    << x << "," << y;
            }
        }
    }
    // Patches are 2 pixels wide from x = 27: pixel 53 is patch 13 = node
    // (1, 1, 1), mid grey.
    EXPECT_EQ(bytes[53 * 4 + 1], 128);
    EXPECT_EQ(floats[(width + 53) * 4], 0.5f);
}

// The 16-bit pattern stores probeColour's floats by the 16-bit rule (value *
// 32768 + 0.5, truncated) with alpha 32768, in the ARGB16 world's order.
// Sizes whose node step is exact in float (3: 0, 0.5, 1) and is not (64).
TEST(DrawProbeRows, SixteenBitPatternIsProbeColourStoredByTheRule) {
    for (const int32_t n : {3, 64}) {
        const int32_t width = 203, height = 37;
        const kv::ProbeGeometry g = kv::ProbeGeometryFor(patternRequest(n), width, height);
        std::vector<uint16_t> words(width * 4 * height + 4, 0xBEEF);  // a sentinel pixel past the end
        kv::ProbeRowsParams p;
        p.n = n;
        p.geometry = g;
        p.dst = kv::FrameView{reinterpret_cast<unsigned char*>(words.data()), width, height, width * 8,
                              kv::kLayoutARGB};
        p.dstChannels = kv::ChannelTableFor(kv::kLayoutARGB);
        kv::ActiveRowOps(kv::kArgb16).drawProbe(p, 0, height);
        const auto codeOf = [](float v) { return static_cast<uint16_t>(v * 32768.0f + 0.5f); };
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const uint16_t* w = &words[(y * width + x) * 4];
                const std::vector<float> c = colourAt(n, g, x, y);
                ASSERT_EQ((std::vector<uint16_t>(w, w + 4)),
                          (std::vector<uint16_t>{32768, codeOf(c[0]), codeOf(c[1]), codeOf(c[2])}))
                    << "n " << n << " pixel " << x << "," << y;
            }
        }
        EXPECT_EQ(words.back(), 0xBEEF);
    }
    // n = 3 puts node (1, 1, 1), mid grey, at patch 13: exactly half scale.
    const kv::ProbeGeometry g = kv::ProbeGeometryFor(patternRequest(3), 27, 1);
    std::vector<uint16_t> row(27 * 4, 0);
    kv::ProbeRowsParams p;
    p.n = 3;
    p.geometry = g;
    p.dst = kv::FrameView{reinterpret_cast<unsigned char*>(row.data()), 27, 1, 27 * 8, kv::kLayoutARGB};
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutARGB);
    kv::ActiveRowOps(kv::kArgb16).drawProbe(p, 0, 1);
    EXPECT_EQ((std::vector<uint16_t>(row.begin() + 13 * 4, row.begin() + 14 * 4)),
              (std::vector<uint16_t>{32768, 16384, 16384, 16384}));
}

// Rows 1 GiB apart: the last row starts past 2^31 bytes.
TEST(DrawProbeRows, ReachRowsPastTwoGigabytes) {
    const int32_t rowBytes = 1 << 30;
    kvtest::SparseFrame frame(3, rowBytes, 32);
    ASSERT_NE(frame.data(), nullptr);
    kv::ProbeRowsParams p;
    p.n = 2;
    p.geometry = kv::ProbeGeometryFor(patternRequest(2), 2, 3);  // 3 x 3 grid: the last row holds patches 6 and 7
    p.dst = kv::FrameView{frame.data(), 2, 3, rowBytes, kv::kLayoutRGBA};
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutRGBA);
    kv::ActiveRowOps(kv::kArgb8).drawProbe(p, 2, 3);
    const unsigned char* row = frame.data() + 2 * static_cast<size_t>(rowBytes);
    EXPECT_EQ((std::vector<uint8_t>(row, row + 8)), (std::vector<uint8_t>{0, 255, 255, 255, 255, 255, 255, 255}));
}

// Rows pixel bytes * width + 1 apart, starting one byte into the buffer: the
// pattern at every depth draws the pixels it draws in aligned rows.
TEST(DrawProbeRows, RowsAtAnyByteGiveTheAlignedPixels) {
    const int32_t width = 13, height = 4;
    const kv::ProbeGeometry g = kv::ProbeGeometryFor(patternRequest(3), width, height);
    for (const kv::PixelFormat* format : kv::AllPixelFormats()) {
        SCOPED_TRACE(format->name);
        const int32_t alignedRow = format->pixelBytes * width;
        const int32_t oddRow = alignedRow + 1;
        std::vector<unsigned char> aligned(static_cast<size_t>(alignedRow) * height, 0xEE);
        std::vector<unsigned char> odd(static_cast<size_t>(oddRow) * height + 1, 0xEE);
        kv::ProbeRowsParams p;
        p.n = 3;
        p.geometry = g;
        p.dstChannels = kv::ChannelTableFor(format->channelOrder);
        p.dst = kv::FrameView{aligned.data(), width, height, alignedRow, format->channelOrder};
        kv::ActiveRowOps(*format).drawProbe(p, 0, height);
        p.dst = kv::FrameView{odd.data() + 1, width, height, oddRow, format->channelOrder};
        kv::ActiveRowOps(*format).drawProbe(p, 0, height);
        for (int32_t y = 0; y < height; ++y) {
            const unsigned char* want = &aligned[static_cast<size_t>(y) * alignedRow];
            const unsigned char* got = &odd[1 + static_cast<size_t>(y) * oddRow];
            EXPECT_EQ(std::vector<unsigned char>(got, got + alignedRow),
                      std::vector<unsigned char>(want, want + alignedRow))
                << "row " << y;
        }
        EXPECT_EQ(odd[0], 0xEE);
    }
}

}  // namespace
