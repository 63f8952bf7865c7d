// Picture files of the tools: PAM everywhere, PNG where built with libpng,
// and the depth conversions between pictures and float worlds.

#include <gtest/gtest.h>

#ifdef KV_TEST_HAVE_PNG
#include <png.h>

#include <csetjmp>
#endif

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
        cases.push_back({"big.png", kvtool::test::PromisingPng(8192, 8192, 8),
                         "unreadable PNG picture: Not enough image data"});
        // Its passes fill the whole frame at once: refused before the frame
        // is made, as its few bytes cannot inflate to the rows it claims.
        cases.push_back({"interlaced.png", kvtool::test::PromisingPng(8192, 8192, 16, true),
                         "PNG picture is truncated"});
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

#ifdef KV_TEST_HAVE_PNG
// `image`'s rows (file order) as libpng writes an Adam7-interlaced RGBA PNG,
// unfiltered, at zlib's best compression. Only trivially destructible locals
// live across the setjmp.
bool WriteInterlacedRows(std::FILE* f, png_structp png, png_infop info, const kvtool::Image& image, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 image.bitDepth, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_set_interlace_handling(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

bool WriteInterlacedPng(const std::string& path, const kvtool::Image& image) {
    // Big-endian samples, as the file holds them.
    std::vector<std::vector<png_byte>> bytes(static_cast<std::size_t>(image.height));
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y) {
        std::vector<png_byte>& row = bytes[static_cast<std::size_t>(y)];
        for (int i = 0; i < image.width * 4; ++i) {
            const std::uint16_t v = image.at(0, y)[i];
            if (image.bitDepth == 16) row.push_back(static_cast<png_byte>(v >> 8));
            row.push_back(static_cast<png_byte>(v & 0xFF));
        }
        rows.push_back(row.data());
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool ok = WriteInterlacedRows(f, png, info, image, rows.data());
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 && ok;
}

// libpng's interlaced pictures read back sample for sample, down to the
// flattest data deflate makes (near its 1032:1 limit, which the reader's
// bound on a claimed size must never refuse).
TEST(PictureFiles, InterlacedPngsReadBackWhole) {
    kvtool::Image flat(2048, 2048, 8);
    const kvtool::Image cases[] = {Ramp(8), Ramp(16), kvtool::Image(1, 1, 8), flat};
    for (const kvtool::Image& image : cases) {
        SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height) + "x" +
                     std::to_string(image.bitDepth));
        const std::string path = TempPath("interlaced.png");
        ASSERT_TRUE(WriteInterlacedPng(path, image));
        kvtool::Image back;
        std::string error;
        ASSERT_TRUE(kvtool::ReadImage(path, back, &error)) << error;
        EXPECT_EQ(back.width, image.width);
        EXPECT_EQ(back.height, image.height);
        EXPECT_EQ(back.bitDepth, image.bitDepth);
        EXPECT_TRUE(back.rgba == image.rgba);
        std::remove(path.c_str());
    }
}
#endif

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
