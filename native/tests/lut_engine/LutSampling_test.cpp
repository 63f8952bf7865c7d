#include "lut_engine/LutSampling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "TestLuts.h"

namespace {

using kvtest::BitsOf;
using kvtest::LutNode;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void expectNode(const kv::Lut3D& lut, const float out[3], int32_t r, int32_t g, int32_t b) {
    const float* node = LutNode(const_cast<kv::Lut3D&>(lut), r, g, b);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(BitsOf(out[k]), BitsOf(node[k])) << "node " << r << "," << g << "," << b << " ch " << k;
    }
}

// Sizes whose node positions i / (N - 1) are exact in float, so that a grid
// point lands exactly on its node.
TEST(SampleTetra, GridPointsReturnTheirNodesExactly) {
    for (int32_t n : {2, 5, 17, 33}) {
        const kv::Lut3D lut = kvtest::RandomCube(n, 100 + n);
        const float step = 1.0f / static_cast<float>(n - 1);
        for (int32_t b = 0; b < n; b += (n > 5 ? 3 : 1))
            for (int32_t g = 0; g < n; ++g)
                for (int32_t r = 0; r < n; ++r) {
                    const float in[3] = {r * step, g * step, b * step};
                    float out[3];
                    kv::sampleTetra(lut, in, out);
                    expectNode(lut, out, r, g, b);
                }
    }
}

TEST(SampleTetra, DomainMapsItsEdgesToTheFirstAndLastNodes) {
    kv::Lut3D lut = kvtest::RandomCube(5, 7);
    lut.domainMin[0] = -0.5f;
    lut.domainMax[0] = 1.5f;
    lut.domainMin[1] = 0.25f;
    lut.domainMax[1] = 0.75f;
    lut.domainMin[2] = 2.0f;
    lut.domainMax[2] = 6.0f;
    float out[3];
    const float low[3] = {-0.5f, 0.25f, 2.0f};
    kv::sampleTetra(lut, low, out);
    expectNode(lut, out, 0, 0, 0);
    const float high[3] = {1.5f, 0.75f, 6.0f};
    kv::sampleTetra(lut, high, out);
    expectNode(lut, out, 4, 4, 4);
    const float inner[3] = {0.0f, 0.5f, 3.0f};  // nodes 1, 2, 1
    kv::sampleTetra(lut, inner, out);
    expectNode(lut, out, 1, 2, 1);
}

TEST(SampleTetra, IdentityCubeReturnsItsInput) {
    for (int32_t n : {2, 17, 33, 64}) {
        const kv::Lut3D lut = kvtest::IdentityCube(n);
        kvtest::FloatSource src(n);
        for (int i = 0; i < 2000; ++i) {
            const float in[3] = {src.Next(0.0f, 1.0f), src.Next(0.0f, 1.0f), src.Next(0.0f, 1.0f)};
            float out[3];
            kv::sampleTetra(lut, in, out);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], in[k], 4e-7f) << "N=" << n;
        }
    }
}

// Values that are NaN, infinite or outside the domain clamp to the edge
// nodes instead of extrapolating or reading outside the cube.
TEST(SampleTetra, NonFiniteAndOutOfDomainInputsClampToEdgeNodes) {
    const kv::Lut3D lut = kvtest::RandomCube(9, 3);
    struct Case {
        float in[3];
        int32_t node[3];
    };
    const Case cases[] = {
        {{kNaN, kNaN, kNaN}, {0, 0, 0}},
        {{-kInf, kInf, kNaN}, {0, 8, 0}},
        {{kInf, -1.0f, 2.0f}, {8, 0, 8}},
        {{1.0f, 1.0f, 1.0f}, {8, 8, 8}},
        {{-0.0f, 1.0000001f, 1e30f}, {0, 8, 8}},
        {{0.5f, kNaN, 7.0f}, {4, 0, 8}},
    };
    for (const Case& c : cases) {
        float out[3];
        kv::sampleTetra(lut, c.in, out);
        expectNode(lut, out, c.node[0], c.node[1], c.node[2]);
    }
}

