// The 16-bit rows (ARGB16, 0..32768 for 0..1) through the format's row
// operation at the active level: what each code reads as, how results are
// stored at the rounding edges, and where NaN and out-of-range values end.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "TestLuts.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/PixelFormat.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// One row of ARGB16 pixels, four codes each.
using Codes = std::vector<uint16_t>;

// Runs the ARGB16 row operation over one row from `src` into a fresh row
// (pre-filled so that unwritten words show) and returns it.
Codes applyRow(const kv::Lut3D& lut, const Codes& src, float amount) {
    Codes in = src;
    Codes out(src.size(), 0xBEEF);
    const int32_t width = static_cast<int32_t>(src.size() / 4);
    kv::LutRowsParams p;
    p.src = kv::FrameView{reinterpret_cast<unsigned char*>(in.data()), width, 1, width * 8, kv::kLayoutARGB};
    p.dst = kv::FrameView{reinterpret_cast<unsigned char*>(out.data()), width, 1, width * 8, kv::kLayoutARGB};
    p.width = width;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutARGB);
    p.scale = kv::kArgb16.codeScale;
    p.lut = &lut;
    p.amount = amount;
    kv::ActiveRowOps(kv::kArgb16).applyLut(p, 0, 1);
    return out;
}

kv::Lut3D constantCube(float value) {
    kv::Lut3D lut = kvtest::EmptyCube(2);
    for (float& v : lut.data) v = value;
    return lut;
}

// Input codes 0 sample node 0 of a constant cube and blend with an input of
// 0, so each case sees only the store of the value. A value v stores
// trunc(float(v * 32768 + 0.5)).
TEST(ApplyLutRows16, StoresResultsByTheRoundingRuleAtEveryEdge) {
    struct Case {
        float value;
        uint16_t code;
    };
    const float halfCode = 0x1p-16f;  // half of one code step
    const Case cases[] = {
        {0.0f, 0},
        {-0.0f, 0},
        {0x1p-15f, 1},                                    // one code: 1.5 truncates to 1
        {halfCode, 1},                                    // 1.0 exactly: half codes round up
        {std::nextafter(halfCode, 0.0f), 1},              // 1 - 2^-25 ties to 1.0 in float
        {std::nextafter(std::nextafter(halfCode, 0.0f), 0.0f), 0},  // 1 - 2^-24 stays below
        {3.0f * halfCode, 2},                             // 2.0 exactly
        {32767.0f / 32768.0f, 32767},                     // 32767.5
        {1.0f - halfCode, 32768},                         // 32768.0 exactly: full scale
        {std::nextafter(1.0f - halfCode, 0.0f), 32767},   // 32768 - 2^-9
        {0.5f, 16384},
        {1.0f, 32768},
        {std::nextafter(1.0f, 2.0f), 32768},
        {1.5f, 32768},
        {1e30f, 32768},
        {-0x1p-15f, 0},
        {-1e30f, 0},
        {kNaN, 0},
    };
    for (const Case& c : cases) {
        const Codes out = applyRow(constantCube(c.value), {4321, 0, 0, 0}, 1.0f);
        EXPECT_EQ(out, (Codes{4321, c.code, c.code, c.code})) << "value " << c.value << " (0x" << std::hex
                                                              << kvtest::BitsOf(c.value) << ")";
    }
}

// An identity cube maps every code to itself, each code on the red axis
// against a spread of green and blue codes, so that every tetrahedron is
// taken; cubes whose node step is and is not exact in float.
TEST(ApplyLutRows16, IdentityCubeReturnsEveryCode) {
    Codes src;
    for (int32_t code = 0; code <= kv::kCode16Max; ++code) {
        const uint16_t g = static_cast<uint16_t>((code * 7919) % 32769);
        const uint16_t b = static_cast<uint16_t>(kv::kCode16Max - code);
        src.insert(src.end(), {static_cast<uint16_t>(code ^ 0xA5A5), static_cast<uint16_t>(code), g, b});
    }
    for (const int32_t size : {2, 10, 33, 65}) {
        for (const float amount : {1.0f, 0.5f}) {
            const Codes out = applyRow(kvtest::IdentityCube(size), src, amount);
            int mismatches = 0;
            for (size_t i = 0; i < src.size(); ++i) {
                if (out[i] != src[i] && ++mismatches <= 5) {
                    ADD_FAILURE() << "size " << size << " amount " << amount << " pixel " << i / 4 << " channel "
                                  << i % 4 << ": " << out[i] << " for " << src[i];
                }
            }
            EXPECT_EQ(mismatches, 0) << "size " << size << " amount " << amount;
        }
    }
}

