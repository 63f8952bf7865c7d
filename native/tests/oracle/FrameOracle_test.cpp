// Whole frames at 16 and 32 bits per channel through the compositing host's
// smart render, against OpenColorIO applying the same LUT to the same input
// values. The effect stores LUTs as LUT text, whose values are quantised, so
// OpenColorIO is given the LUT as the effect holds it after that round trip.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>
#include <string>

#include "FixtureCaseName.h"
#include "OcioFileProcessor.h"
#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace OCIO = OCIO_NAMESPACE;

namespace {

constexpr int32_t kWidth = 256;
constexpr int32_t kHeight = 64;

std::string ReadFixture(const char* name) {
    std::ifstream in(std::string(KV_TEST_DATA_DIR) + "/cube/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The LUT as a .cube file, every value printed so that it reads back exactly.
std::string CubeText(const kv::Lut3D& lut) {
    std::string text = "LUT_3D_SIZE " + std::to_string(lut.size) + "\n";
    char line[96];
    for (size_t i = 0; i < lut.data.size(); i += 3) {
        std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", lut.data[i], lut.data[i + 1], lut.data[i + 2]);
        text += line;
    }
    return text;
}

class FrameOracle : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        kv::Lut3D read;
        ASSERT_TRUE(kv::ReadCubeFile(ReadFixture(GetParam()), read));
        text_ = kv::FormatLutText(read, 0, "oracle");
        kv::Lut3D held;
        ASSERT_TRUE(kv::ParseLutText(text_, held));
        const std::filesystem::path cube = std::filesystem::temp_directory_path() /
                                           ("kv-frame-oracle-" + std::to_string(::getpid()) + "-" + GetParam());
        // A path of its own per fixture: OpenColorIO caches a file's LUT by
        // its path, so a reused path would hand it the previous fixture.
        std::ofstream(cube) << CubeText(held);
        processor_ = kvtest::OcioFileProcessor(cube.string());
        std::filesystem::remove(cube);
    }

    // Renders `in` through smart render with the LUT at full amount.
    void Render(kvsim::FakeWorld& in, kvsim::FakeWorld& out) {
        kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
        PF_Handle lut = kvsim::MakeHandle16(text_);
        kvsim::SmartRenderCall call(host, &in, &out, 100.0, lut);
        ASSERT_EQ(call.PreRender(), PF_Err_NONE);
        ASSERT_EQ(call.Render(), PF_Err_NONE);
        kvsim::DisposeHandle(lut);
    }

    std::string text_;
    OCIO::ConstCPUProcessorRcPtr processor_;
};

TEST_P(FrameOracle, SixteenBitFramesAgreeWithinHalfACode) {
    kvsim::FakeWorld in(kv::kArgb16, kWidth, kHeight);
    std::mt19937 rng(16);
    std::uniform_int_distribution<int> anyCode(0, 32768);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            uint16_t pixel[4];
            for (uint16_t& code : pixel) code = static_cast<uint16_t>(anyCode(rng));
            if (y == 0) pixel[1] = pixel[2] = pixel[3] = static_cast<uint16_t>(x * 32768 / (kWidth - 1));
            std::memcpy(in.Row(y) + static_cast<size_t>(x) * 8, pixel, sizeof pixel);
        }
    }
    kvsim::FakeWorld out(kv::kArgb16, kWidth, kHeight);
    Render(in, out);

    double worst = 0.0;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            uint16_t before[4], after[4];
            std::memcpy(before, in.Row(y) + static_cast<size_t>(x) * 8, sizeof before);
            std::memcpy(after, out.Row(y) + static_cast<size_t>(x) * 8, sizeof after);
            ASSERT_EQ(after[0], before[0]) << "alpha at " << x << "," << y;
            float rgb[3] = {before[1] / 32768.0f, before[2] / 32768.0f, before[3] / 32768.0f};
            processor_->applyRGB(rgb);
            for (int c = 0; c < 3; ++c) {
                const double expected = std::clamp(static_cast<double>(rgb[c]), 0.0, 1.0);
                worst = std::max(worst, std::abs(after[c + 1] / 32768.0 - expected));
            }
        }
    }
    // Half a code of storage plus the sampler's own 1e-5 against OpenColorIO.
    EXPECT_LE(worst, 0.5 / 32768.0 + 1e-5);
}

TEST_P(FrameOracle, FloatFramesAgreeUnclamped) {
    kvsim::FakeWorld in(kv::kArgb32f, kWidth, kHeight);
    std::mt19937 rng(32);
    std::uniform_real_distribution<float> value(-0.25f, 1.25f);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            in.SetPixel(x, y, value(rng), value(rng), value(rng), value(rng));
        }
    }
    kvsim::FakeWorld out(kv::kArgb32f, kWidth, kHeight);
    Render(in, out);

    float worst = 0.0f;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            float before[4], after[4];
            in.GetPixel(x, y, before);
            out.GetPixel(x, y, after);
            ASSERT_EQ(after[3], before[3]) << "alpha at " << x << "," << y;
            float rgb[3] = {before[0], before[1], before[2]};
            processor_->applyRGB(rgb);
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(after[c] - rgb[c]));
        }
    }
    EXPECT_LE(worst, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FrameOracle, testing::Values("curve3.cube", "noise5.cube"),
                         kvtest::FixtureCaseName);

}  // namespace
