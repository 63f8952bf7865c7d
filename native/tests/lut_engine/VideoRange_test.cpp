// Video-range .cube files: read, stored and rendered with their maps, which
// the render folds into the tables.

#include "lut_engine/VideoRange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "TestLuts.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/LutText.h"
#include "lut_engine/ReaderMessages.h"

namespace {

std::string CubeText(const kv::Lut3D& lut, const std::string& keywords) {
    std::string text = keywords;
    char line[128];
    if (lut.shaperSize != 0) {
        std::snprintf(line, sizeof line, "LUT_1D_SIZE %d\nLUT_1D_INPUT_RANGE %.9g %.9g\n", lut.shaperSize,
                      lut.shaperMin[0], lut.shaperMax[0]);
        text += line;
    }
    if (lut.size != 0) {
        std::snprintf(line, sizeof line, "LUT_3D_SIZE %d\nLUT_3D_INPUT_RANGE %.9g %.9g\n", lut.size,
                      lut.domainMin[0], lut.domainMax[0]);
        text += line;
    }
    for (const std::vector<float>* table : {&lut.shaper, &lut.data}) {
        for (size_t i = 0; i < table->size(); i += 3) {
            std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", (*table)[i], (*table)[i + 1], (*table)[i + 2]);
            text += line;
        }
    }
    return text;
}

// The file's meaning, mapped in double around the LUT's own sampling.
void Reference(const kv::Lut3D& raw, uint32_t maps, const float in[3], double out[3]) {
    float mapped[3];
    for (int c = 0; c < 3; ++c) {
        mapped[c] = (maps & kv::kVideoRangeIn) ? static_cast<float>((64.0 + 876.0 * in[c]) / 1023.0) : in[c];
    }
    float sampled[3];
    kv::SampleLut(raw, mapped, sampled);
    for (int c = 0; c < 3; ++c) {
        out[c] = (maps & kv::kVideoRangeOut) ? (1023.0 * sampled[c] - 64.0) / 876.0 : sampled[c];
    }
}

TEST(VideoRange, CubesAreReadStoredAndRenderedWithTheirMaps) {
    kv::Lut3D cube = kvtest::RandomCube(5, 11, -0.05f, 1.05f);
    kv::Lut3D shaper = kvtest::RandomShaperOnly(17, 12);
    kv::Lut3D both = kvtest::RandomCube(5, 13, -0.05f, 1.05f);
    kvtest::AddRandomShaper(both, 9, 14, -0.1f, 1.2f);
    const struct {
        const char* keywords;
        uint32_t maps;
        const char* stored;
    } mapCases[] = {
        {"LUT_IN_VIDEO_RANGE\n", kv::kVideoRangeIn, "KVLUT4 video-in 0 "},
        {"LUT_OUT_VIDEO_RANGE \t\r\n", kv::kVideoRangeOut, "KVLUT4 video-out 0 "},
        {"LUT_OUT_VIDEO_RANGE\nTITLE \"v\"\nLUT_IN_VIDEO_RANGE\n", kv::kVideoRangeIn | kv::kVideoRangeOut,
         "KVLUT4 video-in video-out 0 "},
    };
    const float inputs[] = {-0.1f, 0.0f, 0.0625f, 0.3f, 0.5f, 0.91f, 1.0f, 1.1f};
    for (const kv::Lut3D* tables : {&cube, &shaper, &both}) {
        for (const auto& m : mapCases) {
            SCOPED_TRACE(::testing::Message() << m.keywords << " size " << tables->size << " 1D "
                                              << tables->shaperSize);
            kv::Lut3D read;
            std::string error;
            ASSERT_TRUE(kv::ReadCubeFile(CubeText(*tables, m.keywords), read, &error)) << error;
            EXPECT_EQ(read.videoRange, m.maps);
            EXPECT_FALSE(read.HasCompleteTables()) << "the maps must be folded before a render";

            const std::string text = kv::FormatLutText(read, 0, "");
            EXPECT_TRUE(text.starts_with(m.stored)) << text.substr(0, 40);
            kv::Lut3D held;
            ASSERT_TRUE(kv::ParseLutText(text, held, &error)) << error;
            EXPECT_EQ(held.videoRange, 0u);
            ASSERT_TRUE(held.HasCompleteTables());

            kv::Lut3D raw = read;
            raw.videoRange = 0;
            // Folding moves each range bound and each mapped value by half a
            // float step; through the tables' slopes that is a few steps of
            // the largest value. Ignoring a map is off by up to 6 %.
            double largest = 1.0;
            for (const float v : raw.data) largest = std::max(largest, std::fabs(static_cast<double>(v)));
            for (const float v : raw.shaper) largest = std::max(largest, std::fabs(static_cast<double>(v)));
            const double bound = 64.0 * std::numeric_limits<float>::epsilon() * largest *
                                 std::max(raw.size, std::max(raw.shaperSize, 1));
            for (const float r : inputs) {
                for (const float g : {0.2f, 0.7f}) {
                    const float in[3] = {r, g, 1.0f - r};
                    double expected[3];
                    Reference(raw, m.maps, in, expected);
                    float rendered[3];
                    kv::SampleLut(held, in, rendered);
                    for (int c = 0; c < 3; ++c) {
                        EXPECT_NEAR(rendered[c], expected[c], bound) << "input " << in[0] << " channel " << c;
                    }
                }
            }
        }
    }
}

TEST(VideoRange, RangesThatCannotBeMappedAreRefused) {
    const std::string nodes = "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";
    kv::Lut3D lut;
    std::string error;
    // Finite, but 1023/876 of it is not.
    EXPECT_FALSE(kv::ReadCubeFile("LUT_IN_VIDEO_RANGE\nLUT_3D_INPUT_RANGE -3e38 3e38\n" + nodes, lut, &error));
    EXPECT_EQ(error, kv::messages::kCubeVideoRangeNotFinite);
    // Without the input map the same range reads (its width is the caller's to judge).
    EXPECT_TRUE(kv::ReadCubeFile("LUT_OUT_VIDEO_RANGE\nLUT_3D_INPUT_RANGE -3e38 3e38\n" + nodes, lut, &error));

    // An output map that would leave the float range saturates.
    kv::Lut3D huge = kvtest::RandomCube(2, 5);
    huge.data[0] = std::numeric_limits<float>::max();
    huge.data[1] = -std::numeric_limits<float>::max();
    huge.videoRange = kv::kVideoRangeOut;
    ASSERT_TRUE(kv::FoldVideoRanges(huge));
    EXPECT_EQ(huge.data[0], std::numeric_limits<float>::max());
    EXPECT_EQ(huge.data[1], -std::numeric_limits<float>::max());
}

}  // namespace