// Codes 0, 1, 32767 and 32768 read as exact multiples of 2^-15; codes above
// full scale read as more than 1, sample the cube's top and store 32768.
// Alpha is copied whatever its code.
TEST(ApplyLutRows16, EdgeCodesAndCodesAboveFullScale) {
    const Codes src = {0,     0,     1,     32767,  // A R G B
                       65535, 32768, 32769, 65535,  //
                       1,     40000, 0,     16384};
    EXPECT_EQ(applyRow(kvtest::IdentityCube(33), src, 1.0f),
              (Codes{0, 0, 1, 32767, 65535, 32768, 32768, 32768, 1, 32768, 0, 16384}));
    // Amount 0 returns each input, and inputs above 1 store full scale.
    EXPECT_EQ(applyRow(kvtest::RandomCube(5, 3u), src, 0.0f),
              (Codes{0, 0, 1, 32767, 65535, 32768, 32768, 32768, 1, 32768, 0, 16384}));
}

// At grid-point inputs the cube's node comes back exactly with amount 1, and
// the input with amount 0. Node values lie a quarter code above a code, so
// every difference and sum in the blend is exact and each node stores its
// code.
TEST(ApplyLutRows16, GridPointsReturnTheNodeAtAmountOneAndTheInputAtZero) {
    const int32_t n = 33;
    kv::Lut3D lut = kvtest::EmptyCube(n);
    std::vector<uint16_t> nodeCodes(lut.data.size());
    kvtest::FloatSource rnd(17u);
    for (size_t i = 0; i < lut.data.size(); ++i) {
        nodeCodes[i] = static_cast<uint16_t>(rnd.Next(0.0f, 32768.0f));
        lut.data[i] = (static_cast<float>(nodeCodes[i]) + 0.25f) * 0x1p-15f;
    }
    Codes src;
    Codes atOne;
    for (int32_t b = 0; b < n; b += 4)
        for (int32_t g = 0; g < n; g += 4)
            for (int32_t r = 0; r < n; ++r) {
                // Node i sits at code i * 32768 / 32 = 1024 i.
                src.insert(src.end(), {static_cast<uint16_t>(r + g), static_cast<uint16_t>(1024 * r),
                                       static_cast<uint16_t>(1024 * g), static_cast<uint16_t>(1024 * b)});
                const uint16_t* node = &nodeCodes[3 * (static_cast<size_t>(r) + n * (g + static_cast<size_t>(n) * b))];
                atOne.insert(atOne.end(), {static_cast<uint16_t>(r + g), node[0], node[1], node[2]});
            }
    EXPECT_EQ(applyRow(lut, src, 1.0f), atOne);
    EXPECT_EQ(applyRow(lut, src, 0.0f), src);
}

// NaN results store 0: a NaN node, a NaN amount, and an infinite node (the
// zero weights of the other corners times infinity are NaN). A NaN domain
// makes every input read as the domain minimum, so the first node is what
// comes back.
TEST(ApplyLutRows16, NaNResultsStoreZero) {
    const Codes src = {9, 16384, 32768, 1};
    EXPECT_EQ(applyRow(constantCube(kNaN), src, 1.0f), (Codes{9, 0, 0, 0}));
    EXPECT_EQ(applyRow(constantCube(kNaN), src, 0.5f), (Codes{9, 0, 0, 0}));
    EXPECT_EQ(applyRow(constantCube(0.25f), src, kNaN), (Codes{9, 0, 0, 0}));
    EXPECT_EQ(applyRow(constantCube(kInf), src, 1.0f), (Codes{9, 0, 0, 0}));
    EXPECT_EQ(applyRow(constantCube(-kInf), src, 0.0f), (Codes{9, 0, 0, 0}));

    kv::Lut3D nanDomain = kvtest::RandomCube(3, 5u);
    kvtest::LutNode(nanDomain, 0, 0, 0)[0] = kNaN;
    kvtest::LutNode(nanDomain, 0, 0, 0)[1] = 0.25f;
    kvtest::LutNode(nanDomain, 0, 0, 0)[2] = 0.75f;
    nanDomain.domainMax[0] = nanDomain.domainMax[1] = nanDomain.domainMax[2] = kNaN;
    EXPECT_EQ(applyRow(nanDomain, src, 1.0f), (Codes{9, 0, 8192, 24576}));
}

TEST(Code16Channel, ScaleIsOneCodeStepAndExact) {
    EXPECT_EQ(kvtest::BitsOf(kv::kCode16Scale), 0x38000000u);
    EXPECT_EQ(kv::kCode16Scale * static_cast<float>(kv::kCode16Max), 1.0f);
    EXPECT_EQ(kv::kArgb16.codeScale, kv::kCode16Scale);
}

}  // namespace
