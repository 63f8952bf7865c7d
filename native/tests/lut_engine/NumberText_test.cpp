#include "lut_engine/NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

struct FloatCase {
    const char* text;
    bool ok;
    float value;      // ignored when !ok; NaN compares as "is NaN"
    size_t consumed;  // position after the scan
};

void expectFloatCase(const FloatCase& c, kv::FloatScan mode) {
    SCOPED_TRACE(std::string("input \"") + c.text + "\"");
    size_t pos = 0;
    float value = -123.0f;
    const bool ok = kv::ScanFloat(c.text, pos, value, mode);
    ASSERT_EQ(ok, c.ok);
    if (!ok) {
        EXPECT_EQ(pos, 0u);
        return;
    }
    EXPECT_EQ(pos, c.consumed);
    if (std::isnan(c.value)) {
        EXPECT_TRUE(std::isnan(value));
        EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    } else {
        EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(c.value)) << value;
    }
}

TEST(NumberText, FormattedScanAcceptsWhatScanfFloatAccepts) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const FloatCase cases[] = {
        {"0", true, 0.0f, 1},
        {"  \t\n1.5 ", true, 1.5f, 7},
        {"+.5", true, 0.5f, 3},
        {"-2.", true, -2.0f, 3},
        {"1e3x", true, 1000.0f, 3},
        {"1.5E-2", true, 0.015f, 6},
        {"1.5.3", true, 1.5f, 3},
        {"0x1.8p1", true, 3.0f, 7},
        {"-0X.8", true, -0.5f, 5},
        {"0x10", true, 16.0f, 4},
        {"inf", true, kInf, 3},
        {"-Infinity", true, -kInf, 9},
        {"infx", true, kInf, 3},
        {"NaN", true, nan, 3},
        {"-nan(0x1f_a)", true, -nan, 12},
        {"0.1", true, 0.1f, 3},
        {"3.40282347e38", true, 3.40282347e38f, 13},
        {"1e39", true, kInf, 4},
        {"-1e-50", true, -0.0f, 6},
        {"1e-45", true, std::bit_cast<float>(uint32_t{1}), 5},
        {"1e999999999999999999999", true, kInf, 23},
        {"0.000000000000000000000000000000000000000000000000000000001e-9999999", true, 0.0f, 68},
        // Prefixes of a number that never complete it fail the conversion.
        {"1e", false, 0, 0},
        {"1e+ ", false, 0, 0},
        {"0x", false, 0, 0},
        {"0x.p1", false, 0, 0},
        {"0x1p", false, 0, 0},
        {"infin", false, 0, 0},
        {"nan(", false, 0, 0},
        {"nan(1 )", false, 0, 0},
        {"na", false, 0, 0},
        {".", false, 0, 0},
        {"+", false, 0, 0},
        {"-x", false, 0, 0},
        {"", false, 0, 0},
        {"   ", false, 0, 0},
        {"1,5", true, 1.0f, 1},
    };
    for (const FloatCase& c : cases) expectFloatCase(c, kv::FloatScan::Formatted);
}

TEST(NumberText, PrefixScanTakesTheLongestCompleteNumber) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const FloatCase cases[] = {
        {"1e", true, 1.0f, 1},      {"1e+", true, 1.0f, 1},    {"0x", true, 0.0f, 1},
        {"0xg", true, 0.0f, 1},     {"0x1p", true, 1.0f, 3},   {"infin", true, kInf, 3},
        {"nan(", true, nan, 3},     {" -nan(x)", true, -nan, 8}, {".", false, 0, 0},
        {"e5", false, 0, 0},        {"", false, 0, 0},         {"\v\f7", true, 7.0f, 3},
    };
    for (const FloatCase& c : cases) expectFloatCase(c, kv::FloatScan::LongestValidPrefix);
}

// The C library's strtof in the "C" locale reads the longest complete number;
// our prefix scan must agree with it on arbitrary junk made of number parts.
TEST(NumberText, PrefixScanMatchesStrtofOnRandomInput) {
    constexpr std::string_view alphabet = "0123456789..eEpPxX+-infatyINFATY() _";
    std::mt19937 rng(1234);
    for (int iteration = 0; iteration < 200000; ++iteration) {
        std::string text;
        const int length = static_cast<int>(rng() % 9);
        for (int i = 0; i < length; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
        SCOPED_TRACE("input \"" + text + "\"");
        char* end = nullptr;
        const float expected = std::strtof(text.c_str(), &end);
        const size_t expectedEnd = static_cast<size_t>(end - text.c_str());
        size_t pos = 0;
        float value = 0.0f;
        const bool ok = kv::ScanFloat(text, pos, value, kv::FloatScan::LongestValidPrefix);
        ASSERT_EQ(ok, expectedEnd != 0);
        if (!ok) continue;
        ASSERT_EQ(pos, expectedEnd);
        if (std::isnan(expected)) {
            ASSERT_TRUE(std::isnan(value));
        } else {
            ASSERT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(expected));
        }
    }
}

