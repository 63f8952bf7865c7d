#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <string>

#include "LutTextTestText.h"
#include "lut_engine/LutText.h"
#include "lut_engine/ReaderMessages.h"

namespace {

namespace msg = kv::messages;

const std::string kRamp2 = kvtest::codesBase64(kvtest::rampCodes(2));

// Parses from a heap block of exactly the text's length, with no terminator,
// so that AddressSanitizer sees any read past the end.
bool parseExact(const std::string& text, kv::Lut3D& lut, std::string* error) {
    const auto block = std::make_unique<char[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), block.get());
    return kv::ParseLutText(std::string_view(block.get(), text.size()), lut, error);
}

void expectRamp2(const kv::Lut3D& lut, float lo, float hi) {
    ASSERT_EQ(lut.size, 2);
    ASSERT_EQ(lut.data.size(), 24u);
    const auto codes = kvtest::rampCodes(2);
    for (size_t i = 0; i < codes.size(); ++i) {
        ASSERT_EQ(std::bit_cast<uint32_t>(lut.data[i]), std::bit_cast<uint32_t>(kvtest::decodedValue(codes[i], lo, hi)))
            << "value " << i;
    }
}

TEST(LutTextReader, ReadsEachCubeForm) {
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(parseExact("KVLUT1 2 0 1 " + kRamp2, lut, &error)) << error;
    EXPECT_EQ(lut.id, 0);
    EXPECT_EQ(lut.name, "");
    EXPECT_EQ(lut.probe, 0);
    expectRamp2(lut, 0.0f, 1.0f);
    EXPECT_EQ(lut.domainMin[0], 0.0f);
    EXPECT_EQ(lut.domainMax[2], 1.0f);

    ASSERT_TRUE(parseExact("KVLUT2 -12 2 -0.5 2.25\n" + kRamp2, lut, &error)) << error;
    EXPECT_EQ(lut.id, -12);
    expectRamp2(lut, -0.5f, 2.25f);

    ASSERT_TRUE(parseExact("KVLUT3 2147483647 my%20match 2 0x1p-2 +1e0\t" + kRamp2, lut, &error)) << error;
    EXPECT_EQ(lut.id, 2147483647);
    EXPECT_EQ(lut.name, "my match");
    expectRamp2(lut, 0.25f, 1.0f);

    // Any white space separates the fields, none is needed after the magic.
    ASSERT_TRUE(parseExact("KVLUT1\n\v2\t0\r\n1\f" + kRamp2, lut, &error)) << error;
    expectRamp2(lut, 0.0f, 1.0f);
    ASSERT_TRUE(parseExact("KVLUT1+2 0 1 " + kRamp2, lut, &error)) << error;
    EXPECT_EQ(lut.size, 2);
}

