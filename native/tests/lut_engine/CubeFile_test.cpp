#include "lut_engine/CubeFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "AllocationRecord.h"
#include "LutTextTestText.h"
#include "TestLuts.h"
#include "lut_engine/LutFile.h"
#include "lut_engine/ReaderMessages.h"

namespace {

namespace msg = kv::messages;

// Eight nodes of a size 2 cube, red fastest.
const std::string kNodes2 =
    "0 0 0\n1 0 0\n0 1 0\n1 1 0\n"
    "0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

// Reads from a heap block of exactly the text's length, no terminator.
bool readExact(const std::string& text, kv::Lut3D& lut, std::string* error) {
    const auto block = std::make_unique<char[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), block.get());
    return kv::ReadCubeFile(std::string_view(block.get(), text.size()), lut, error);
}

void expectDomain(const kv::Lut3D& lut, float lo0, float lo1, float lo2, float hi0, float hi1, float hi2) {
    EXPECT_EQ(lut.domainMin[0], lo0);
    EXPECT_EQ(lut.domainMin[1], lo1);
    EXPECT_EQ(lut.domainMin[2], lo2);
    EXPECT_EQ(lut.domainMax[0], hi0);
    EXPECT_EQ(lut.domainMax[1], hi1);
    EXPECT_EQ(lut.domainMax[2], hi2);
}

TEST(CubeFile, ReadsTheIdentityFixture) {
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(readExact(kvtest::readDataFile("cube/identity2.cube"), lut, &error)) << error;
    ASSERT_EQ(lut.size, 2);
    ASSERT_EQ(lut.data.size(), 24u);
    for (int node = 0; node < 8; ++node) {
        EXPECT_EQ(lut.data[3 * node + 0], static_cast<float>(node & 1));
        EXPECT_EQ(lut.data[3 * node + 1], static_cast<float>((node >> 1) & 1));
        EXPECT_EQ(lut.data[3 * node + 2], static_cast<float>((node >> 2) & 1));
    }
    expectDomain(lut, 0, 0, 0, 1, 1, 1);
}

TEST(CubeFile, ReadsDomainLines) {
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(readExact(kvtest::readDataFile("cube/curve3_domain.cube"), lut, &error)) << error;
    EXPECT_EQ(lut.size, 3);
    expectDomain(lut, -0.25f, 0.0f, 0.1f, 1.5f, 2.0f, 0.9f);

    ASSERT_TRUE(readExact(kvtest::readDataFile("cube/curve3_input_range.cube"), lut, &error)) << error;
    expectDomain(lut, -0.5f, -0.5f, -0.5f, 1.25f, 1.25f, 1.25f);

    // A later line of the same keyword overrides an earlier one.
    ASSERT_TRUE(readExact("DOMAIN_MAX 4 4 4\nDOMAIN_MAX 2 3 4\nLUT_3D_SIZE 2\n" + kNodes2, lut, &error));
    expectDomain(lut, 0, 0, 0, 2, 3, 4);
    // A domain of 0..2 is read (the caller decides about it).
    ASSERT_TRUE(readExact("DOMAIN_MIN -1 -1 -1\nDOMAIN_MAX 2 2 2\t\r\nLUT_3D_SIZE 2\n" + kNodes2, lut, &error));
    expectDomain(lut, -1, -1, -1, 2, 2, 2);
    // A 1D range line without a 1D table is taken where it agrees with the 3D range.
    ASSERT_TRUE(readExact("LUT_1D_INPUT_RANGE -1 3\nLUT_3D_INPUT_RANGE -1 3\nLUT_3D_SIZE 2\n" + kNodes2, lut, &error));
    expectDomain(lut, -1, -1, -1, 3, 3, 3);
}

