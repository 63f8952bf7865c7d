// The wider stored form: LUTs with a 1D stage or a domain other than 0..1.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "AllocationRecord.h"
#include "TestLuts.h"
#include "lut_engine/LutText.h"
#include "lut_engine/ReaderMessages.h"
#include "lut_engine/TableValue.h"

namespace {

namespace msg = kv::messages;

// Reads from a heap block of exactly the text's length, so that reading
// past the end is caught by the address sanitiser.
bool parseExact(const std::string& text, kv::Lut3D& lut, std::string* error) {
    const auto block = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), block.get());
    return kv::ParseLutText(std::string_view(block.get(), text.size()), lut, error);
}

void expectWithinStorageBound(const std::vector<float>& read, const std::vector<float>& written) {
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) {
        const double v = written[i];
        const double bound = std::max(std::ldexp(1.0, -17), std::ldexp(std::fabs(v), -11));
        ASSERT_LE(std::fabs(read[i] - v), bound) << "value " << i << " written " << v;
    }
}

kv::Lut3D ShaperAndCube(int32_t m, int32_t n, uint32_t seed) {
    kv::Lut3D lut = kvtest::RandomCube(n, seed);
    kvtest::AddRandomShaper(lut, m, seed + 1);
    return lut;
}

TEST(LutText4, RoundTripsEveryKindWithinTheStorageBound) {
    kv::Lut3D proxy = kvtest::RandomShaperOnly(4096, 3, -0.1f, 1.5f);
    for (float& v : proxy.shaper) v = v * 640.0f;  // a curve reaching about 704
    kv::Lut3D wideDomain = kvtest::RandomCube(65, 5, 0.0f, 1.0f);
    for (int c = 0; c < 3; ++c) {
        wideDomain.domainMin[c] = -1.0f + 0.25f * static_cast<float>(c);
        wideDomain.domainMax[c] = 3.0f;
    }
    kv::Lut3D flat = kvtest::RandomShaperOnly(2, 7);
    flat.shaper.assign(6, 0.5f);
    kv::Lut3D nonFinite = ShaperAndCube(16, 2, 9);
    nonFinite.shaper[4] = std::numeric_limits<float>::infinity();
    const struct {
        const char* what;
        kv::Lut3D lut;
        bool exactShaper;
    } cases[] = {
        {"1D alone reaching 704", proxy, true},
        {"1D then 3D", ShaperAndCube(4096, 33, 11), false},
        {"65-node cube on -1..3", wideDomain, false},
        {"constant two-entry curve", flat, false},
        {"an infinite entry", nonFinite, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = kv::FormatLutText(c.lut, -42, "tech lut");
        ASSERT_TRUE(text.starts_with("KVLUT4 -42 tech%20lut ")) << text.substr(0, 40);
        kv::Lut3D read;
        std::string error;
        ASSERT_TRUE(parseExact(text, read, &error)) << error;
        EXPECT_EQ(read.id, -42);
        EXPECT_EQ(read.name, "tech lut");
        EXPECT_EQ(read.size, c.lut.size);
        EXPECT_EQ(read.shaperSize, c.lut.shaperSize);
        EXPECT_TRUE(read.HasCompleteTables());
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(read.domainMin[ch], c.lut.size ? c.lut.domainMin[ch] : 0.0f);
            EXPECT_EQ(read.domainMax[ch], c.lut.size ? c.lut.domainMax[ch] : 1.0f);
            EXPECT_EQ(read.shaperMin[ch], c.lut.shaperMin[ch]);
            EXPECT_EQ(read.shaperMax[ch], c.lut.shaperMax[ch]);
        }
        if (c.exactShaper) {
            for (size_t i = 0; i < c.lut.shaper.size(); ++i) {
                EXPECT_EQ(kvtest::BitsOf(read.shaper[i]), kvtest::BitsOf(kv::FiniteTableValue(c.lut.shaper[i]))) << i;
            }
        } else {
            expectWithinStorageBound(read.shaper, c.lut.shaper);
        }
        expectWithinStorageBound(read.data, c.lut.data);
    }
}

