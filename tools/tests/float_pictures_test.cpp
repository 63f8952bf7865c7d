// Float pictures: the conversions between samples and floats, OpenEXR files
// where the build has OpenEXR, and the type-by-name dispatch that lets a
// batch write under a temporary name.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#include "image/FloatImage.h"
#include "image/PictureFile.h"
#ifdef KV_TEST_HAVE_OPENEXR
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <half.h>

#include "image/ExrFile.h"
#endif

namespace {

namespace fs = std::filesystem;

// A folder of this process's own, removed at exit: other builds of the
// project may run these tests at the same time.
struct ScratchFolder {
    fs::path path;
    ScratchFolder() {
        std::string name = "kv_float_pictures_";
        name += std::to_string(std::random_device{}());
        path = fs::temp_directory_path() / name;
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

std::string TempPath(const std::string& name) {
    static const ScratchFolder folder;
    return (folder.path / name).string();
}

TEST(FloatConversion, EverySixteenAndEightBitSampleSurvivesTheTripThroughFloat) {
    for (int depth : {8, 16}) {
        const int count = depth == 16 ? 65536 : 256;
        kvtool::Image image(count / 4, 1, depth);
        for (int i = 0; i < count; ++i) image.rgba[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i);
        const kvtool::FloatImage floats = kvtool::ToFloatImage(image);
        EXPECT_EQ(floats.rgba.back(), 1.0f);
        EXPECT_EQ(kvtool::ToSampleImage(floats, depth).rgba, image.rgba) << depth;
    }
}

TEST(FloatConversion, OutOfRangeFloatsClampAndNaNGivesZero) {
    kvtool::FloatImage floats(2, 1);
    floats.rgba = {-0.25f, std::nanf(""), 1.5f, std::numeric_limits<float>::infinity(),
                   0.5f,   0.999999f,     0.0f, -std::numeric_limits<float>::infinity()};
    EXPECT_EQ(kvtool::ToSampleImage(floats, 16).rgba,
              (std::vector<std::uint16_t>{0, 0, 65535, 65535, 32768, 65535, 0, 0}));
    EXPECT_EQ(kvtool::ToSampleImage(floats, 8).rgba, (std::vector<std::uint16_t>{0, 0, 255, 255, 128, 255, 0, 0}));
}

TEST(PictureTypes, ComeFromTheExtensionInAnyCase) {
    EXPECT_EQ(kvtool::PictureTypeOf("a/b.PNG"), kvtool::PictureType::Png);
    EXPECT_EQ(kvtool::PictureTypeOf("shot.0001.exr"), kvtool::PictureType::Exr);
    EXPECT_EQ(kvtool::PictureTypeOf("x.Pam"), kvtool::PictureType::Pam);
    EXPECT_EQ(kvtool::PictureTypeOf("dir.png/readme"), kvtool::PictureType::Unknown);
    EXPECT_EQ(kvtool::PictureTypeOf("shot.tif"), kvtool::PictureType::Unknown);
    EXPECT_TRUE(kvtool::PictureTypeBuilt(kvtool::PictureType::Pam));
}

TEST(PictureTypes, AFloatPictureIsWrittenUnderAnyNameAsSixteenBitSamples) {
    kvtool::Picture picture;
    picture.isFloat = true;
    picture.floats = kvtool::FloatImage(1, 1);
    picture.floats.rgba = {0.25f, 2.0f, -1.0f, 1.0f};
    const std::string path = TempPath(".frame.pam.partial");
    std::string error;
    ASSERT_TRUE(kvtool::WritePicture(path, kvtool::PictureType::Pam, picture, &error)) << error;
    const std::string pamPath = TempPath("frame.pam");
    fs::rename(path, pamPath);
    kvtool::Picture back;
    ASSERT_TRUE(kvtool::ReadPicture(pamPath, back, &error)) << error;
    EXPECT_FALSE(back.isFloat);
    EXPECT_EQ(back.samples.bitDepth, 16);
    EXPECT_EQ(back.samples.rgba, (std::vector<std::uint16_t>{16384, 65535, 0, 65535}));
    fs::remove(pamPath);
}

#ifdef KV_TEST_HAVE_OPENEXR

// A float picture with what a float file must keep: values above 1, below 0,
// tiny ones and NaN.
kvtool::FloatImage SceneValues() {
    kvtool::FloatImage image(3, 2);
    const float values[] = {0.0f,  0.18f, 1.0f,  1.0f, 16.5f, -0.03f, 1e-6f, 0.5f, 0.25f, 0.5f,  0.75f, 0.0f,
                            1e30f, 2.0f,  -4.0f, 1.0f, 0.1f,  0.2f,   0.3f,  1.0f, 3.0f,  65504, 0.0f,  0.25f};
    std::copy(std::begin(values), std::end(values), image.rgba.begin());
    image.rgba[2] = std::nanf("");
    return image;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::isnan(a[i]) != std::isnan(b[i]) || (!std::isnan(a[i]) && a[i] != b[i])) return false;
    }
    return true;
}

TEST(ExrFiles, FloatRoundTripKeepsEveryValue) {
    const kvtool::FloatImage image = SceneValues();
    const std::string path = TempPath("scene.exr");
    std::string error;
    ASSERT_TRUE(kvtool::WriteExr(path, image, &error)) << error;
    kvtool::FloatImage back;
    ASSERT_TRUE(kvtool::ReadExr(path, back, &error)) << error;
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_TRUE(SameBits(back.rgba, image.rgba));
    fs::remove(path);
}

// Writes a half-float file with the given channels and data window, the way
// other programs write them.
void WriteHalfExr(const std::string& path, const std::vector<std::string>& channels, Imath::Box2i window,
                  std::vector<half>& pixels) {
    Imf::Header header(Imath::Box2i({0, 0}, {9, 9}), window);
    for (const std::string& c : channels) header.channels().insert(c, Imf::Channel(Imf::HALF));
    const int width = window.max.x - window.min.x + 1;
    const std::size_t n = channels.size();
    pixels.resize(static_cast<std::size_t>(width) * (window.max.y - window.min.y + 1) * n);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = half(static_cast<float>(i % 7) * 0.25f);
    Imf::FrameBuffer frame;
    for (std::size_t c = 0; c < n; ++c) {
        char* origin = reinterpret_cast<char*>(pixels.data() + c) -
                       (static_cast<std::ptrdiff_t>(window.min.x) + static_cast<std::ptrdiff_t>(window.min.y) * width) *
                           static_cast<std::ptrdiff_t>(n * sizeof(half));
        frame.insert(channels[c], Imf::Slice(Imf::HALF, origin, n * sizeof(half), n * sizeof(half) * width));
    }
    Imf::OutputFile file(path.c_str(), header);
    file.setFrameBuffer(frame);
    file.writePixels(window.max.y - window.min.y + 1);
}

TEST(ExrFiles, HalfRgbWithoutAlphaInAnOffsetDataWindowReadsOpaqueAtTheWindowsSize) {
    const std::string path = TempPath("half-rgb.exr");
    std::vector<half> pixels;
    WriteHalfExr(path, {"B", "G", "R"}, Imath::Box2i({3, 4}, {6, 5}), pixels);
    kvtool::FloatImage image;
    std::string error;
    ASSERT_TRUE(kvtool::ReadExr(path, image, &error)) << error;
    ASSERT_EQ(image.width, 4);
    ASSERT_EQ(image.height, 2);
    for (int i = 0; i < 8; ++i) {
        const float* p = image.rgba.data() + 4 * i;
        EXPECT_EQ(p[0], static_cast<float>(pixels[3 * i + 2])) << i;  // written B, G, R per pixel
        EXPECT_EQ(p[1], static_cast<float>(pixels[3 * i + 1])) << i;
        EXPECT_EQ(p[2], static_cast<float>(pixels[3 * i + 0])) << i;
        EXPECT_EQ(p[3], 1.0f) << i;
    }
    fs::remove(path);
}

TEST(ExrFiles, LoneLuminanceReadsAsGrey) {
    const std::string path = TempPath("grey.exr");
    std::vector<half> pixels;
    WriteHalfExr(path, {"Y"}, Imath::Box2i({0, 0}, {2, 0}), pixels);
    kvtool::FloatImage image;
    std::string error;
    ASSERT_TRUE(kvtool::ReadExr(path, image, &error)) << error;
    for (int i = 0; i < 3; ++i) {
        const float y = static_cast<float>(pixels[static_cast<std::size_t>(i)]);
        EXPECT_EQ(image.rgba[4 * i + 0], y);
        EXPECT_EQ(image.rgba[4 * i + 1], y);
        EXPECT_EQ(image.rgba[4 * i + 2], y);
    }
    fs::remove(path);
}

TEST(ExrFiles, MissingTruncatedAndColourlessFilesAreRefusedWithAMessage) {
    kvtool::FloatImage image;
    std::string error;
    EXPECT_FALSE(kvtool::ReadExr(TempPath("nothing-here.exr"), image, &error));
    EXPECT_EQ(error, "cannot open the picture");

    const std::string whole = TempPath("whole.exr");
    ASSERT_TRUE(kvtool::WriteExr(whole, SceneValues(), &error)) << error;
    const std::string cut = TempPath("cut.exr");
    fs::copy_file(whole, cut, fs::copy_options::overwrite_existing);
    fs::resize_file(cut, fs::file_size(whole) / 2);
    EXPECT_FALSE(kvtool::ReadExr(cut, image, &error));
    EXPECT_EQ(error.rfind("unreadable EXR picture: ", 0), 0u) << error;

    std::ofstream(TempPath("text.exr")) << "P7\nnot an EXR file at all\n";
    EXPECT_FALSE(kvtool::ReadExr(TempPath("text.exr"), image, &error));
    EXPECT_EQ(error.rfind("unreadable EXR picture: ", 0), 0u) << error;

    const std::string alphaOnly = TempPath("alpha.exr");
    std::vector<half> pixels;
    WriteHalfExr(alphaOnly, {"A"}, Imath::Box2i({0, 0}, {1, 1}), pixels);
    EXPECT_FALSE(kvtool::ReadExr(alphaOnly, image, &error));
    EXPECT_EQ(error, "EXR picture has neither R, G, B nor Y channels");
    for (const std::string& p : {whole, cut, TempPath("text.exr"), alphaOnly}) fs::remove(p);
}

TEST(ExrFiles, IntegerPicturesBecomeTheirFractionsOfFullScale) {
    kvtool::Picture picture;
    picture.samples = kvtool::Image(1, 1, 16);
    picture.samples.rgba = {0, 32768, 65535, 65535};
    const std::string path = TempPath("from16.exr");
    std::string error;
    ASSERT_TRUE(kvtool::WritePicture(path, kvtool::PictureType::Exr, picture, &error)) << error;
    kvtool::Picture back;
    ASSERT_TRUE(kvtool::ReadPicture(path, back, &error)) << error;
    ASSERT_TRUE(back.isFloat);
    EXPECT_EQ(back.floats.rgba, (std::vector<float>{0.0f, 32768.0f * (1.0f / 65535.0f), 1.0f, 1.0f}));
    fs::remove(path);
}

#else

TEST(ExrFiles, ABuildWithoutOpenExrSaysSo) {
    kvtool::Picture picture;
    std::string error;
    EXPECT_FALSE(kvtool::ReadPicture(TempPath("x.exr"), picture, &error));
    EXPECT_EQ(error, "this build has no OpenEXR support");
}

#endif

}  // namespace
