// Picture files of the tools: PAM everywhere, PNG where built with libpng,
// and the depth conversions between pictures and float worlds.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <limits>
#include <fstream>
#include <string>

#include "CraftedPictures.h"
#include "host/WorldImage.h"
#include "image/ImageFile.h"
#include "image/PamFile.h"
#include "image/PictureSize.h"

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("kv_picture_" + name)).string();
}

kvtool::Image Ramp(int depth) {
    kvtool::Image image(5, 3, depth);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) {
        image.rgba[i] = static_cast<std::uint16_t>((i * 4099u + 7u) % (image.maxValue() + 1u));
    }
    return image;
}

void WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PictureFiles, RoundTripKeepsEverySampleAtBothDepthsInEveryBuiltFormat) {
    std::vector<std::string> extensions = {".pam"};
    if (kvtool::PngSupported()) extensions.push_back(".png");
    for (const std::string& ext : extensions) {
        for (int depth : {8, 16}) {
            const kvtool::Image image = Ramp(depth);
            const std::string path = TempPath("roundtrip" + std::to_string(depth) + ext);
            std::string error;
            ASSERT_TRUE(kvtool::WriteImage(path, image, &error)) << ext << ": " << error;
            kvtool::Image back;
            ASSERT_TRUE(kvtool::ReadImage(path, back, &error)) << ext << ": " << error;
            EXPECT_EQ(back.width, 5);
            EXPECT_EQ(back.height, 3);
            EXPECT_EQ(back.bitDepth, depth) << ext;
            EXPECT_EQ(back.rgba, image.rgba) << ext << " " << depth;
            std::remove(path.c_str());
        }
    }
}

TEST(PictureFiles, PamWithoutAlphaReadsOpaque) {
    const std::string path = TempPath("rgb.pam");
    WriteText(path, std::string("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n") + "\x10\x20\x30");
    kvtool::Image image;
    std::string error;
    ASSERT_TRUE(kvtool::ReadPam(path, image, &error)) << error;
    EXPECT_EQ((std::vector<std::uint16_t>{0x10, 0x20, 0x30, 255}), image.rgba);
    std::remove(path.c_str());
}