TEST(LutTextReader, ReadsFixtureFiles) {
    kv::Lut3D lut;
    std::string error;
    for (const char* file : {"identity2_kvlut1.txt", "identity2_kvlut2.txt", "identity2_kvlut3.txt"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(kv::ParseLutText(kvtest::readDataFile(std::string("lut_text/") + file), lut, &error)) << error;
        ASSERT_EQ(lut.size, 2);
        // Node (r, g, b) of an identity holds (r, g, b): codes 0 and 65535 map to lo and hi exactly.
        for (int node = 0; node < 8; ++node) {
            EXPECT_EQ(lut.data[3 * node + 0], static_cast<float>(node & 1));
            EXPECT_EQ(lut.data[3 * node + 1], static_cast<float>((node >> 1) & 1));
            EXPECT_EQ(lut.data[3 * node + 2], static_cast<float>((node >> 2) & 1));
        }
    }
    EXPECT_EQ(lut.id, 42);
    EXPECT_EQ(lut.name, "my match");
}

TEST(LutTextReader, NoLutAndPatternRequests) {
    kv::Lut3D lut;
    std::string error;
    for (const char* text : {"KVLUT0", "KVLUT0 anything at all", "KVLUT0KVLUT3 1 - 2 0 1 AAAA"}) {
        lut.size = 5;
        ASSERT_TRUE(parseExact(text, lut, &error)) << text;
        EXPECT_TRUE(lut.IsEmpty()) << text;
    }

    ASSERT_TRUE(parseExact("KVLUTP 17", lut, &error));
    EXPECT_EQ(lut.probe, 17);
    EXPECT_EQ(lut.probeCols, 0);
    EXPECT_EQ(lut.probeRows, 0);
    EXPECT_EQ(lut.areaX1, 1.0);
    EXPECT_EQ(lut.size, 0);

    ASSERT_TRUE(parseExact("KVLUTP 2 2 4 250000 0 750000 1000000", lut, &error)) << error;
    EXPECT_EQ(lut.probe, 2);
    EXPECT_EQ(lut.probeCols, 2);
    EXPECT_EQ(lut.probeRows, 4);
    EXPECT_EQ(lut.areaX0, 250000 * 1e-6);
    EXPECT_EQ(lut.areaY0, 0.0);
    EXPECT_EQ(lut.areaX1, 750000 * 1e-6);
    EXPECT_EQ(lut.areaY1, 1.0);

    ASSERT_TRUE(kv::ParseLutText(kvtest::readDataFile("lut_text/pattern17.txt"), lut, &error)) << error;
    EXPECT_EQ(lut.probeCols * lut.probeRows, 6400);
}

// A known-good text per form, then one change per failure.
TEST(LutTextReader, RefusesBadTextWithItsMessage) {
    struct Case {
        std::string text;
        std::string_view message;
    };
    const std::string long6 = std::string(90, ' ');
    const Case cases[] = {
        // pattern size
        {"KVLUTP", msg::kBadPatternSize},
        {"KVLUTP x", msg::kBadPatternSize},
        {"KVLUTP 1", msg::kBadPatternSize},
        {"KVLUTP 65", msg::kBadPatternSize},
        {"KVLUTP 4294967298", msg::kBadPatternSize},
        // pattern area: each condition broken once from "KVLUTP 2 2 4 0 0 1000000 1000000"
        {"KVLUTP 17 10 10 0 0 1000000 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 2 4 0 0 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 2", msg::kBadPatternArea},
        {"KVLUTP 2 2 4 -1 0 1000000 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 2 4 0 -1 1000000 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 2 4 500 0 500 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 2 4 0 7 1000000 7", msg::kBadPatternArea},
        {"KVLUTP 2 2 4 0 0 1000001 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 2 4 0 0 1000000 1000001", msg::kBadPatternArea},
        {"KVLUTP 2 0 8 0 0 1000000 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 8 0 0 0 1000000 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 2000 2001 0 0 1000000 1000000", msg::kBadPatternArea},
        // products that would overflow 64 bits if the factors were not bounded first
        {"KVLUTP 2 9223372036854775807 9223372036854775807 0 0 1000000 1000000", msg::kBadPatternArea},
        {"KVLUTP 2 4294967296 1 0 0 1000000 1000000", msg::kBadPatternArea},
        // malformed headers
        {"KVLUT", msg::kNotLut2},
        {"", msg::kNotLut2},
        {" KVLUT1 2 0 1 " + kRamp2, msg::kNotLut2},
        {"KVLUT1 2 0 " + kRamp2, msg::kNotLut2},
        {"KVLUT1 2 0 1", msg::kNotLut2},
        {"KVLUT1 2 0 1e " + kRamp2, msg::kNotLut2},
        {"KVLUT2 2 0 1 " + kRamp2, msg::kNotLut2},
        {"KVLUT2 2147483648 2 0 1 " + kRamp2, msg::kNotLut2},
        {"KVLUT3 1 - 2 0 " + kRamp2, msg::kNotLut3},
        {"KVLUT3 1 - 2 0 1", msg::kNotLut3},
        {"KVLUT3 -2147483649 - 2 0 1 " + kRamp2, msg::kNotLut3},
        {"KVLUT3 x - 2 0 1 " + kRamp2, msg::kNotLut3},
        // A NUL ends the header as it would end a C string.
        {std::string("KVLUT1 2 0\0 1 ", 14) + kRamp2, msg::kNotLut2},
        // size
        {"KVLUT1 1 0 1 " + kRamp2, msg::kLutSizeOutOfRange},
        {"KVLUT1 130 0 1 " + kRamp2, msg::kLutSizeOutOfRange},
        {"KVLUT1 -3 0 1 " + kRamp2, msg::kLutSizeOutOfRange},
        {"KVLUT1 4294967298 0 1 " + kRamp2, msg::kLutSizeOutOfRange},
        {"KVLUT3 1 - 99999999999999999999 0 1 " + kRamp2, msg::kLutSizeOutOfRange},
        // data
        {"KVLUT1 2 0 1 ", msg::kLutDataTruncated},
        {"KVLUT1 2 0 1 " + kvtest::codesBase64(std::vector<uint16_t>(23, 7)), msg::kLutDataTruncated},
        {"KVLUT1 2 0 1 " + kRamp2.substr(0, 20) + "=" + kRamp2.substr(20), msg::kLutDataTruncated},
        {"KVLUT1 2 0 1 " + kRamp2.substr(0, kRamp2.size() - 1), msg::kLutDataTruncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text \"" + c.text.substr(0, 60) + "\"");
        kv::Lut3D lut;
        std::string error = "previous";
        EXPECT_FALSE(parseExact(c.text, lut, &error));
        EXPECT_EQ(error, c.message);
        EXPECT_FALSE(parseExact(c.text, lut, nullptr));
    }
}

TEST(LutTextReader, SizeLimitsAreInclusive) {
    kv::Lut3D lut;
    std::string error;
    const std::string codes129 = kvtest::codesBase64(kvtest::rampCodes(129));
    ASSERT_TRUE(parseExact("KVLUT1 129 0 1 " + codes129, lut, &error)) << error;
    EXPECT_EQ(lut.size, 129);
    EXPECT_EQ(lut.data.size(), 129u * 129u * 129u * 3u);
    EXPECT_EQ(lut.data.back(), kvtest::decodedValue(kvtest::rampCodes(129).back(), 0.0f, 1.0f));
}

TEST(LutTextReader, DataSkipsForeignCharactersAndStopsWhenFull) {
    std::string broken;
    for (size_t i = 0; i < kRamp2.size(); ++i) {
        broken += kRamp2[i];
        if (i % 5 == 4) broken += (i % 2) ? "\r\n" : " \t*";
    }
    kv::Lut3D lut;
    std::string error;
    for (const std::string& data : {broken, kRamp2 + "====", kRamp2 + "garbage that is not base64 !", kRamp2 + "AAAA"}) {
        SCOPED_TRACE(data);
        ASSERT_TRUE(parseExact("KVLUT1 2 0 1 " + data, lut, &error)) << error;
        expectRamp2(lut, 0.0f, 1.0f);
    }
}

TEST(LutTextReader, EqualBoundsGiveConstantValues) {
    kv::Lut3D lut;
    ASSERT_TRUE(parseExact("KVLUT1 2 0.25 0.25 " + kRamp2, lut, nullptr));
    for (const float v : lut.data) EXPECT_EQ(v, 0.25f);
}

// The header is read from a 96-character copy; a KVLUT3 name that does not
// fit is read from a 1200-character copy instead.
TEST(LutTextReader, LongHeaders) {
    kv::Lut3D lut;
    std::string error;
    const std::string longName(300, 'n');
    ASSERT_TRUE(parseExact("KVLUT3 5 " + longName + "%21 2 0 1 " + kRamp2, lut, &error)) << error;
    EXPECT_EQ(lut.name, longName + "!");
    EXPECT_EQ(lut.id, 5);

    // A name longer than 399 characters spills into the next field.
    ASSERT_FALSE(parseExact("KVLUT3 5 " + std::string(400, 'n') + " 2 0 1 " + kRamp2, lut, &error));
    EXPECT_EQ(error, msg::kNotLut3);
    ASSERT_TRUE(parseExact("KVLUT3 5 " + std::string(399, 'n') + "2 0 1 " + kRamp2, lut, &error)) << error;
    EXPECT_EQ(lut.name.size(), 399u);

    // hi cut by the 96-character copy: "0.75" would read as "0.7".
    const std::string pad(96 - std::string("KVLUT1 2 0 0.7").size(), ' ');
    const std::string cutHi = "KVLUT1" + pad + " 2 0 0.75 " + kRamp2;
    ASSERT_EQ(cutHi.substr(93, 4), "0.75");
    EXPECT_FALSE(parseExact(cutHi, lut, &error));
    EXPECT_EQ(error, msg::kNotLut2);
    const std::string cutHi3 = "KVLUT3" + pad + "1 - 2 0 0.75 " + kRamp2;
    ASSERT_TRUE(parseExact(cutHi3, lut, &error)) << error;
    expectRamp2(lut, 0.0f, 0.75f);

    // hi that ends right at the copy's end, with its blank just outside it
    const std::string pad2(96 - std::string("KVLUT1 2 0 0.75").size(), ' ');
    EXPECT_FALSE(parseExact("KVLUT1" + pad2 + " 2 0 0.75 " + kRamp2, lut, &error));
    // ... and with the blank as the copy's last character
    const std::string pad3(96 - std::string("KVLUT1 2 0 0.75 ").size(), ' ');
    ASSERT_TRUE(parseExact("KVLUT1" + pad3 + " 2 0 0.75 " + kRamp2, lut, &error)) << error;
    expectRamp2(lut, 0.0f, 0.75f);

    // A pattern field cut by the copy is refused rather than shortened.
    const std::string patternPad(96 - std::string("KVLUTP 2 2 4 0 0 1000000 10").size(), ' ');
    EXPECT_FALSE(parseExact("KVLUTP 2 2 4 0 0 1000000" + patternPad + " 1000000", lut, &error));
    EXPECT_EQ(error, msg::kBadPatternArea);
}

// The text need not end with a NUL: a view that ends right after hi must not
// read the digits that follow it in memory.
TEST(LutTextReader, ReadsNothingBeyondTheView) {
    const std::string whole = "KVLUT1 2 0 15 " + kRamp2;
    kv::Lut3D lut;
    std::string error;
    EXPECT_FALSE(kv::ParseLutText(std::string_view(whole).substr(0, 12), lut, &error));
    EXPECT_EQ(error, msg::kNotLut2);
    EXPECT_FALSE(kv::ParseLutText(std::string_view(whole).substr(0, whole.size() - 2), lut, &error));
    EXPECT_EQ(error, msg::kLutDataTruncated);
    EXPECT_FALSE(kv::ParseLutText(std::string_view("KVLUT0", 5), lut, &error));
}

TEST(LutTextReader, PercentDecoding) {
    struct Case {
        const char* token;
        const char* name;
    };
    const Case cases[] = {
        {"-", ""},          {"--", "--"},         {"a%20b", "a b"},   {"%41%62", "Ab"},
        {"%C3%A9", "\xC3\xA9"}, {"50%", "50%"},   {"5%1", "5%1"},     {"%zz", "%zz"},
        {"%1g!", "\x01!"},  {"%-1", "\xFF"},      {"%0x7", "%0x7"},   {"%%41", "%A"},
    };
    for (const Case& c : cases) EXPECT_EQ(kv::PercentDecodeName(c.token), c.name) << c.token;
}

}  // namespace