// Each tetrahedron reads four corners; equal fractions must resolve to the
// one tetrahedron the strict comparisons pick. Corners outside it are NaN,
// so reading any of them (even with weight 0) shows up as a NaN output.
TEST(SampleTetra, TiesAndOrderingsReadOnlyTheirTetrahedron) {
    // Corner bits: 1 = red, 2 = green, 4 = blue step from c000.
    struct Case {
        float f[3];
        unsigned corners[4];
    };
    const Case cases[] = {
        {{0.5f, 0.5f, 0.5f}, {0, 2, 3, 7}},  // grey: the green-first diagonal
        {{0.6f, 0.6f, 0.2f}, {0, 2, 3, 7}},  // fr == fg > fb
        {{0.6f, 0.3f, 0.3f}, {0, 1, 5, 7}},  // fr > fg == fb
        {{0.6f, 0.2f, 0.6f}, {0, 4, 5, 7}},  // fr == fb > fg
        {{0.2f, 0.6f, 0.6f}, {0, 2, 6, 7}},  // fb == fg > fr
        {{0.2f, 0.2f, 0.6f}, {0, 4, 6, 7}},  // fb > fg == fr
        {{0.6f, 0.2f, 0.2f}, {0, 1, 5, 7}},  // fr > fg == fb
        {{0.7f, 0.5f, 0.3f}, {0, 1, 3, 7}},
        {{0.7f, 0.3f, 0.5f}, {0, 1, 5, 7}},
        {{0.5f, 0.3f, 0.7f}, {0, 4, 5, 7}},
        {{0.3f, 0.5f, 0.7f}, {0, 4, 6, 7}},
        {{0.3f, 0.7f, 0.5f}, {0, 2, 6, 7}},
        {{0.5f, 0.7f, 0.3f}, {0, 2, 3, 7}},
    };
    for (const Case& c : cases) {
        kv::Lut3D lut = kvtest::EmptyCube(2);
        for (unsigned corner = 0; corner < 8; ++corner) {
            bool used = false;
            for (unsigned u : c.corners) used = used || u == corner;
            float* v = LutNode(lut, corner & 1, (corner >> 1) & 1, (corner >> 2) & 1);
            for (int k = 0; k < 3; ++k) v[k] = used ? 0.1f * static_cast<float>(corner + k) : kNaN;
        }
        float out[3];
        kv::sampleTetra(lut, c.f, out);
        for (int k = 0; k < 3; ++k) {
            EXPECT_FALSE(std::isnan(out[k])) << c.f[0] << " " << c.f[1] << " " << c.f[2];
        }
    }
}

// The weighted sum with every product and sum rounded on its own, in the
// order the GPU kernels and vector routines follow. Volatile stores keep the
// compiler from fusing a multiply into the following add.
float roundedSum(float w0, float w1, float w2, float w3, float c000, float a, float b, float c111) {
    volatile float p3 = w3 * c111;
    volatile float p2 = w2 * b;
    volatile float high = p3 + p2;
    volatile float p1 = w1 * a;
    volatile float p0 = w0 * c000;
    volatile float low = p1 + p0;
    volatile float sum = high + low;
    return sum;
}