// Each line reads one way and the same LUT as other tools, or the file is
// refused: tools that read the range dialect ignore a 1D range without a 1D
// table, and read a broken domain line, or one of the other dialect, as 0..1.
TEST(CubeFile, RefusesDomainLinesThatToolsReadDifferently) {
    const std::string good = "LUT_3D_SIZE 2\n" + kNodes2;
    const struct {
        std::string text;
        std::string_view message;
    } refused[] = {
        {"LUT_1D_INPUT_RANGE -1 3\n" + good, msg::kCube1DRangeWithoutTable},
        {"LUT_3D_INPUT_RANGE 0 1\nLUT_1D_INPUT_RANGE 0.5 2\n" + good, msg::kCube1DRangeWithoutTable},
        {"LUT_1D_INPUT_RANGE 1 1\n" + good, msg::kCubeBad1DInputRange},
        {"LUT_1D_INPUT_RANGE 3 -1\n" + good, msg::kCubeBad1DInputRange},
        {"LUT_1D_INPUT_RANGE 2\n" + good, msg::kCubeBad1DInputRange},
        {"LUT_3D_INPUT_RANGE -1\n" + good, msg::kCubeBad3DInputRange},
        {"LUT_3D_INPUT_RANGE 0 1 2\n" + good, msg::kCubeBad3DInputRange},
        {"DOMAIN_MIN x\nDOMAIN_MAX 2 2 2\n" + good, msg::kCubeBadDomain},
        {"DOMAIN_MAX 1.5e0,2\t3 junk\n" + good, msg::kCubeBadDomain},
        {"DOMAIN_MAX 2 2 2 # max\n" + good, msg::kCubeBadDomain},
        {"LUT_3D_INPUT_RANGE 0 4\nDOMAIN_MAX 2 3 4\n" + good, msg::kCubeMixedDomainKeywords},
        {"DOMAIN_MAX 2 3 4\nLUT_1D_SIZE 2\nLUT_1D_INPUT_RANGE 0 1\n0 0 0\n1 1 1\n", msg::kCubeMixedDomainKeywords},
        {"LUT_1D_SIZE 2\nDOMAIN_MAX 2 2 2\n0 0 0\n1 1 1\n" + good, msg::kCubeDomainWithTwoTables},
        {"TITLE \"t\"\nLUT_3D_INPUT_RANGE 0 4\n" + good, msg::kCubeKeywordWithRange},
        {good + "LUT_3D_INPUT_RANGE -0.1 1.5\nTITLE x\n", msg::kCubeKeywordWithRange},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.text.substr(0, 40));
        kv::Lut3D lut;
        std::string error;
        EXPECT_FALSE(readExact(c.text, lut, &error));
        EXPECT_EQ(error, c.message);
    }
    // A title beside the unit range, a DOMAIN or a 1D table is just a title.
    kv::Lut3D lut;
    std::string error;
    EXPECT_TRUE(readExact("TITLE \"t\"\nLUT_3D_INPUT_RANGE 0 1\n" + good, lut, &error)) << error;
    EXPECT_TRUE(readExact("TITLE \"t\"\nDOMAIN_MAX 2 2 2\n" + good, lut, &error)) << error;
    EXPECT_TRUE(readExact("TITLE \"t\"\nLUT_1D_SIZE 2\nLUT_1D_INPUT_RANGE 0 4\n0 0 0\n1 1 1\n", lut, &error))
        << error;
}

// The three kinds of table and where each range goes.
TEST(CubeFile, ReadsOneDimensionalTables) {
    const std::string curve = "0 0.1 0.2\n0.5 0.6 0.7\n1 2 3\n";
    const struct {
        const char* what;
        std::string text;
        int size;
        float shaperLo, shaperHi, domainLo, domainHi;
    } cases[] = {
        {"1D alone, ranged", "LUT_1D_SIZE 3\nLUT_1D_INPUT_RANGE -1 3\n" + curve, 0, -1, 3, 0, 1},
        {"1D alone, DOMAIN", "DOMAIN_MIN -2 -2 -2\nDOMAIN_MAX 5 5 5\nLUT_1D_SIZE 3\n" + curve, 0, -2, 5, 0, 1},
        {"1D alone, unused 3D range", "LUT_1D_SIZE 3\nLUT_3D_INPUT_RANGE 0 2\n" + curve, 0, 0, 1, 0, 1},
        {"1D then 3D", "LUT_1D_SIZE 3\nLUT_1D_INPUT_RANGE -0.5 8\nLUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0 3\n" +
                           curve + kNodes2, 2, -0.5f, 8, 0, 3},
        {"3D size between the tables, 1D range default", "LUT_1D_SIZE 3\n" + curve + "LUT_3D_SIZE 2\n" + kNodes2,
         2, 0, 1, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kv::Lut3D lut;
        std::string error;
        ASSERT_TRUE(readExact(c.text, lut, &error)) << error;
        ASSERT_EQ(lut.shaperSize, 3);
        ASSERT_EQ(lut.shaper.size(), 9u);
        EXPECT_EQ(lut.shaper[1], 0.1f);
        EXPECT_EQ(lut.shaper[5], 0.7f);
        EXPECT_EQ(lut.shaper[8], 3.0f);
        EXPECT_EQ(lut.size, c.size);
        EXPECT_TRUE(lut.HasCompleteTables());
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(lut.shaperMin[ch], c.shaperLo);
            EXPECT_EQ(lut.shaperMax[ch], c.shaperHi);
            EXPECT_EQ(lut.domainMin[ch], c.domainLo);
            EXPECT_EQ(lut.domainMax[ch], c.domainHi);
        }
        if (c.size == 2) {
            ASSERT_EQ(lut.data.size(), 24u);
            EXPECT_EQ(lut.data[3], 1.0f);
            EXPECT_EQ(lut.data[4], 0.0f);
        }
    }
}