TEST(NumberText, DecimalAndHexFloatsRoundLikeStrtof) {
    std::mt19937 rng(99);
    char buffer[64];
    const char* formats[] = {"%.9g", "%.17g", "%.3e", "%a", "%.20f"};
    for (int i = 0; i < 20000; ++i) {
        const float f = std::bit_cast<float>(static_cast<uint32_t>(rng()));
        if (!std::isfinite(f)) continue;
        for (const char* format : formats) {
            std::snprintf(buffer, sizeof buffer, format, static_cast<double>(f) * 1.0000001);
            size_t pos = 0;
            float value = 0.0f;
            ASSERT_TRUE(kv::ScanFloat(buffer, pos, value, kv::FloatScan::Formatted)) << buffer;
            EXPECT_EQ(pos, std::strlen(buffer));
            EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(std::strtof(buffer, nullptr)))
                << buffer;
        }
    }
}

// ScanDouble reads ScanFloat's grammar rounded once to double, as strtod
// does: on number-like junk and on printed doubles beyond float's range.
TEST(NumberText, DoubleScanMatchesStrtod) {
    constexpr std::string_view alphabet = "0123456789..eEpPxX+-infatyINFATY() _";
    std::mt19937_64 rng(4321);
    char buffer[64];
    for (int iteration = 0; iteration < 100000; ++iteration) {
        std::string text;
        if (iteration % 2 == 0) {
            const int length = static_cast<int>(rng() % 9);
            for (int i = 0; i < length; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
        } else {
            const double d = std::bit_cast<double>(rng());
            std::snprintf(buffer, sizeof buffer, iteration % 4 == 1 ? "%.17g" : "%a", d);
            text = buffer;
        }
        SCOPED_TRACE("input \"" + text + "\"");
        char* end = nullptr;
        const double expected = std::strtod(text.c_str(), &end);
        size_t pos = 0;
        double value = 0.0;
        ASSERT_EQ(kv::ScanDouble(text, pos, value, kv::FloatScan::LongestValidPrefix), end != text.c_str());
        if (end == text.c_str()) continue;
        ASSERT_EQ(pos, static_cast<size_t>(end - text.c_str()));
        if (std::isnan(expected)) {
            ASSERT_TRUE(std::isnan(value));
        } else {
            ASSERT_EQ(std::bit_cast<uint64_t>(value), std::bit_cast<uint64_t>(expected));
        }
    }
}

TEST(NumberText, IntegersAcceptSignsAndSaturate) {
    struct Case {
        const char* text;
        bool ok;
        int64_t value;
        size_t consumed;
    };
    const Case cases[] = {
        {" 42x", true, 42, 3},
        {"+7", true, 7, 2},
        {"-2147483649", true, -2147483649LL, 11},
        {"9223372036854775807", true, INT64_MAX, 19},
        {"9223372036854775808", true, INT64_MAX, 19},
        {"-9223372036854775808", true, INT64_MIN, 20},
        {"-99999999999999999999999", true, INT64_MIN, 24},
        {"+", false, 0, 0},
        {"- 1", false, 0, 0},
        {"x1", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        size_t pos = 0;
        int64_t value = -1;
        ASSERT_EQ(kv::ScanInteger(c.text, pos, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(pos, c.consumed);
        }
    }
    EXPECT_EQ(kv::LeadingInteger("  -17abc"), -17);
    EXPECT_EQ(kv::LeadingInteger("abc"), 0);
    EXPECT_EQ(kv::LeadingInteger(""), 0);
    EXPECT_EQ(kv::LeadingInteger("99999999999999999999"), INT64_MAX);
}

TEST(NumberText, HexByteReadsLikeWidthTwoHexScan) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"20", true, 0x20}, {"fF", true, 0xff}, {"1g", true, 1},   {" 5", true, 5},   {"5 ", true, 5},
        {"+f", true, 15},   {"-1", true, -1},   {"0x", false, 0},  {"0X", false, 0},  {"x1", false, 0},
        {"+-", false, 0},   {"g0", false, 0},   {"", false, 0},    {"7", true, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int value = 1000;
        ASSERT_EQ(kv::ScanHexByte(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

// printf is the reference in the "C" locale (the test process never sets
// another one outside the locale test, which restores it).
TEST(NumberText, G9MatchesPrintf) {
    std::mt19937 rng(7);
    char expected[64];
    auto check = [&](float f) {
        std::snprintf(expected, sizeof expected, "%.9g", static_cast<double>(f));
        ASSERT_EQ(kv::FormatG9(static_cast<double>(f)), expected);
    };
    const float specials[] = {0.0f,  -0.0f, 1.0f, 0.5f, 1e-5f, 123456789.0f, 1234567890.0f, 1e-4f, 0.0001234f,
                              kInf, -kInf, std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min()};
    for (const float f : specials) check(f);
    for (int i = 0; i < 100000; ++i) {
        const float f = std::bit_cast<float>(static_cast<uint32_t>(rng()));
        if (!std::isnan(f)) check(f);
    }
    EXPECT_EQ(kv::FormatInteger(-2147483648LL), "-2147483648");
    EXPECT_EQ(kv::FormatInteger(0), "0");
}

}  // namespace
