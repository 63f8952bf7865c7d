// LUT files as "Change LUT" takes them (read by their name, turned into LUT
// text, stored, parsed back by the effect) rendered as whole 8-bit, 16-bit
// and float frames through the compositing host's smart render, against
// OpenColorIO applying the original file and, for LUTs without a 1D stage,
// the LUT as the effect holds it (written out exactly), which leaves the
// sampler no storage error to hide in. Fixtures named "baked_*" were written
// by ociobakelut; the others by hand.
//
// The bound is LutFileOracle.h's, derived per LUT and per output channel;
// the integer frames add half a code, as they round their output to the
// nearest code.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "FixtureCaseName.h"
#include "LutFileOracle.h"
#include "OcioFileProcessor.h"
#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace OCIO = OCIO_NAMESPACE;

namespace {

constexpr int32_t kWidth = 256;
constexpr int32_t kHeight = 48;

class LutFileFrameOracle : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(lut_.Load(GetParam(), error)) << error;
        // Process-list files say (or default) their own 3D interpolation.
        const OCIO::Interpolation interpolation =
            lut_.held.process != nullptr ? OCIO::INTERP_DEFAULT : OCIO::INTERP_TETRAHEDRAL;
        references_.push_back({"the file", kvtest::OcioFileProcessor(lut_.path, interpolation), lut_.model.get()});
        if (lut_.held.shaperSize == 0 && lut_.held.process == nullptr) {
            // A path of its own per fixture: OpenColorIO caches a file's LUT
            // by its path, so a reused path would hand it another fixture.
            std::string name = GetParam();
            std::replace(name.begin(), name.end(), '/', '_');
            const std::filesystem::path cube = std::filesystem::temp_directory_path() /
                                               ("kv-held-" + std::to_string(::getpid()) + "-" + name + ".cube");
            std::ofstream(cube) << kvtest::CubeFileText(lut_.held);
            exact_ = std::make_unique<kvtest::StorageModel>(lut_.held, lut_.held, kvtest::Stored::kExactly);
            references_.push_back({"the held LUT", kvtest::OcioFileProcessor(cube.string()), exact_.get()});
            std::filesystem::remove(cube);
        }
    }

    void Render(kvsim::FakeWorld& in, kvsim::FakeWorld& out) {
        kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
        PF_Handle lut = kvsim::MakeHandle16(lut_.text);
        kvsim::SmartRenderCall call(host, &in, &out, 100.0, lut);
        ASSERT_EQ(call.PreRender(), PF_Err_NONE);
        ASSERT_EQ(call.Render(), PF_Err_NONE);
        kvsim::DisposeHandle(lut);
    }

    // Integer frames: every pixel's codes drawn at random, row 0 a grey ramp;
    // `scale` turns a code into the value the effect reads, and `top` is the
    // largest code (which stands for 1).
    void CheckCodes(const kv::PixelFormat& format, int top, size_t codeBytes) {
        kvsim::FakeWorld in(format, kWidth, kHeight), out(format, kWidth, kHeight);
        std::mt19937 rng(static_cast<uint32_t>(top));
        std::uniform_int_distribution<int> anyCode(0, top);
        auto put = [&](int32_t x, int32_t y, int k, int code) {
            uint8_t* at = in.Row(y) + static_cast<size_t>(x) * 4 * codeBytes + k * codeBytes;
            if (codeBytes == 1) *at = static_cast<uint8_t>(code);
            else { const auto c16 = static_cast<uint16_t>(code); std::memcpy(at, &c16, 2); }
        };
        auto get = [&](kvsim::FakeWorld& w, int32_t x, int32_t y, int k) {
            const uint8_t* at = w.Row(y) + static_cast<size_t>(x) * 4 * codeBytes + k * codeBytes;
            if (codeBytes == 1) return static_cast<int>(*at);
            uint16_t c16;
            std::memcpy(&c16, at, 2);
            return static_cast<int>(c16);
        };
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x)
                for (int k = 0; k < 4; ++k) put(x, y, k, y == 0 && k > 0 ? x * top / (kWidth - 1) : anyCode(rng));
        Render(in, out);
        const float scale = 1.0f / static_cast<float>(top);  // exact for 32768; for 255 what the rows use
        for (const Reference& reference : references_) {
            double worst = 0.0;
            for (int32_t y = 0; y < kHeight; ++y)
                for (int32_t x = 0; x < kWidth; ++x) {
                    ASSERT_EQ(get(out, x, y, 0), get(in, x, y, 0)) << "alpha at " << x << "," << y;
                    float rgb[3];
                    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<float>(get(in, x, y, c + 1)) * scale;
                    const kvtest::StorageBound bound = reference.model->At(rgb);
                    reference.processor->applyRGB(rgb);
                    for (int c = 0; c < 3; ++c) {
                        const double expected = std::clamp(static_cast<double>(rgb[c]), 0.0, 1.0);
                        const double off = std::abs(get(out, x, y, c + 1) / static_cast<double>(top) - expected);
                        // Clamping to 0..1 before rounding only shortens the distance.
                        const double allowed = bound.channel[c] + lut_.EvaluationBound(rgb[c]) + 0.5 / top;
                        worst = std::max(worst, off / allowed);
                    }
                }
            EXPECT_LE(worst, 1.0) << "share of the bound used against " << reference.what;
            std::printf("%s %d-code frame against %s: %.3f of the bound\n", GetParam(), top, reference.what, worst);
        }
    }

    // What a render is compared with, and how far it may lie from it.
    struct Reference {
        const char* what;
        OCIO::ConstCPUProcessorRcPtr processor;
        const kvtest::StorageModel* model;
    };

    kvtest::OracleLut lut_;
    std::unique_ptr<kvtest::StorageModel> exact_;
    std::vector<Reference> references_;
};