// A keyword we do not know may change the LUT: the file is refused with its
// name. A NUL byte ends a line early for some readers and not for others:
// refused too, whatever the line.
TEST(CubeFile, RefusesUnknownKeywordsAndNulBytesByName) {
    const std::string good = "LUT_3D_SIZE 2\n" + kNodes2;
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"FOO\n" + good, "unknown keyword FOO"},
        {"LUT_2D_SIZE 4\n" + good, "unknown keyword LUT_2D_SIZE"},
        {good + "LUT_IN_VIDEO_RANGEX\n", "unknown keyword LUT_IN_VIDEO_RANGEX"},
        {"_X 1 2 3\n" + good, "unknown keyword _X"},
        {"FOO\x01" "BAR\xC3\xA9\n" + good, "unknown keyword FOO?BAR??"},
        {"K" + std::string(100, 'A') + "\n" + good, "unknown keyword K" + std::string(63, 'A')},
        {"LUT_IN_VIDEO_RANGE 1\n" + good, std::string(msg::kCubeBadVideoIn)},
        {"LUT_OUT_VIDEO_RANGE x\n" + good, std::string(msg::kCubeBadVideoOut)},
        {"LUT_3D_SIZE 2\n0 0 0" + std::string(1, '\0') + " 9\n" + kNodes2.substr(6), std::string(msg::kLineWithNul)},
        {"# note" + std::string(1, '\0') + "\n" + good, std::string(msg::kLineWithNul)},
        {"TITLE \"a" + std::string(1, '\0') + "b\"\n" + good, std::string(msg::kLineWithNul)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 30));
        kv::Lut3D lut;
        std::string error;
        EXPECT_FALSE(readExact(c.text, lut, &error));
        EXPECT_EQ(error, c.message);
    }
}

// NaN and infinities in a table read as OpenColorIO reads them.
TEST(CubeFile, ReadsNonFiniteTableValuesAsOtherToolsDo) {
    const float largest = std::numeric_limits<float>::max();
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(readExact("LUT_3D_SIZE 2\nnan -nan NAN(12)\ninf -inf infinity\n1e39 -1e39 0.5\n" +
                              kNodes2.substr(18),
                          lut, &error))
        << error;
    const float expected[9] = {0.0f, 0.0f, 0.0f, largest, -largest, largest, largest, -largest, 0.5f};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(kvtest::BitsOf(lut.data[i]), kvtest::BitsOf(expected[i])) << i;
}

// Reading stops once there are more values than the largest LUT it takes.
TEST(CubeFile, StopsAtMoreValuesThanTheLargestLutHolds) {
    const size_t most = (129 * 129 * 129 + 65536) * 3;
    std::string text = "LUT_3D_SIZE 2\n";
    text.reserve(most * 2 + 64);
    for (size_t i = 0; i < most / 3 + 1; ++i) text += "0 0 0\n";
    kv::Lut3D lut;
    std::string error;
    size_t largest = 0;
    {
        const kvtest::LargestAllocation record;
        EXPECT_FALSE(kv::ReadLutFile("huge.cube", text, lut, &error));
        largest = record.bytes();
    }
    EXPECT_EQ(error, msg::kCubeTooManyValues);
    EXPECT_LE(largest, 2 * most * sizeof(float));
    // Up to that count a file is read to the end (its count is then wrong).
    text.resize(text.size() - 6);
    EXPECT_FALSE(kv::ReadLutFile("huge.cube", text, lut, &error));
    EXPECT_EQ(error, msg::kCubeWrongCount);
}