// A unit cube stays in the older form wherever that form keeps every value
// within the storage bound (or its values span at most one unit); any other
// takes the wider one, and either way every value reads back within the
// bound that the values themselves give.
TEST(LutText4, UnitCubesStayKvlut3OnlyWhereItKeepsTheirValues) {
    EXPECT_TRUE(kv::FormatLutText(kv::Lut3D{}, 0, "").starts_with("KVLUT3 0 - 0 "));
    kv::Lut3D logToLinear = kvtest::EmptyCube(9);  // outputs -0.017 .. 55, as a camera log curve decoded
    for (size_t i = 0; i < logToLinear.data.size(); ++i) {
        const double t = static_cast<double>((i / 3) % 9) / 8.0;
        logToLinear.data[i] = static_cast<float>((std::exp2(t * 11.8) - 1.3) / 74.0);
    }
    kv::Lut3D oneHuge = kvtest::RandomCube(5, 2, 0.0f, 1.0f);
    oneHuge.data[40] = 1e6f;
    kv::Lut3D narrowButHigh = kvtest::RandomCube(5, 3, 1000.0f, 1010.0f);  // 2^-11 |v| is 0.49
    kv::Lut3D shifted = kvtest::RandomCube(2, 1, 0.0f, 1.0f);
    shifted.domainMax[2] = 2.0f;
    const struct {
        const char* what;
        kv::Lut3D lut;
        const char* form;
    } cases[] = {
        {"values in 0..1", kvtest::RandomCube(5, 1, 0.0f, 1.0f), "KVLUT3 0 - 5 "},
        {"values spanning one unit above 100", kvtest::RandomCube(5, 4, 100.0f, 101.0f), "KVLUT3 0 - 5 "},
        {"values spanning 10 near 1000", narrowButHigh, "KVLUT3 0 - 5 "},
        {"log to linear, -0.017 .. 55", logToLinear, "KVLUT4 0 - 9 0 "},
        {"one node at 1e6", oneHuge, "KVLUT4 0 - 5 0 "},
        {"-0.25 .. 1.25 with shadows", kvtest::RandomCube(17, 1), "KVLUT4 0 - 17 0 "},
        {"a domain to 2", shifted, "KVLUT4 0 - 2 0 0 0 0 1 1 2 0 0 0 1 1 1 q "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = kv::FormatLutText(c.lut, 0, "");
        EXPECT_TRUE(text.starts_with(c.form)) << text.substr(0, 60);
        kv::Lut3D read;
        std::string error;
        ASSERT_TRUE(parseExact(text, read, &error)) << error;
        ASSERT_EQ(read.data.size(), c.lut.data.size());
        const double span = kvtest::ValueSpan(c.lut.data);
        for (size_t i = 0; i < c.lut.data.size(); ++i) {
            ASSERT_LE(std::fabs(read.data[i] - static_cast<double>(c.lut.data[i])),
                      kvtest::StoredValueBound(c.lut.data[i], span))
                << "value " << i << " written " << c.lut.data[i];
        }
    }
}

TEST(LutText4, RefusesMalformedTextWithItsMessage) {
    const std::string head = "KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 ";
    const std::string data(80, 'A');  // (2 + 8) * 3 codes of 16 bits, all 0
    kv::Lut3D lut;
    std::string error;
    ASSERT_TRUE(parseExact(head + data, lut, &error)) << error;
    EXPECT_EQ(lut.shaperMin[1], -1.0f);
    EXPECT_EQ(lut.shaperMax[1], 4.0f);

    const struct {
        std::string text;
        std::string_view message;
    } cases[] = {
        {"KVLUT4", msg::kNotLut4},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1", msg::kNotLut4},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 h 0 1 q 0 1 " + data, msg::kNotLut4},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 q 0 1 q 0 1 " + data, msg::kNotLut4},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 qf 0 1 q 0 1 " + data, msg::kNotLut4},
        {"KVLUT4 9999999999 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kNotLut4},
        {"KVLUT4 7 n 0 0 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLutSizeOutOfRange},
        {"KVLUT4 7 n 130 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLutSizeOutOfRange},
        {"KVLUT4 7 n 1 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLutSizeOutOfRange},
        {"KVLUT4 7 n 2 1 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLut1DSizeOutOfRange},
        {"KVLUT4 7 n 2 65537 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLut1DSizeOutOfRange},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 0 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLutBadDomain},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 inf 4 q 0 1 q 0 1 " + data, msg::kLutBadDomain},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 nan -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLutBadDomain},
        {head + data.substr(0, 79), msg::kLutDataTruncated},
        {head + data.substr(0, 40) + "=" + data.substr(0, 8), msg::kLutDataTruncated},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 f 0 1 q 0 1 " + data, msg::kLutDataTruncated},
        // bounds that are finite but whose width overflows float
        {"KVLUT4 7 n 2 2 -2e38 0 0 2e38 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kLutBadDomain},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -3e38 -1 4 3e38 4 q 0 1 q 0 1 " + data, msg::kLutBadDomain},
        // codes between bounds that would decode to NaN or infinities
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q nan 1 q 0 1 " + data, msg::kNotLut4},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 inf " + data, msg::kNotLut4},
        {"KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q -3e38 3e38 " + data, msg::kNotLut4},
        {"KVLUT3 7 n 2 nan 1 " + data, msg::kNotLut3},
        {"KVLUT3 7 n 2 -3e38 3e38 " + data, msg::kNotLut3},
        {"KVLUT2 7 2 0 inf " + data, msg::kNotLut2},
        {"KVLUT1 2 -inf 0 " + data, msg::kNotLut2},
        // the video-range words come in one order, whole, before the id
        {"KVLUT4 video-out video-in 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kNotLut4},
        {"KVLUT4 video-inx 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kNotLut4},
        {"KVLUT4 7 video-in n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 q 0 1 q 0 1 " + data, msg::kNotLut4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 70));
        error.clear();
        EXPECT_FALSE(parseExact(c.text, lut, &error));
        EXPECT_EQ(error, c.message);
    }
    // Bounds an "f" table does not use may be anything.
    EXPECT_TRUE(parseExact("KVLUT4 7 n 2 2 0 0 0 1 1 1 -1 -1 -1 4 4 4 f nan inf q 0 1 " + std::string(128, 'A'), lut,
                           &error))
        << error;

    // Every cut of a whole text fails; none reads past its end.
    const std::string whole = kv::FormatLutText(ShaperAndCube(5, 3, 2), 3, "cut");
    for (size_t length = 0; length < whole.size(); ++length) {
        EXPECT_FALSE(parseExact(whole.substr(0, length), lut, nullptr)) << length;
    }
}

// The largest sizes in a short text are refused before room is made for them.
TEST(LutText4, ShortTextWithHugeSizesAllocatesLittle) {
    for (const std::string text : {"KVLUT4 0 - 129 65536 0 0 0 1 1 1 0 0 0 1 1 1 f 0 1 f 0 1 AAAAAAAA",
                                   "KVLUT3 0 - 129 0 1 AAAAAAAA", "KVLUT1 129 0 1 AAAAAAAA"}) {
        SCOPED_TRACE(text);
        kv::Lut3D lut;
        std::string error;
        size_t largest = 0;
        {
            const kvtest::LargestAllocation record;
            EXPECT_FALSE(kv::ParseLutText(text, lut, &error));
            largest = record.bytes();
        }
        EXPECT_EQ(error, msg::kLutDataTruncated);
        EXPECT_LE(largest, 4096u);
    }
}

}  // namespace
