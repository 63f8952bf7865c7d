#include "lut_engine/LutRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "TestLuts.h"
#include "SparseFrame.h"
#include "lut_engine/ByteChannel.h"
#include "lut_engine/PixelFormat.h"

namespace {

using kvtest::BitsOf;
using kvtest::LutNode;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

kv::FrameView viewOf(void* data, int32_t width, int32_t height, int32_t rowBytes, int32_t order) {
    kv::FrameView v;
    v.data = static_cast<unsigned char*>(data);
    v.width = width;
    v.height = height;
    v.rowBytes = rowBytes;
    v.channelOrder = order;
    return v;
}

kv::LutRowsParams params8(const kv::Lut3D& lut, kv::FrameView src, kv::FrameView dst, float amount) {
    kv::LutRowsParams p;
    p.src = src;
    p.dst = dst;
    p.width = std::min(src.width, dst.width);
    p.srcChannels = kv::ChannelTableFor(src.channelOrder);
    p.scale = kv::kByteScale;
    p.lut = &lut;
    p.amount = amount;
    p.dstChannels = kv::ChannelTableFor(dst.channelOrder);
    return p;
}

kv::LutRowsParams params32f(const kv::Lut3D& lut, kv::FrameView src, kv::FrameView dst, float amount) {
    kv::LutRowsParams p;
    p.src = src;
    p.dst = dst;
    p.width = std::min(src.width, dst.width);
    p.srcChannels = kv::ChannelTableFor(src.channelOrder);
    p.lut = &lut;
    p.amount = amount;
    p.dstChannels = kv::ChannelTableFor(dst.channelOrder);
    return p;
}

kv::Lut3D constantCube(float value) {
    kv::Lut3D lut = kvtest::EmptyCube(2);
    for (float& v : lut.data) v = value;
    return lut;
}

// Node (r, g, b) outputs (g, b, r): a linear map, so interpolation keeps it
// exact and every channel's path through the tables shows in the result.
kv::Lut3D rotatingCube(int32_t n) {
    kv::Lut3D lut = kvtest::IdentityCube(n);
    for (size_t i = 0; i < lut.data.size(); i += 3) {
        const float r = lut.data[i];
        lut.data[i] = lut.data[i + 1];
        lut.data[i + 1] = lut.data[i + 2];
        lut.data[i + 2] = r;
    }
    return lut;
}

// Source and destination orders are independent: ARGB bytes in, BGRA out.
TEST(ApplyLutRows8, ReadsAndWritesEachFramesOwnChannelOrder) {
    const kv::Lut3D lut = rotatingCube(17);
    std::vector<uint8_t> src = {7, 10, 20, 30, 200, 0, 128, 255};  // A R G B, two pixels
    std::vector<uint8_t> dst(8, 0xEE);
    kv::ActiveRowOps(kv::kArgb8).applyLut(params8(lut, viewOf(src.data(), 2, 1, 8, kv::kLayoutARGB),
                              viewOf(dst.data(), 2, 1, 8, kv::kLayoutBGRA), 1.0f),
                      0, 1);
    // out R = in G, out G = in B, out B = in R; B G R A in memory.
    EXPECT_EQ(dst, (std::vector<uint8_t>{10, 30, 20, 7, 0, 255, 128, 200}));
}

TEST(ApplyLutRows32f, ReadsAndWritesEachFramesOwnChannelOrder) {
    const kv::Lut3D lut = rotatingCube(2);
    std::vector<float> src = {0.25f, 0.5f, 0.75f, 0.125f};  // B G R A
    std::vector<float> dst(4, -9.0f);
    kv::ActiveRowOps(kv::kBgra32f).applyLut(params32f(lut, viewOf(src.data(), 1, 1, 16, kv::kLayoutBGRA),
                                  viewOf(dst.data(), 1, 1, 16, kv::kLayoutRGBA), 1.0f),
                        0, 1);
    EXPECT_EQ(dst, (std::vector<float>{0.5f, 0.25f, 0.75f, 0.125f}));
}

// With an input of 0 the blend leaves the LUT value untouched, so each case
// checks only the conversion to a byte.
TEST(ApplyLutRows8, RoundsToBytesAtTheEdges) {
    struct Case {
        float value;
        uint8_t byte;
    };
    const Case cases[] = {
        {1.0f, 255},    {0.999f, 255},   {0.998f, 254}, {-0.1f, 0},  {0.0f, 0},
        {0.0019f, 0},   {0.002f, 1},     {0.5f, 128},   {2.0f, 255}, {kNaN, 0},
        {1e30f, 255},   {-1e30f, 0},     {254.4f / 255.0f, 254},
    };
    for (const Case& c : cases) {
        const kv::Lut3D lut = constantCube(c.value);
        std::vector<uint8_t> src = {0, 0, 0, 77};
        std::vector<uint8_t> dst(4, 0xEE);
        kv::ActiveRowOps(kv::kArgb8).applyLut(params8(lut, viewOf(src.data(), 1, 1, 4, kv::kLayoutRGBA),
                                  viewOf(dst.data(), 1, 1, 4, kv::kLayoutRGBA), 1.0f),
                          0, 1);
        EXPECT_EQ(dst, (std::vector<uint8_t>{c.byte, c.byte, c.byte, 77})) << c.value;
    }
}

TEST(ApplyLutRows32f, BlendsByAmountWithoutClampingAndKeepsNaN) {
    const kv::Lut3D lut = constantCube(2.0f);
    const float nanAlpha = kNaN;
    std::vector<float> src = {0.5f, kNaN, 0.25f, nanAlpha, 0.5f, 0.5f, 0.5f, 0.0f};  // R G B A
    for (float amount : {0.0f, 0.5f, 1.0f}) {
        std::vector<float> dst(8, -9.0f);
        kv::ActiveRowOps(kv::kBgra32f).applyLut(params32f(lut, viewOf(src.data(), 2, 1, 32, 2), viewOf(dst.data(), 2, 1, 32, 2),
                                      amount),
                            0, 1);
        EXPECT_EQ(dst[0], 0.5f + 1.5f * amount);
        EXPECT_TRUE(std::isnan(dst[1]));  // a NaN channel blends to NaN
        EXPECT_EQ(dst[2], 0.25f + 1.75f * amount);
        EXPECT_TRUE(std::isnan(dst[3]));  // alpha copied as is
        EXPECT_EQ(dst[4], 0.5f + 1.5f * amount);
        EXPECT_EQ(dst[7], 0.0f);
    }
}

// Rows outside [y0, y1), columns past the width and the padding at the end
// of each row are never written.
TEST(ApplyLutRows8, WritesOnlyItsRowsAndColumns) {
    const kv::Lut3D lut = constantCube(1.0f);
    const int32_t width = 3, height = 6, rowBytes = 20;
    std::vector<uint8_t> src(rowBytes * height, 0);
    std::vector<uint8_t> dst(rowBytes * height, 0xEE);
    kv::LutRowsParams p = params8(lut, viewOf(src.data(), width, height, rowBytes, 0),
                                   viewOf(dst.data(), width + 1, height, rowBytes, 0), 1.0f);
    kv::ActiveRowOps(kv::kArgb8).applyLut(p, 4, 2);
    kv::ActiveRowOps(kv::kArgb8).applyLut(p, 3, 3);
    EXPECT_EQ(dst, std::vector<uint8_t>(dst.size(), 0xEE));
    kv::ActiveRowOps(kv::kArgb8).applyLut(p, 2, 4);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t i = 0; i < rowBytes; ++i) {
            const bool written = y >= 2 && y < 4 && i < 4 * width;
            const uint8_t want = !written ? 0xEE : (i % 4 == 3 ? 0 : 255);
            ASSERT_EQ(dst[y * rowBytes + i], want) << "row " << y << " byte " << i;
        }
    }
}