TEST(CubeFile, AcceptsWhatTheFormatAllows) {
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"no final line feed", "LUT_3D_SIZE 2\n" + kNodes2.substr(0, kNodes2.size() - 1)},
        {"data before the size", kNodes2 + "LUT_3D_SIZE 2"},
        {"a later size replaces an earlier one", "LUT_3D_SIZE 3\nLUT_3D_SIZE 2\n" + kNodes2},
        {"a title is metadata", "TITLE x\nLUT_3D_SIZE 2\n" + kNodes2},
        {"indented lines, tabs, extra text after three values",
         "\t \r LUT_3D_SIZE +2\n" + std::string("  0 0 0 extra\n\t1 0 0\r\n0 1 0 #\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n")},
        {"number forms", "LUT_3D_SIZE 2\n" + std::string("+0 -0 0x0\n1e0 0. .0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kv::Lut3D lut;
        std::string error;
        ASSERT_TRUE(readExact(c.text, lut, &error)) << error;
        EXPECT_EQ(lut.size, 2);
        ASSERT_EQ(lut.data.size(), 24u);
        EXPECT_EQ(lut.data[3], 1.0f);
        EXPECT_EQ(lut.data[23], 1.0f);
    }
}

TEST(CubeFile, RefusesBadFilesWithTheirMessage) {
    struct Case {
        std::string text;
        std::string_view message;
    };
    const std::string good = "LUT_3D_SIZE 2\n" + kNodes2;
    const Case cases[] = {
        {"LUT_3D_SIZE 1\n" + kNodes2, msg::kCubeSizeOutOfRange},
        {"LUT_3D_SIZE 257\n", msg::kCubeSizeOutOfRange},
        {"LUT_3D_SIZE\n" + kNodes2, msg::kCubeSizeOutOfRange},
        {"LUT_3D_SIZE x2\n" + kNodes2, msg::kCubeSizeOutOfRange},
        {"LUT_3D_SIZE -2\n" + kNodes2, msg::kCubeSizeOutOfRange},
        {"LUT_3D_SIZE 4294967298\n" + kNodes2, msg::kCubeSizeOutOfRange},
        {"LUT_3D_SIZE 99999999999999999999999\n" + kNodes2, msg::kCubeSizeOutOfRange},
        // 256 itself is accepted: the failure comes from the count.
        {"LUT_3D_SIZE 256\n" + kNodes2, msg::kCubeWrongCount},
        {"LUT_1D_SIZE 1\n" + good, msg::kCube1DSizeOutOfRange},
        {"LUT_1D_SIZE 65537\n" + good, msg::kCube1DSizeOutOfRange},
        {"LUT_1D_SIZE\n" + good, msg::kCube1DSizeOutOfRange},
        {"LUT_1D_SIZE 16\nLUT_3D_SIZE 1\n", msg::kCubeSizeOutOfRange},
        {good + "LUT_1D_SIZE 2\n", msg::kCube1DSizeAfterData},
        {"LUT_1D_SIZE 4\n0 0 0\n1 1 1\n", msg::kCube1DWrongCount},
        {"LUT_1D_SIZE 2\n0 0 0\n1 1 1\n2 2 2\n", msg::kCube1DWrongCount},
        {"LUT_1D_SIZE 2\nLUT_3D_SIZE 2\n0 0 0\n", msg::kCube1DWrongCount},
        // Eight lines would make the 1D table alone; the 3D table then has two nodes.
        {"LUT_1D_SIZE 6\n" + good, msg::kCubeWrongCount},
        {"LUT_3D_SIZE 2\nlut 0 0 0\n" + kNodes2, msg::kCubeMalformedLine},
        {"LUT_3D_SIZE 2\n0 0\n" + kNodes2, msg::kCubeMalformedLine},
        {"LUT_3D_SIZE 2\n0 0 .\n" + kNodes2, msg::kCubeMalformedLine},
        {"LUT_3D_SIZE 2\n0,5 0 0\n" + kNodes2, msg::kCubeMalformedLine},
        {"LUT_3D_SIZE 2\n-\n", msg::kCubeMalformedLine},
        // the first bad line stops reading: a later 1D size is never seen
        {"LUT_3D_SIZE 2\nbad\nLUT_1D_SIZE 1\n", msg::kCubeMalformedLine},
        {kNodes2, msg::kCubeNoSize},
        {"", msg::kCubeNoSize},
        {"# only a comment\n\n", msg::kCubeNoSize},
        {"LUT_3D_SIZE 2\n" + kNodes2 + "1 1 1\n", msg::kCubeWrongCount},
        {"LUT_3D_SIZE 2\n" + kNodes2.substr(6), msg::kCubeWrongCount},
        {"LUT_3D_SIZE 3\n" + kNodes2, msg::kCubeWrongCount},
        {"DOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 0\n" + good, msg::kCubeBadDomain},
        {"DOMAIN_MIN 0 0.5 0\nDOMAIN_MAX 1 0.25 1\n" + good, msg::kCubeBadDomain},
        {"LUT_3D_INPUT_RANGE 1 1\n" + good, msg::kCubeBad3DInputRange},
        {"LUT_3D_INPUT_RANGE 2\n" + good, msg::kCubeBad3DInputRange},
        {"DOMAIN_MAX nan 1 1\n" + good, msg::kCubeBadDomain},
        {"DOMAIN_MIN 0 -nan 0\n" + good, msg::kCubeBadDomain},
        // The count is checked before the domain.
        {"DOMAIN_MAX 1 1 0\nLUT_3D_SIZE 2\n0 0 0\n", msg::kCubeWrongCount},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text \"" + c.text.substr(0, 60) + "\"");
        kv::Lut3D lut;
        std::string error = "previous";
        EXPECT_FALSE(readExact(c.text, lut, &error));
        EXPECT_EQ(error, c.message);
        EXPECT_FALSE(readExact(c.text, lut, nullptr));
    }
}