TEST(PictureFiles, BadPamHeadersAreRefusedWithoutReadingPastTheData) {
    const std::string head = "P7\nWIDTH 2\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\n";
    const struct {
        std::string bytes;
        const char* message;
    } cases[] = {
        {"P6\n", "not a PAM picture (P7)"},
        {head + "TUPLTYPE RGB_ALPHA\n", "PAM header has no ENDHDR"},
        {head + "ENDHDR\n" + std::string(15, 'x'), "PAM picture is truncated"},
        {"P7\nWIDTH 70000\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nENDHDR\n", "PAM picture size out of range"},
        {"P7\nWIDTH 0\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nENDHDR\n", "PAM picture size out of range"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nENDHDR\nxx", "PAM picture is not RGB or RGB_ALPHA"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 1023\nENDHDR\nxxxxxxxx", "PAM MAXVAL must be 255 or 65535"},
        {"P7\nWIDTH 1x\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nENDHDR\nxxxx", "bad PAM header value"},
    };
    const std::string path = TempPath("bad.pam");
    for (const auto& c : cases) {
        WriteText(path, c.bytes);
        kvtool::Image image;
        std::string error;
        EXPECT_FALSE(kvtool::ReadPam(path, image, &error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
    std::remove(path.c_str());
}

TEST(PictureFiles, OneSizeRuleBoundsSidesPixelsAndBytesWithoutOverflow) {
    const struct {
        std::int64_t width, height;
        int channels, bytes;
        bool allowed;
    } cases[] = {
        {8192, 8192, 4, 4, true},       // 64 Mpixel of float RGBA: 1 GiB, the most
        {8193, 8192, 4, 2, false},      // one column more than the pixel bound
        {32768, 2048, 4, 4, true},      // the longest side
        {32769, 1, 4, 1, false},
        {8192, 8192, 5, 4, false},      // within the pixels, beyond the bytes
        {0, 10, 4, 1, false},
        {-5, -5, 4, 1, false},
        {std::int64_t{1} << 40, std::int64_t{1} << 40, 4, 4, false},
        {16, 16, 0, 1, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kvtool::PictureSizeAllowed(c.width, c.height, c.channels, c.bytes), c.allowed)
            << c.width << "x" << c.height << "x" << c.channels << "x" << c.bytes;
    }
}

// Headers that claim far more than the file holds fail with the reader's
// own message, past its signature check.
TEST(PictureFiles, HeadersThatPromiseMoreThanTheFileHoldsAreRefused) {
    struct Case {
        std::string name, bytes, message;
    };
    std::vector<Case> cases = {
        {"huge.pam", kvtool::test::PromisingPam(32768, 32768), "PAM picture size out of range"},
        {"big.pam", kvtool::test::PromisingPam(8192, 8192), "PAM picture is truncated"},
        {"long.pam", "P7\n" + std::string(1 << 20, '#'), "PAM header has no ENDHDR"},
    };
    if (kvtool::PngSupported()) {
        cases.push_back({"huge.png", kvtool::test::PromisingPng(32768, 32768, 16), "PNG picture size out of range"});
        cases.push_back({"big.png", kvtool::test::PromisingPng(8192, 8192, 8), "unreadable PNG picture"});
    }
    for (const Case& c : cases) {
        const std::string path = TempPath(c.name);
        WriteText(path, c.bytes);
        kvtool::Image image;
        std::string error;
        EXPECT_FALSE(kvtool::ReadImage(path, image, &error)) << c.name;
        EXPECT_EQ(error, c.message) << c.name;
        std::remove(path.c_str());
    }
    EXPECT_EQ(kvtool::test::PromisingPng(32768, 32768, 16).size(), 69u);
}

TEST(PictureFiles, UnknownExtensionsAndMissingFilesFailWithAMessage) {
    kvtool::Image image;
    std::string error;
    EXPECT_FALSE(kvtool::ReadImage(TempPath("x.tif"), image, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(kvtool::ReadImage(TempPath("does-not-exist.pam"), image, &error));
    EXPECT_EQ(error, "cannot open the picture");
    if (kvtool::PngSupported()) {
        const std::string path = TempPath("not.png");
        WriteText(path, "P7\nthis is no PNG");
        EXPECT_FALSE(kvtool::ReadImage(path, image, &error));
        EXPECT_EQ(error, "not a PNG picture");
        std::remove(path.c_str());
    }
}

TEST(DepthConversion, EightToSixteenIsExactAndSixteenToEightRoundsToNearest) {
    kvtool::Image eight(1, 1, 8);
    eight.rgba = {0, 1, 128, 255};
    EXPECT_EQ(kvtool::ConvertDepth(eight, 16).rgba, (std::vector<std::uint16_t>{0, 257, 32896, 65535}));
    EXPECT_EQ(kvtool::ConvertDepth(kvtool::ConvertDepth(eight, 16), 8).rgba, eight.rgba);

    kvtool::Image sixteen(1, 1, 16);
    sixteen.rgba = {128, 129, 65406, 65535};  // 128/257 = 0.498 rounds down, 129/257 up
    EXPECT_EQ(kvtool::ConvertDepth(sixteen, 8).rgba, (std::vector<std::uint16_t>{0, 1, 254, 255}));
}

TEST(DepthConversion, FloatSamplesClampAndNaNGivesZero) {
    EXPECT_EQ(kvtool::FloatToSample16(-0.5f), 0);
    EXPECT_EQ(kvtool::FloatToSample16(std::nanf("")), 0);
    EXPECT_EQ(kvtool::FloatToSample16(0.0f), 0);
    EXPECT_EQ(kvtool::FloatToSample16(1.0f), 65535);
    EXPECT_EQ(kvtool::FloatToSample16(7.0f), 65535);
    EXPECT_EQ(kvtool::FloatToSample16(std::numeric_limits<float>::infinity()), 65535);
    // Every 16-bit sample survives the trip through float.
    for (unsigned v = 0; v <= 65535; v += 97) {
        EXPECT_EQ(kvtool::FloatToSample16(static_cast<float>(v) * (1.0f / 65535.0f)), v);
    }
}

}  // namespace
