#include "lut_engine/ThreeDlFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TestLuts.h"
#include "lut_engine/LutFile.h"
#include "lut_engine/ReaderMessages.h"

namespace {

namespace msg = kv::messages;

bool readExact(const std::string& text, kv::Lut3D& lut, std::string* error) {
    const auto block = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), block.get());
    return kv::Read3dlFile(std::string_view(block.get(), text.size()), lut, error);
}

// Eight nodes, blue fastest, 12-bit: node (r, g, b) = (r, g, b) * 4095,
// except (1, 0, 0), which holds (1000, 2000, 3000).
const std::string kNodes =
    "0 0 0\n0 0 4095\n0 4095 0\n0 4095 4095\n1000 2000 3000\n4095 0 4095\n4095 4095 0\n4095 4095 4095\n";
const std::string kGood = "3DMESH\nMesh 2 12\n0 341 682 1023\n" + kNodes + "\nLUT8\ngamma 1.0\n";

TEST(ThreeDlFile, ReadsNodesBlueFastestAsCodesOfTheirDepth) {
    const struct {
        const char* what;
        std::string text;
        float scale;
    } cases[] = {
        {"lustre form, 12-bit", "# c\r\n3DMESH\r\nMesh 2 12\r\n0 341 682 1023\r\n" + kNodes + "LUT8\ngamma 1.0\n", 4095},
        {"flame form without mesh keywords, even mesh of 4", "0 341 682 1023\n" + kNodes, 4095},
        {"no mesh at all, 16-bit", "0 0 0\n0 0 8192\n0 8192 0\n0 8192 8192\n1000 2000 3000\n8192 0 8192\n8192 8192 0\n"
                                   "8192 8192 8192\n", 65535},
        {"a node with a trailing comment is skipped", "0 0 0 # a\n" + kNodes, 4095},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kv::Lut3D lut;
        std::string error;
        ASSERT_TRUE(readExact(c.text, lut, &error)) << error;
        ASSERT_EQ(lut.size, 2);
        EXPECT_EQ(lut.shaperSize, 0);
        ASSERT_TRUE(lut.HasCompleteCube());
        // (1, 0, 0) is the fifth line of the file and the second node of data.
        EXPECT_EQ(kvtest::LutNode(lut, 1, 0, 0)[0], 1000.0f / c.scale);
        EXPECT_EQ(kvtest::LutNode(lut, 1, 0, 0)[2], 3000.0f / c.scale);
        EXPECT_EQ(kvtest::LutNode(lut, 0, 0, 1)[2], lut.data.back());
        EXPECT_EQ(kvtest::LutNode(lut, 0, 1, 0)[1], lut.data.back());
        EXPECT_EQ(lut.data[0], 0.0f);
    }
}

// An uneven mesh is a curve of codes over 0..1 applied first; within two
// codes of even it is dropped.
TEST(ThreeDlFile, UnevenMeshBecomesThe1DStage) {
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(readExact("0 10 50 200 1023\n" + kNodes, lut, &error)) << error;
    ASSERT_EQ(lut.shaperSize, 5);
    ASSERT_EQ(lut.shaper.size(), 15u);
    EXPECT_EQ(lut.shaper[3], 10.0f / 1023.0f);
    EXPECT_EQ(lut.shaper[5], 10.0f / 1023.0f);
    EXPECT_EQ(lut.shaper[14], 1.0f);
    EXPECT_EQ(lut.shaperMin[0], 0.0f);
    EXPECT_EQ(lut.shaperMax[2], 1.0f);
    EXPECT_EQ(lut.size, 2);

    ASSERT_TRUE(readExact("0 10 50 200 4095\n", lut, &error)) << error;
    EXPECT_EQ(lut.shaperSize, 5);
    EXPECT_EQ(lut.size, 0);
    EXPECT_EQ(lut.shaper[3], 10.0f / 4095.0f);

    ASSERT_TRUE(readExact("1 342 681 1022\n" + kNodes, lut, &error)) << error;
    EXPECT_EQ(lut.shaperSize, 0);
}

TEST(ThreeDlFile, RefusesBadFilesWithTheirMessage) {
    const struct {
        std::string text;
        std::string_view message;
    } cases[] = {
        {"", msg::k3dlNoTable},
        {"3DMESH\nMesh 4 12\n", msg::k3dlNoTable},
        {"0 341 682 1023\n", msg::k3dlNoTable},
        {"<?xml version=\"1.0\"?>\n" + kGood, msg::k3dlMarkup},
        {kGood + "0 1\n", msg::k3dlShortLine},
        {"7\n" + kGood, msg::k3dlShortLine},
        {kGood + "0 10 50 1023\n", msg::k3dlTwoMeshes},
        {"0 64 128 1023 " + std::string(4090, ' ') + "\n" + kNodes, msg::k3dlLineTooLong},
        {"0 1 2 3\n" + kNodes, msg::k3dlNotCodes},
        {"0 0 0\n0 0 127\n0 127 0\n0 127 127\n1 2 3\n127 0 127\n127 127 0\n127 127 127\n", msg::k3dlNotCodes},
        {kGood + "0 0 0\n", msg::k3dlNotACube},
        {kNodes.substr(6), msg::k3dlNotACube},
        {"0 1023\n" + kNodes, msg::k3dlShortLine},
        // a float node is a keyword line to the other readers, so one node is missing
        {kNodes.substr(6) + "4095.5 0 0\n", msg::k3dlNotACube},
        // a NUL ends a line early for some readers and not for others
        {"LUT8" + std::string(1, '\0') + "\n" + kGood, msg::kLineWithNul},
        {kGood.substr(0, 4) + std::string(1, '\0') + kGood.substr(4), msg::kLineWithNul},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 50));
        kv::Lut3D lut;
        std::string error;
        EXPECT_FALSE(readExact(c.text, lut, &error));
        EXPECT_EQ(error, c.message);
    }
}

TEST(ThreeDlFile, TheFileNameChoosesTheReader) {
    kv::Lut3D lut;
    std::string error;
    EXPECT_TRUE(kv::ReadLutFile("look.3DL", kGood, lut, &error)) << error;
    EXPECT_FALSE(kv::ReadLutFile("look.cube", kGood, lut, &error));
    EXPECT_EQ(error, msg::kCubeMalformedLine);
}

}  // namespace