// A huge size line in a short file must not make the reader ask for room for
// all the values it names (256^3 nodes would be 200 MB): the reserve is held
// to what the text could hold.
TEST(CubeFile, ShortFileWithAHugeSizeReservesLittle) {
    const struct {
        std::string text;
        std::string_view message;
    } cases[] = {
        {"LUT_3D_SIZE 256\n" + kNodes2, msg::kCubeWrongCount},
        {"LUT_3D_SIZE 256\n" + std::string("0.5 0.5 0.5\n") + kNodes2 + kNodes2 + kNodes2, msg::kCubeWrongCount},
        {kNodes2 + "LUT_3D_SIZE 200\n", msg::kCubeWrongCount},
        {"LUT_1D_SIZE 65536\nLUT_3D_SIZE 256\n" + kNodes2, msg::kCube1DWrongCount},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text.substr(0, 16));
        kv::Lut3D lut;
        std::string error;
        size_t largest = 0;
        {
            const kvtest::LargestAllocation record;
            EXPECT_FALSE(kv::ReadCubeFile(text, lut, &error));
            largest = record.bytes();
        }
        EXPECT_EQ(error, message);
        // Every value takes at least two bytes of text ("0\n").
        EXPECT_GT(largest, 0u) << "the record sees the reader's allocations";
        EXPECT_LE(largest, (text.size() / 2 + 3) * sizeof(float));
    }
}

TEST(CubeFile, NumbersStopAtTheEndOfTheText) {
    // A view that ends inside "1.5" must read "1" and not the digits beyond it.
    const std::string whole = "LUT_3D_SIZE 2\n" + kNodes2 + "DOMAIN_MAX 1 1 1.5";
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(kv::ReadCubeFile(std::string_view(whole).substr(0, whole.size() - 2), lut, &error)) << error;
    EXPECT_EQ(lut.domainMax[2], 1.0f);
}

TEST(CubeFile, KeepsFileOrderAndValues) {
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(readExact(kvtest::readDataFile("cube/curve3.cube"), lut, &error)) << error;
    ASSERT_EQ(lut.data.size(), 81u);
    // node (r, g, b) = (2, 0, 0) is the third line: 0.9 * 1 + 0, 0, 0.2
    EXPECT_EQ(lut.data[6], 0.9f);
    EXPECT_EQ(lut.data[7], 0.0f);
    EXPECT_EQ(lut.data[8], 0.2f);
    EXPECT_TRUE(std::isfinite(lut.data[80]));
}

}  // namespace
