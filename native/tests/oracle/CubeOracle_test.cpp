// OpenColorIO reads the same .cube and .3dl fixtures and applies them with
// its own 1D and tetrahedral interpolation; our readers plus sampler must
// agree with it. Fixtures named "baked_*" were written by ociobakelut (a
// log shaper before a 5-node cube, a 1D table alone, a cube alone, Flame
// and Lustre .3dl); the others by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "FixtureCaseName.h"
#include "OcioFileProcessor.h"
#include "lut_engine/LutFile.h"
#include "lut_engine/LutSampling.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

std::string fixturePath(const char* name) { return std::string(KV_TEST_DATA_DIR) + "/" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CubeOracle : public testing::TestWithParam<const char*> {};

TEST_P(CubeOracle, AgreesWithOpenColorIO) {
    const std::string path = fixturePath(GetParam());
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(kv::ReadLutFile(path, readFile(path), lut, &error)) << error;
    OCIO::ConstCPUProcessorRcPtr processor;
    try {
        processor = kvtest::OcioFileProcessor(path);
    } catch (const OCIO::Exception& e) {
        FAIL() << "OpenColorIO cannot read " << path << ": " << e.what();
    }

    std::mt19937 rng(11);
    float worst = 0.0f;
    std::string worstAt;
    auto check = [&](const float in[3]) {
        float ours[3];
        kv::SampleLut(lut, in, ours);
        float theirs[3] = {in[0], in[1], in[2]};
        processor->applyRGB(theirs);
        for (int c = 0; c < 3; ++c) {
            // Both sides round each step in float; the 1D position and the
            // cube's fractions can differ by an ulp or two, which a steep
            // table carries into its output.
            const float d = std::abs(ours[c] - theirs[c]) / std::max(1.0f, std::abs(theirs[c]));
            if (!(d <= worst)) {
                worst = d;
                std::ostringstream s;
                s << "input (" << in[0] << ", " << in[1] << ", " << in[2] << ") channel " << c << ": ours "
                  << ours[c] << ", OpenColorIO " << theirs[c];
                worstAt = s.str();
            }
        }
    };
    // Inside, around and well outside each channel's domain, plus every node.
    for (int i = 0; i < 20000; ++i) {
        float in[3];
        for (int c = 0; c < 3; ++c) {
            const float lo = lut.shaperSize ? lut.shaperMin[c] : lut.domainMin[c];
            const float hi = lut.shaperSize ? lut.shaperMax[c] : lut.domainMax[c];
            std::uniform_real_distribution<float> wide(lo - 0.5f * (hi - lo), hi + 0.5f * (hi - lo));
            in[c] = i % 4 == 0 ? wide(rng) : std::uniform_real_distribution<float>(lo, hi)(rng);
        }
        check(in);
    }
    const int n = lut.shaperSize ? 0 : lut.size;  // nodes sit where the 1D stage puts them
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const int idx[3] = {r, g, b};
                float in[3];
                for (int c = 0; c < 3; ++c) {
                    in[c] = lut.domainMin[c] + (lut.domainMax[c] - lut.domainMin[c]) * static_cast<float>(idx[c]) /
                                                   static_cast<float>(n - 1);
                }
                check(in);
            }
    // A handful of float roundings on each side (position, fraction, weights,
    // sums): 16 ulps of the larger of the value and 1.
    EXPECT_LE(worst, 16.0f * std::numeric_limits<float>::epsilon()) << "worst at " << worstAt;
    std::printf("%s: worst relative difference %.3g\n", GetParam(), static_cast<double>(worst));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CubeOracle,
                         testing::Values("cube/curve3.cube", "cube/curve3_domain.cube", "cube/noise5.cube",
                                         "cube/curve3_input_range.cube", "cube/baked_resolve_shaper.cube",
                                         "cube/baked_resolve_1d.cube", "cube/baked_iridas.cube",
                                         "cube/domain_1d.cube", "cube/range3d.cube", "3dl/baked_flame.3dl",
                                         "3dl/baked_lustre.3dl", "3dl/uneven_mesh.3dl",
                                         "cube/log_to_linear9.cube"),
                         kvtest::FixtureCaseName);

}  // namespace