// A 2-node cube with inputs ordered r > g > b: the expected value rounds
// every product, sum, blend and byte conversion on its own. Compilers that
// fuse multiply-adds produce different bits for many of these pixels.
TEST(ApplyLutRows, MatchTheSeparatelyRoundedMaths) {
    const kv::Lut3D lut = kvtest::RandomCube(2, 11);
    const float* c[8];
    for (int i = 0; i < 8; ++i) c[i] = &lut.data[3 * i];
    const int32_t count = 4096;
    std::vector<float> srcF(4 * count);
    std::vector<uint8_t> src8(4 * count);
    kvtest::FloatSource rnd(3);
    for (int32_t i = 0; i < count; ++i) {
        uint8_t r = 0, g = 0, b = 0;
        while (!(r > g && g > b)) {
            r = static_cast<uint8_t>(rnd.Next(0.0f, 255.0f));
            g = static_cast<uint8_t>(rnd.Next(0.0f, 255.0f));
            b = static_cast<uint8_t>(rnd.Next(0.0f, 255.0f));
        }
        src8[4 * i] = r, src8[4 * i + 1] = g, src8[4 * i + 2] = b, src8[4 * i + 3] = 9;
        float fr = 0, fg = 0, fb = 0;
        while (!(fr > fg && fg > fb)) {
            fr = rnd.Next(0.0f, 1.0f), fg = rnd.Next(0.0f, 1.0f), fb = rnd.Next(0.0f, 1.0f);
        }
        srcF[4 * i] = fr, srcF[4 * i + 1] = fg, srcF[4 * i + 2] = fb, srcF[4 * i + 3] = 1.0f;
    }
    const float amount = 0.7f;
    std::vector<float> dstF(4 * count);
    std::vector<uint8_t> dst8(4 * count);
    kv::ActiveRowOps(kv::kBgra32f).applyLut(params32f(lut, viewOf(srcF.data(), count, 1, 16 * count, 2),
                                  viewOf(dstF.data(), count, 1, 16 * count, 2), amount),
                        0, 1);
    kv::ActiveRowOps(kv::kArgb8).applyLut(params8(lut, viewOf(src8.data(), count, 1, 4 * count, 2),
                              viewOf(dst8.data(), count, 1, 4 * count, 2), amount),
                      0, 1);

    // Every step stored to a volatile float, so nothing can be fused.
    auto expected = [&](const float in[3], int k) {
        volatile float w0 = 1.0f - in[0], w1 = in[0] - in[1], w2 = in[1] - in[2], w3 = in[2];
        volatile float p3 = w3 * c[7][k], p2 = w2 * c[3][k], p1 = w1 * c[1][k], p0 = w0 * c[0][k];
        volatile float high = p3 + p2, low = p1 + p0;
        volatile float out = high + low;
        volatile float diff = out - in[k];
        volatile float scaled = diff * amount;
        volatile float blended = scaled + in[k];
        return static_cast<float>(blended);
    };
    int mismatches = 0;
    for (int32_t i = 0; i < count; ++i) {
        const float inF[3] = {srcF[4 * i], srcF[4 * i + 1], srcF[4 * i + 2]};
        float in8[3];
        for (int k = 0; k < 3; ++k) {
            volatile float scaled = static_cast<float>(src8[4 * i + k]) * kv::kByteScale;
            in8[k] = scaled;
        }
        for (int k = 0; k < 3; ++k) {
            const float wantF = expected(inF, k);
            volatile float v255 = expected(in8, k) * 255.0f;
            volatile float v = v255 + 0.5f;
            const uint8_t want8 = !(v > 0.0f) ? 0 : (v >= 255.0f ? 255 : static_cast<uint8_t>(v));
            if ((BitsOf(dstF[4 * i + k]) != BitsOf(wantF) || dst8[4 * i + k] != want8) && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel " << i << " channel " << k << ": float " << dstF[4 * i + k] << " vs "
                              << wantF << ", byte " << int(dst8[4 * i + k]) << " vs " << int(want8);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The compositing host's float worlds hold A, R, G, B where the editing
// host's frames hold B, G, R, A: the same pixels in either order give the
// same floats, bit for bit, and each frame keeps its alpha. Width 37 leaves
// a tail after the vector blocks.
TEST(ApplyLutRows32f, ArgbFramesGiveTheBgraResultsReordered) {
    const kv::Lut3D lut = kvtest::RandomCube(33, 21u);
    const int32_t width = 37, height = 3;
    kvtest::FloatSource rnd(8u);
    std::vector<float> bgra(4 * width * height);
    for (float& v : bgra) v = rnd.Next(-0.25f, 1.25f);
    bgra[5] = kNaN;
    std::vector<float> argb(bgra.size());
    for (size_t i = 0; i < bgra.size(); i += 4) {
        argb[i] = bgra[i + 3];
        argb[i + 1] = bgra[i + 2];
        argb[i + 2] = bgra[i + 1];
        argb[i + 3] = bgra[i];
    }
    for (const float amount : {1.0f, 0.6f}) {
        std::vector<float> outBgra(bgra.size(), -9.0f);
        std::vector<float> outArgb(argb.size(), -9.0f);
        kv::ActiveRowOps(kv::kBgra32f)
            .applyLut(params32f(lut, viewOf(bgra.data(), width, height, 16 * width, kv::kLayoutBGRA),
                                viewOf(outBgra.data(), width, height, 16 * width, kv::kLayoutBGRA), amount),
                      0, height);
        kv::ActiveRowOps(kv::kArgb32f)
            .applyLut(params32f(lut, viewOf(argb.data(), width, height, 16 * width, kv::kLayoutARGB),
                                viewOf(outArgb.data(), width, height, 16 * width, kv::kLayoutARGB), amount),
                      0, height);
        for (size_t i = 0; i < outBgra.size(); i += 4) {
            const uint32_t want[4] = {BitsOf(outBgra[i + 3]), BitsOf(outBgra[i + 2]), BitsOf(outBgra[i + 1]),
                                      BitsOf(outBgra[i])};
            const uint32_t got[4] = {BitsOf(outArgb[i]), BitsOf(outArgb[i + 1]), BitsOf(outArgb[i + 2]),
                                     BitsOf(outArgb[i + 3])};
            ASSERT_TRUE(std::equal(want, want + 4, got)) << "pixel " << i / 4 << " amount " << amount;
        }
        EXPECT_EQ(BitsOf(outArgb[0]), BitsOf(argb[0]));  // alpha copied
    }
}

TEST(ByteScale, IsTheFloatNearestOneOver255) {
    EXPECT_EQ(BitsOf(kv::kByteScale), 0x3B808081u);
    EXPECT_EQ(kv::kByteScale, static_cast<float>(1.0 / 255.0));
    EXPECT_EQ(255.0f * kv::kByteScale, 1.0f);
}

// Rows 1 GiB apart: row 2 starts at byte 2^31, where a 32-bit product of
// row and row bytes wraps negative.
TEST(ApplyLutRows, ReachRowsPastTwoGigabytes) {
    const int32_t rowBytes = 1 << 30;
    kvtest::SparseFrame src(3, rowBytes, 16);
    kvtest::SparseFrame dst(3, rowBytes, 16);
    ASSERT_NE(src.data(), nullptr);
    ASSERT_NE(dst.data(), nullptr);
    const kv::Lut3D lut = rotatingCube(2);
    const uint8_t pixel[4] = {1, 51, 102, 153};
    for (int y = 0; y < 3; ++y) std::memcpy(src.data() + static_cast<size_t>(y) * rowBytes, pixel, 4);
    kv::ActiveRowOps(kv::kArgb8).applyLut(params8(lut, viewOf(src.data(), 1, 3, rowBytes, 2), viewOf(dst.data(), 1, 3, rowBytes, 2),
                              1.0f),
                      2, 3);
    const unsigned char* out = dst.data() + 2 * static_cast<size_t>(rowBytes);
    EXPECT_EQ((std::vector<uint8_t>(out, out + 4)), (std::vector<uint8_t>{51, 102, 1, 153}));

    const float pixelF[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    std::memcpy(src.data() + 2 * static_cast<size_t>(rowBytes), pixelF, 16);
    kv::ActiveRowOps(kv::kBgra32f).applyLut(params32f(lut, viewOf(src.data(), 1, 3, rowBytes, 2),
                                  viewOf(dst.data(), 1, 3, rowBytes, 2), 1.0f),
                        2, 3);
    float outF[4];
    std::memcpy(outF, out, 16);
    EXPECT_EQ((std::vector<float>(outF, outF + 4)), (std::vector<float>{0.5f, 0.75f, 0.25f, 1.0f}));
}

// A host's row bytes need not keep rows aligned to the channel size: rows
// pixel bytes * width + 1 apart, the first starting one byte into its
// buffer, give every format the pixels that aligned rows give, with and
// without a 1D stage, in place of the reads and writes through channel
// pointers that misaligned rows made undefined.
TEST(ApplyLutRows, RowsAtAnyByteGiveTheAlignedResults) {
    kv::Lut3D shaped = kvtest::RandomCube(9, 5u);
    kvtest::AddRandomShaper(shaped, 64, 6u);
    const kv::Lut3D luts[] = {kvtest::RandomCube(9, 7u), shaped, kvtest::RandomShaperOnly(16, 8u)};
    const int32_t width = 11, height = 3;
    // Every format, those with channels wider than a byte first.
    for (const kv::PixelFormat* format : {&kv::kArgb16, &kv::kArgb32f, &kv::kBgra32f, &kv::kArgb8, &kv::kBgra8u}) {
        const int32_t alignedRow = format->pixelBytes * width;
        std::vector<unsigned char> aligned(static_cast<size_t>(alignedRow) * height);
        kvtest::FloatSource rnd(static_cast<uint32_t>(format->pixelBytes));
        for (size_t i = 0; i < aligned.size(); i += 4) {
            const float v = rnd.Next(-0.25f, 1.25f);
            if (format->depth == kv::ChannelDepth::k32f) {
                std::memcpy(&aligned[i], &v, 4);
            } else {
                const uint32_t bits = BitsOf(v) * 2654435761u;
                std::memcpy(&aligned[i], &bits, 4);
            }
        }
        const int32_t oddRow = alignedRow + 1;
        std::vector<unsigned char> odd(static_cast<size_t>(oddRow) * height + 1, 0);
        for (int32_t y = 0; y < height; ++y) {
            std::memcpy(&odd[1 + static_cast<size_t>(y) * oddRow], &aligned[static_cast<size_t>(y) * alignedRow],
                        alignedRow);
        }
        for (const kv::Lut3D& lut : luts) {
            SCOPED_TRACE(::testing::Message() << format->name << ", 1D size " << lut.shaperSize << ", cube "
                                              << lut.size);
            std::vector<unsigned char> alignedOut(aligned.size(), 0xEE);
            std::vector<unsigned char> oddOut(odd.size(), 0xEE);
            kv::LutRowsParams p;
            p.width = width;
            p.srcChannels = p.dstChannels = kv::ChannelTableFor(format->channelOrder);
            p.scale = format->codeScale;
            p.lut = &lut;
            p.amount = 0.75f;
            p.src = viewOf(aligned.data(), width, height, alignedRow, format->channelOrder);
            p.dst = viewOf(alignedOut.data(), width, height, alignedRow, format->channelOrder);
            kv::ActiveRowOps(*format).applyLut(p, 0, height);
            p.src = viewOf(odd.data() + 1, width, height, oddRow, format->channelOrder);
            p.dst = viewOf(oddOut.data() + 1, width, height, oddRow, format->channelOrder);
            kv::ActiveRowOps(*format).applyLut(p, 0, height);
            for (int32_t y = 0; y < height; ++y) {
                const unsigned char* want = &alignedOut[static_cast<size_t>(y) * alignedRow];
                const unsigned char* got = &oddOut[1 + static_cast<size_t>(y) * oddRow];
                EXPECT_EQ(std::vector<unsigned char>(got, got + alignedRow),
                          std::vector<unsigned char>(want, want + alignedRow))
                    << "row " << y;
            }
            EXPECT_EQ(oddOut[0], 0xEE);
        }
    }
}

}  // namespace
