#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "TestLuts.h"
#include "LutTextTestText.h"
#include "lut_engine/LutText.h"
#include "lut_engine/ReaderMessages.h"

namespace {

kv::Lut3D cubeOf(int n, std::vector<float> values) {
    kv::Lut3D lut;
    lut.size = n;
    lut.data = std::move(values);
    return lut;
}

TEST(LutTextWriter, WritesTheHeaderAndCodes) {
    kv::Lut3D lut = kvtest::IdentityCube(2);
    // The LUT's own id and name are not written; the arguments are.
    lut.id = 99;
    lut.name = "ignored";
    std::vector<uint16_t> codes;
    for (const float v : lut.data) codes.push_back(v == 1.0f ? 65535 : 0);
    EXPECT_EQ(kv::FormatLutText(lut, 0, ""), "KVLUT3 0 - 2 0 1 " + kvtest::codesBase64(codes));
    EXPECT_EQ(kv::FormatLutText(lut, -5, "a b").substr(0, 21), "KVLUT3 -5 a%20b 2 0 1");

    // Codes round half away from zero: 0.5 of 65535 is 32767.5.
    const kv::Lut3D half = cubeOf(2, std::vector<float>(24, 0.5f));
    kv::Lut3D mixed = half;
    mixed.data[0] = 0.0f;
    mixed.data[1] = 1.0f;
    std::vector<uint16_t> mixedCodes(24, 32768);
    mixedCodes[0] = 0;
    mixedCodes[1] = 65535;
    EXPECT_EQ(kv::FormatLutText(mixed, 1, "x"), "KVLUT3 1 x 2 0 1 " + kvtest::codesBase64(mixedCodes));

    // An all-constant LUT gets hi = lo + 1 and every code 0.
    EXPECT_EQ(kv::FormatLutText(half, 0, ""), "KVLUT3 0 - 2 0.5 1.5 " + std::string(64, 'A'));
    kv::Lut3D back;
    ASSERT_TRUE(kv::ParseLutText(kv::FormatLutText(half, 0, ""), back));
    for (const float v : back.data) EXPECT_EQ(v, 0.5f);
}

TEST(LutTextWriter, HeaderBoundsUseNineSignificantDigits) {
    kv::Lut3D lut = cubeOf(2, std::vector<float>(24, 0.25f));
    lut.data[3] = 0.1f;
    lut.data[7] = 0.3f;
    const std::string text = kv::FormatLutText(lut, 7, "n");
    EXPECT_TRUE(text.starts_with("KVLUT3 7 n 2 0.100000001 0.300000012 ")) << text.substr(0, 40);
    kv::Lut3D back;
    ASSERT_TRUE(kv::ParseLutText(text, back));
    EXPECT_EQ(back.data[3], 0.1f);  // code 0 reads back as lo exactly
}

TEST(LutTextWriter, NamesArePercentEncoded) {
    struct Case {
        const char* name;
        const char* token;
    };
    const Case cases[] = {
        {"", "-"},
        {"Day 1.cube_v~2-x", "Day%201.cube_v~2-x"},
        {"50%", "50%25"},
        {"\xC3\xA9t\xC3\xA9", "%C3%A9t%C3%A9"},
        {"a/b\\c\t\"", "a%2Fb%5Cc%09%22"},
        {"--", "--"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kv::PercentEncodeName(c.name), c.token) << c.name;
        EXPECT_EQ(kv::PercentDecodeName(kv::PercentEncodeName(c.name)), c.name);
    }
    // A lone hyphen shares the empty name's token and reads back empty.
    EXPECT_EQ(kv::PercentEncodeName("-"), "-");
    EXPECT_EQ(kv::PercentDecodeName(kv::PercentEncodeName("-")), "");
    std::string everyByte;
    for (int b = 1; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
    EXPECT_EQ(kv::PercentDecodeName(kv::PercentEncodeName(everyByte)), everyByte);
}

// The reader takes at most 399 characters of name token.
TEST(LutTextWriter, LongNamesAreCutToReadableLength) {
    const kv::Lut3D lut = kvtest::IdentityCube(2);
    kv::Lut3D back;
    std::string error;
    struct Case {
        std::string name;
        std::string expected;
    };
    std::string eAcute200, eAcute66;
    for (int i = 0; i < 200; ++i) eAcute200 += "\xC3\xA9";  // 6 characters each when encoded
    for (int i = 0; i < 66; ++i) eAcute66 += "\xC3\xA9";
    const Case cases[] = {
        {std::string(399, 'a'), std::string(399, 'a')},
        {std::string(400, 'a'), std::string(399, 'a')},
        {std::string(397, 'a') + "\xC3\xA9", std::string(397, 'a')},
        {std::string(393, 'a') + "\xC3\xA9", std::string(393, 'a') + "\xC3\xA9"},
        {eAcute200, eAcute66},
        {"-" + std::string(400, ' '), "-" + std::string(132, ' ')},
        // a run of continuation bytes counts as one character: only the
        // hyphen fits, and a lone hyphen reads back as the empty name
        {"-\xC3" + std::string(200, '\x80'), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.size());
        ASSERT_TRUE(kv::ParseLutText(kv::FormatLutText(lut, 1, c.name), back, &error)) << error;
        EXPECT_EQ(back.name, c.expected);
        EXPECT_EQ(back.size, 2);
    }
}

// NaN and infinities are written as the file readers read them (0 and the
// largest float of their sign), so that both stored forms hold the same LUT.
TEST(LutTextWriter, NonFiniteValuesAreWrittenAsFilesReadThem) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float largest = std::numeric_limits<float>::max();
    kv::Lut3D unit = cubeOf(2, std::vector<float>(24, 0.5f));
    unit.data[0] = nan;
    unit.data[4] = 1.0f;
    kv::Lut3D shaped = unit;
    kvtest::AddRandomShaper(shaped, 2, 3);
    kv::Lut3D infinite = unit;
    infinite.data[1] = inf;
    infinite.data[2] = -inf;
    const struct {
        const char* what;
        kv::Lut3D lut;
        const char* form;
        float expected[3];
        bool exact;  // kept as float32 bits
    } cases[] = {
        {"NaN in a unit cube", unit, "KVLUT3 0 - 2 0 1 ", {0.0f, 0.5f, 0.5f}, false},
        {"NaN beside a 1D stage", shaped, "KVLUT4 ", {0.0f, 0.5f, 0.5f}, false},
        {"infinities", infinite, "KVLUT4 ", {0.0f, largest, -largest}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = kv::FormatLutText(c.lut, 0, "");
        EXPECT_TRUE(text.starts_with(c.form)) << text.substr(0, 40);
        kv::Lut3D back;
        std::string error;
        ASSERT_TRUE(kv::ParseLutText(text, back, &error)) << error;
        const double span = kvtest::ValueSpan(back.data);
        for (int i = 0; i < 3; ++i) {
            const double bound = c.exact ? 0.0 : kvtest::StoredValueBound(c.expected[i], span);
            EXPECT_NEAR(back.data[i], c.expected[i], bound) << i;
        }
    }
}

TEST(LutTextWriter, RoundTripsRandomLuts) {
    std::mt19937 rng(2024);
    for (const int n : {2, 3, 17, 33}) {
        for (int trial = 0; trial < 4; ++trial) {
            std::uniform_real_distribution<float> bound(-4.0f, 4.0f);
            float lo = bound(rng), hi = bound(rng);
            if (lo > hi) std::swap(lo, hi);
            std::uniform_real_distribution<float> value(lo, hi);
            kv::Lut3D lut = kvtest::EmptyCube(n);
            for (float& v : lut.data) v = value(rng);
            const int32_t id = static_cast<int32_t>(rng());
            const std::string name = "match " + std::to_string(trial) + " \xE2\x9C\x93";

            kv::Lut3D back;
            std::string error;
            ASSERT_TRUE(kv::ParseLutText(kv::FormatLutText(lut, id, name), back, &error)) << error;
            ASSERT_EQ(back.size, n);
            EXPECT_EQ(back.id, id);
            EXPECT_EQ(back.name, name);
            ASSERT_EQ(back.data.size(), lut.data.size());
            const double span = kvtest::ValueSpan(lut.data);
            for (size_t i = 0; i < lut.data.size(); ++i) {
                ASSERT_NEAR(back.data[i], lut.data[i], kvtest::StoredValueBound(lut.data[i], span))
                    << "n " << n << " value " << i;
            }
        }
    }
}

TEST(LutTextWriter, OversizedCubesAreWrittenButNotRead) {
    const kv::Lut3D lut = kvtest::EmptyCube(130);
    const std::string text = kv::FormatLutText(lut, 0, "");
    EXPECT_EQ(text.substr(0, 20), "KVLUT3 0 - 130 0 1 A");
    kv::Lut3D back;
    std::string error;
    EXPECT_FALSE(kv::ParseLutText(text, back, &error));
    EXPECT_EQ(error, kv::messages::kLutSizeOutOfRange);
}

}  // namespace