// On a 2-node cube the fractions are the inputs themselves; with
// fr > fg > fb the corners are c000, c100, c110, c111. A build that fuses
// multiply-adds gets different last bits for most of these inputs.
TEST(SampleTetra, RoundsEveryOperationSeparately) {
    const kv::Lut3D lut = kvtest::RandomCube(2, 42);
    const float* c000 = &lut.data[0];
    const float* c100 = &lut.data[3];
    const float* c110 = &lut.data[9];
    const float* c111 = &lut.data[21];
    kvtest::FloatSource src(9);
    int mismatches = 0;
    for (int i = 0; i < 5000; ++i) {
        float in[3] = {src.Next(0.0f, 1.0f), src.Next(0.0f, 1.0f), src.Next(0.0f, 1.0f)};
        std::sort(in, in + 3, [](float x, float y) { return x > y; });
        if (!(in[0] > in[1] && in[1] > in[2])) continue;
        float out[3];
        kv::sampleTetra(lut, in, out);
        const float w0 = 1.0f - in[0];
        const float w1 = in[0] - in[1];
        const float w2 = in[1] - in[2];
        const float w3 = in[2];
        for (int k = 0; k < 3; ++k) {
            const float want = roundedSum(w0, w1, w2, w3, c000[k], c100[k], c110[k], c111[k]);
            if (BitsOf(out[k]) != BitsOf(want) && ++mismatches <= 5) {
                ADD_FAILURE() << "input " << in[0] << " " << in[1] << " " << in[2] << " channel " << k
                              << ": " << out[k] << " != " << want;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(BlendAmount, MixesInputAndLutOutput) {
    EXPECT_EQ(kv::BlendAmount(0.8f, 0.2f, 0.0f), 0.2f);
    EXPECT_EQ(kv::BlendAmount(0.8f, 0.2f, 1.0f), 0.8f);
    EXPECT_FLOAT_EQ(kv::BlendAmount(0.8f, 0.2f, 0.5f), 0.5f);
    EXPECT_TRUE(std::isnan(kv::BlendAmount(0.3f, kNaN, 1.0f)));
    // (out - in) * amount + in with its two roundings.
    kvtest::FloatSource src(5);
    int mismatches = 0;
    for (int i = 0; i < 2000; ++i) {
        const float out = src.Next(-0.5f, 1.5f);
        const float in = src.Next(0.0f, 1.0f);
        const float amount = src.Next(0.0f, 1.0f);
        volatile float diff = out - in;
        volatile float product = diff * amount;
        volatile float want = product + in;
        const float got = kv::BlendAmount(out, in, amount);
        if (BitsOf(got) != BitsOf(want) && ++mismatches <= 5) {
            ADD_FAILURE() << out << " " << in << " " << amount << ": " << got << " != " << want;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// A 5-entry 1D stage with a different range per channel and entries whose
// interpolations are exact in float: R over 0..1 rising, G over -1..3
// falling, B over 0..0.5 with a flat step.
kv::Lut3D dyadicShaper() {
    kv::Lut3D lut;
    lut.shaperSize = 5;
    const float lo[3] = {0.0f, -1.0f, 0.0f};
    const float hi[3] = {1.0f, 3.0f, 0.5f};
    const float entries[5][3] = {{0.0f, 1.0f, 0.0f},
                                 {0.5f, 0.75f, 0.25f},
                                 {0.625f, 0.5f, 0.25f},
                                 {0.75f, 0.25f, 0.5f},
                                 {1.0f, 0.0f, 0.75f}};
    for (int c = 0; c < 3; ++c) {
        lut.shaperMin[c] = lo[c];
        lut.shaperMax[c] = hi[c];
    }
    for (const auto& e : entries) lut.shaper.insert(lut.shaper.end(), e, e + 3);
    return lut;
}

// Each channel's own range maps onto its curve; NaN, anything below the
// range and -inf read as the first entry, anything above and +inf as the
// last (the last cell at fraction 1), exact entry positions give the entry.
TEST(ShaperChannel, MapsEachChannelsRangeOntoItsCurve) {
    const kv::Lut3D lut = dyadicShaper();
    struct Case {
        int channel;
        float in;
        float out;
    };
    const Case cases[] = {
        {0, kNaN, 0.0f},   {0, -kInf, 0.0f},     {0, -0.5f, 0.0f},  {0, 0.0f, 0.0f},    {0, 0.25f, 0.5f},
        {0, 0.375f, 0.5625f}, {0, 1.0f, 1.0f},   {0, 1.5f, 1.0f},   {0, kInf, 1.0f},    {0, -0.0f, 0.0f},
        {1, kNaN, 1.0f},   {1, -1.0f, 1.0f},     {1, 0.0f, 0.75f},  {1, 1.5f, 0.375f},  {1, 2.0f, 0.25f},
        {1, 3.0f, 0.0f},   {1, 7.0f, 0.0f},      {1, -3.0f, 1.0f},  {2, 0.25f, 0.25f},  {2, 0.3125f, 0.375f},
        {2, 0.1875f, 0.25f}, {2, 0.5f, 0.75f},   {2, 1.0f, 0.75f},  {2, -kInf, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BitsOf(kv::ShaperChannel(lut, c.in, c.channel)), BitsOf(c.out))
            << "channel " << c.channel << " input " << c.in;
    }
}

// The smallest and the largest curves: two entries interpolate linearly;
// 65536 entries (i / 65536 each, exact) reach both ends and the middle cell
// exactly.
TEST(ShaperChannel, HandlesTwoAndSixtyFiveThousandEntries) {
    kv::Lut3D two;
    two.shaperSize = 2;
    two.shaper = {-1.0f, 0.0f, 2.0f, 3.0f, 1.0f, 0.0f};
    EXPECT_EQ(kv::ShaperChannel(two, 0.25f, 0), 0.0f);
    EXPECT_EQ(kv::ShaperChannel(two, 0.5f, 1), 0.5f);
    EXPECT_EQ(kv::ShaperChannel(two, 0.75f, 2), 0.5f);
    EXPECT_EQ(kv::ShaperChannel(two, 2.0f, 0), 3.0f);

    kv::Lut3D big;
    big.shaperSize = 65536;
    for (int32_t i = 0; i < 65536; ++i) big.shaper.insert(big.shaper.end(), 3, static_cast<float>(i) / 65536.0f);
    ASSERT_TRUE(big.HasCompleteTables());
    EXPECT_EQ(kv::ShaperChannel(big, 0.0f, 0), 0.0f);
    EXPECT_EQ(kv::ShaperChannel(big, 0.5f, 1), 32767.5f / 65536.0f);
    EXPECT_EQ(kv::ShaperChannel(big, 1.0f, 2), 65535.0f / 65536.0f);
    EXPECT_EQ(kv::ShaperChannel(big, 9.0f, 2), 65535.0f / 65536.0f);
    kvtest::FloatSource src(65536u);
    for (int i = 0; i < 1000; ++i) {
        const float in = src.Next(0.0f, 1.0f);
        EXPECT_NEAR(kv::ShaperChannel(big, in, i % 3), in * (65535.0 / 65536.0), 1e-7) << in;
    }
}

// SampleLut runs the 1D stage alone when there is no cube, and feeds the
// cube the shaped values when there is one: a 2-node cube that rotates
// channels (out R, G, B = in G, B, R) shows which values reached it.
TEST(SampleLut, FeedsTheShapedValuesToTheCube) {
    kv::Lut3D lut = dyadicShaper();
    const float in[3] = {0.375f, 0.0f, 0.3125f};
    const float shaped[3] = {0.5625f, 0.75f, 0.375f};
    float out[3];
    kv::SampleLut(lut, in, out);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(out[k], shaped[k]) << k;

    lut.size = 2;
    lut.data.assign(24, 0.0f);
    for (int32_t b = 0; b < 2; ++b)
        for (int32_t g = 0; g < 2; ++g)
            for (int32_t r = 0; r < 2; ++r) {
                float* v = LutNode(lut, r, g, b);
                v[0] = static_cast<float>(g);
                v[1] = static_cast<float>(b);
                v[2] = static_cast<float>(r);
            }
    kv::SampleLut(lut, in, out);
    EXPECT_EQ(out[0], shaped[1]);
    EXPECT_EQ(out[1], shaped[2]);
    EXPECT_EQ(out[2], shaped[0]);
}

}  // namespace