TEST_P(LutFileFrameOracle, EightBitFrames) { CheckCodes(kv::kArgb8, 255, 1); }

TEST_P(LutFileFrameOracle, SixteenBitFrames) { CheckCodes(kv::kArgb16, 32768, 2); }

// Float frames reach past the first table's input range on both sides, where
// both clamp to its ends.
TEST_P(LutFileFrameOracle, FloatFramesUnclamped) {
    kvsim::FakeWorld in(kv::kArgb32f, kWidth, kHeight), out(kv::kArgb32f, kWidth, kHeight);
    std::mt19937 rng(32);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            float px[4];
            for (int c = 0; c < 3; ++c) {
                const float lo = lut_.file.shaperSize ? lut_.file.shaperMin[c] : lut_.file.domainMin[c];
                const float hi = lut_.file.shaperSize ? lut_.file.shaperMax[c] : lut_.file.domainMax[c];
                px[c] = std::uniform_real_distribution<float>(lo - 0.25f * (hi - lo), hi + 0.25f * (hi - lo))(rng);
            }
            px[3] = 0.5f;
            in.SetPixel(x, y, px[0], px[1], px[2], px[3]);
        }
    Render(in, out);
    for (const Reference& reference : references_) {
        double worst = 0.0;
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                float before[4], after[4];
                in.GetPixel(x, y, before);
                out.GetPixel(x, y, after);
                ASSERT_EQ(after[3], before[3]) << "alpha at " << x << "," << y;
                float rgb[3] = {before[0], before[1], before[2]};
                const kvtest::StorageBound bound = reference.model->At(rgb);
                reference.processor->applyRGB(rgb);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_FALSE(std::isnan(after[c]) && !std::isnan(rgb[c])) << "NaN where the reference is finite";
                    const double allowed = bound.channel[c] + lut_.EvaluationBound(rgb[c]);
                    worst = std::max(worst, std::abs(after[c] - rgb[c]) / allowed);
                }
            }
        EXPECT_LE(worst, 1.0) << "share of the bound used against " << reference.what;
        std::printf("%s float frame against %s: %.3f of the bound\n", GetParam(), reference.what, worst);
    }
}

// Cubes alone, over 0..1 (one with values outside 0..1) and over other ranges.
INSTANTIATE_TEST_SUITE_P(Cubes, LutFileFrameOracle,
                         testing::Values("cube/curve3.cube", "cube/noise5.cube", "cube/curve3_domain.cube",
                                         "cube/range3d.cube", "cube/baked_iridas.cube", "3dl/baked_flame.3dl",
                                         "3dl/baked_lustre.3dl", "cube/log_to_linear9.cube"),
                         kvtest::FixtureCaseName);

// Process lists: CLF files (written by ociowrite and ociomakeclf, and by
// hand: every node, bit depths, LUT attributes), ASC CDL files and the .spi
// tables.
INSTANTIATE_TEST_SUITE_P(ProcessLists, LutFileFrameOracle,
                         testing::Values("clf/ocio_written.clf", "clf/curve3_made.clf", "clf/domain_1d_made.clf",
                                         "clf/log_exponent.clf", "clf/lut1d_attributes.clf", "clf/matrix_shapes.clf",
                                         "clf/ranges.clf", "clf/bit_depths.clf", "clf/version2.clf",
                                         "clf/xml_features.clf", "cdl/grade.cc", "cdl/grades.ccc",
                                         "cdl/decisions.cdl", "cdl/ocio_written.cdl", "spi/shaper.spi1d",
                                         "spi/rgb.spi1d", "spi/shuffled.spi3d"),
                         kvtest::FixtureCaseName);

// A shaper before a cube, a 1D table alone (in both .cube forms) and a
// .3dl mesh that becomes a shaper.
INSTANTIATE_TEST_SUITE_P(OneDStages, LutFileFrameOracle,
                         testing::Values("cube/baked_resolve_shaper.cube", "cube/baked_resolve_1d.cube",
                                         "cube/domain_1d.cube", "3dl/uneven_mesh.3dl"),
                         kvtest::FixtureCaseName);

}  // namespace
