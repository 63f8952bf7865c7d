// The kernel body compiled as C++ against the processor path: kv::sampleTetra
// with the Amount blend, and kv::probeColour.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "KernelTestSupport.h"
#include "TestLuts.h"
#include "ParityBound.h"
#include "gpu/kernel/HalfFloat.h"
#include "gpu/kernel/KromvaleLutTwinBody.h"
#include "lut_engine/LutSampling.h"

namespace kv::gpu::test {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// One LUT pixel through the twin: sums and outputs per channel R, G, B.
struct TwinResult {
    float sum[3];
    float out[3];
    double sumMagnitude[3];
};

TwinResult TwinSample(const Lut3D& lut, const float in[3], float amount) {
    const twin::KvTetra t = twin::kvTetra(in[0], in[1], in[2], lut.size, lut.domainMin[0],
                                          lut.domainMin[1], lut.domainMin[2], lut.domainMax[0],
                                          lut.domainMax[1], lut.domainMax[2]);
    TwinResult r{};
    for (int c = 0; c < 3; ++c) {
        r.sum[c] = twin::kvTetraSum(lut.data.data(), t, c);
        r.out[c] = twin::kvBlend(r.sum[c], in[c], amount);
        r.sumMagnitude[c] = SumMagnitude(t, lut.data.data(), c);
    }
    return r;
}

// Random inputs: mostly inside the domain, some outside, some on nodes and
// on the domain edges, some with equal fractions.
float RandomInput(std::mt19937& rng, const Lut3D& lut, int c) {
    const float lo = lut.domainMin[c];
    const float hi = lut.domainMax[c];
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    switch (kind(rng)) {
        case 0:
            return lo + (hi - lo) * (unit(rng) * 3.0f - 1.0f);
        case 1:
            return lo + (hi - lo) * std::uniform_int_distribution<int>(0, lut.size - 1)(rng) /
                            float(lut.size - 1);
        case 2:
            return unit(rng) < 0.5f ? lo : hi;
        case 3:
            return lo + (hi - lo) * std::uniform_int_distribution<int>(0, 8)(rng) / 8.0f;
        default:
            return lo + (hi - lo) * unit(rng);
    }
}

TEST(KromvaleLutTwin, LutResultsStayWithinParityBoundOfProcessor) {
    std::mt19937 rng(1234);
    ParityStats sums;
    ParityStats outs;
    for (int size : {2, 3, 17, 33}) {
        for (int round = 0; round < 4; ++round) {
            Lut3D lut = kvtest::RandomCube(size, static_cast<uint32_t>(rng()), -0.5f, 1.5f);
            if (round >= 2) {
                // A wide-range LUT and a shifted domain.
                for (float& v : lut.data) {
                    v = v * 300.0f - 100.0f;
                }
                lut.domainMin[0] = -0.25f;
                lut.domainMax[1] = 4.0f;
                lut.domainMin[2] = 0.125f;
                lut.domainMax[2] = 0.75f;
            }
            for (int i = 0; i < 20000; ++i) {
                const float in[3] = {RandomInput(rng, lut, 0), RandomInput(rng, lut, 1),
                                     RandomInput(rng, lut, 2)};
                const float amount = i % 4 == 0 ? 1.0f : std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
                float cpuSum[3];
                sampleTetra(lut, in, cpuSum);
                const TwinResult twin = TwinSample(lut, in, amount);
                for (int c = 0; c < 3; ++c) {
                    const double sumBound = SumBound(twin.sumMagnitude[c]);
                    const double sumDiff = std::fabs(double(twin.sum[c]) - cpuSum[c]);
                    const float cpuOut = BlendAmount(cpuSum[c], in[c], amount);
                    const double outBound = BlendBound(sumBound, in[c], amount, twin.sum[c],
                                                       cpuSum[c], twin.out[c], cpuOut);
                    const double outDiff = std::fabs(double(twin.out[c]) - cpuOut);
                    ASSERT_LE(sumDiff, sumBound) << "size " << size << " in " << in[0] << ","
                                                 << in[1] << "," << in[2] << " channel " << c;
                    ASSERT_LE(outDiff, outBound) << "size " << size << " amount " << amount;
                    sums.Add(sumDiff, sumBound);
                    outs.Add(outDiff, outBound);
                }
            }
        }
    }
    RecordProperty("worst_sum_ratio", std::to_string(sums.worstRatio));
    RecordProperty("worst_output_ratio", std::to_string(outs.worstRatio));
}

// Random LUTs with a 1D stage, as a case table builds them: the curve's
// size and input range, and the cube behind it (size 0: none).
struct ShapedCase {
    const char* name;
    int shaperSize;
    float lo, hi;  // the curve's input range on every channel
    int cubeSize;
};

const ShapedCase kShapedCases[] = {
    {"2-entry curve before 17^3", 2, 0.0f, 1.0f, 17},
    {"4096 before 33^3", 4096, 0.0f, 1.0f, 33},
    {"wide range 1024 before 5^3", 1024, -0.1f, 1.5f, 5},
    {"1D only, 65536", 65536, 0.0f, 1.0f, 0},
    {"1D only, range -1..3", 33, -1.0f, 3.0f, 0},
};

Lut3D ShapedLut(const ShapedCase& c, uint32_t seed) {
    Lut3D lut = c.cubeSize > 0 ? kvtest::RandomCube(c.cubeSize, seed, -0.5f, 1.5f) : Lut3D{};
    kvtest::AddRandomShaper(lut, c.shaperSize, seed + 1, c.lo, c.hi);
    // The curves' outputs (about -0.05..1.1) fall partly outside the cube's
    // domain on red, so clamping behind the 1D stage is exercised too.
    lut.domainMin[1] = -0.1f;
    lut.domainMax[2] = 1.2f;
    return lut;
}

// Inputs around and beyond the curve's range, on its entries and edges.
float ShapedInput(std::mt19937& rng, const Lut3D& lut, int c) {
    const float lo = lut.shaperMin[c];
    const float hi = lut.shaperMax[c];
    const int m = lut.shaperSize;
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    switch (std::uniform_int_distribution<int>(0, 7)(rng)) {
        case 0: return lo + (hi - lo) * (unit(rng) * 3.0f - 1.0f);
        case 1: return lo + (hi - lo) * std::uniform_int_distribution<int>(0, m - 1)(rng) / float(m - 1);
        case 2: return unit(rng) < 0.5f ? lo : hi;
        case 3: return kNaN;
        default: return lo + (hi - lo) * unit(rng);
    }
}

TEST(KromvaleLutTwin, ShapedLutsMatchTheProcessorsOneDStageExactlyAndItsCubeWithinBound) {
    std::mt19937 rng(99);
    ParityStats outs;
    for (const ShapedCase& sc : kShapedCases) {
        SCOPED_TRACE(sc.name);
        const Lut3D lut = ShapedLut(sc, static_cast<uint32_t>(rng()));
        ASSERT_TRUE(lut.HasCompleteTables());
        for (int i = 0; i < 20000; ++i) {
            const float in[3] = {ShapedInput(rng, lut, 0), ShapedInput(rng, lut, 1), ShapedInput(rng, lut, 2)};
            const float amount = i % 4 == 0 ? 1.0f : std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
            float cpuSample[3];
            SampleLut(lut, in, cpuSample);

            // The 1D stage is the processor's bit for bit, so the cube
            // behind it sees the very same input.
            float shaped[3];
            for (int c = 0; c < 3; ++c) {
                shaped[c] = twin::kvShaperChannel(lut.shaper.data(), lut.shaperSize, in[c], lut.shaperMin[c],
                                                  lut.shaperMax[c], c);
                ASSERT_EQ(Bits(shaped[c]), Bits(ShaperChannel(lut, in[c], c))) << "input " << in[c];
            }
            TwinResult cube{};
            if (lut.size > 0) {
                cube = TwinSample(lut, shaped, amount);
            }
            const twin::KvPixel px = twin::kvShapedLutPixel(
                twin::KvPixel{in[2], in[1], in[0], 0.25f}, lut.data.data(), lut.size, lut.domainMin[0],
                lut.domainMin[1], lut.domainMin[2], lut.domainMax[0], lut.domainMax[1], lut.domainMax[2], amount,
                lut.shaper.data(), lut.shaperSize, lut.shaperMin[0], lut.shaperMin[1], lut.shaperMin[2],
                lut.shaperMax[0], lut.shaperMax[1], lut.shaperMax[2]);
            const float got[3] = {px.r, px.g, px.b};
            ASSERT_EQ(px.a, 0.25f);
            for (int c = 0; c < 3; ++c) {
                const float v = lut.size > 0 ? cube.sum[c] : shaped[c];
                const double sumBound = lut.size > 0 ? SumBound(cube.sumMagnitude[c]) : 0.0;
                ASSERT_LE(std::fabs(double(v) - cpuSample[c]), sumBound) << "channel " << c;
                // Amount mixes with the input as it came, not the shaped value.
                const float cpuOut = BlendAmount(cpuSample[c], in[c], amount);
                if (std::isnan(in[c])) {
                    ASSERT_TRUE(std::isnan(got[c]));
                    continue;
                }
                const double bound = BlendBound(sumBound, in[c], amount, v, cpuSample[c], got[c], cpuOut);
                ASSERT_LE(std::fabs(double(got[c]) - cpuOut), bound) << "channel " << c << " amount " << amount;
                outs.Add(std::fabs(double(got[c]) - cpuOut), bound);
            }
        }
    }
    RecordProperty("worst_output_ratio", std::to_string(outs.worstRatio));
}

TEST(KromvaleLutTwin, NodesAndDomainEdgesReturnNodeValuesExactly) {
    std::mt19937 rng(7);
    Lut3D lut = kvtest::RandomCube(5, static_cast<uint32_t>(rng()), -2.0f, 3.0f);
    lut.domainMin[0] = -0.5f;
    lut.domainMax[0] = 2.0f;
    lut.domainMax[2] = 0.5f;
    const int n = lut.size;
    for (int b = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r) {
                const int idx[3] = {r, g, b};
                float in[3];
                for (int c = 0; c < 3; ++c) {
                    // The last node is given as the domain maximum itself.
                    in[c] = idx[c] == n - 1
                                ? lut.domainMax[c]
                                : lut.domainMin[c] + (lut.domainMax[c] - lut.domainMin[c]) *
                                                         (float(idx[c]) / float(n - 1));
                }
                const TwinResult twin = TwinSample(lut, in, 1.0f);
                const float* node = lut.data.data() + 3 * (r + n * g + n * n * b);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(Bits(twin.sum[c]), Bits(node[c])) << r << "," << g << "," << b;
                }
            }
        }
    }
}

TEST(KromvaleLutTwin, OutOfDomainClampsToEdgeNodesAndNanInputStaysNan) {
    std::mt19937 rng(8);
    const Lut3D lut = kvtest::RandomCube(4, static_cast<uint32_t>(rng()), 0.0f, 1.0f);
    const float* first = lut.data.data();
    const float* last = lut.data.data() + 3 * (4 * 4 * 4 - 1);

    const float below[3] = {-5.0f, -1e30f, -std::numeric_limits<float>::infinity()};
    const float above[3] = {1.0001f, 1e30f, std::numeric_limits<float>::infinity()};
    const TwinResult lo = TwinSample(lut, below, 1.0f);
    const TwinResult hi = TwinSample(lut, above, 1.0f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(lo.sum[c], first[c]);
        EXPECT_EQ(hi.sum[c], last[c]);
    }

    // NaN red is looked up at the first node on red; the blend then mixes
    // with the NaN input, so only red comes out NaN.
    const float nanRed[3] = {kNaN, 1.0f, 1.0f};
    const float zeroRed[3] = {0.0f, 1.0f, 1.0f};
    const TwinResult withNan = TwinSample(lut, nanRed, 0.5f);
    const TwinResult withZero = TwinSample(lut, zeroRed, 0.5f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(withNan.sum[c], withZero.sum[c]);
    }
    EXPECT_TRUE(std::isnan(withNan.out[0]));
    EXPECT_EQ(withNan.out[1], withZero.out[1]);
    EXPECT_EQ(withNan.out[2], withZero.out[2]);
}

TEST(KromvaleLutTwin, EqualFractionsFallToTheLaterTetrahedron) {
    // Fractions chosen on a size-2 LUT: input = fraction. sr = 3, sg = 6, sb = 12.
    struct Case {
        float r, g, b;
        long long ia, ib;
    };
    const Case cases[] = {
        {0.5f, 0.5f, 0.5f, 6, 9},      // grey: A = c010, B = c110
        {0.5f, 0.5f, 0.25f, 6, 9},     // r == g > b
        {0.75f, 0.5f, 0.5f, 3, 15},    // r > g == b: A = c100, B = c101
        {0.5f, 0.25f, 0.5f, 12, 15},   // r == b > g: A = c001, B = c101
        {0.25f, 0.5f, 0.5f, 6, 18},    // g == b > r: A = c010, B = c011
        {0.25f, 0.25f, 0.5f, 12, 18},  // b > r == g: A = c001, B = c011
        {0.75f, 0.5f, 0.25f, 3, 9},    // strict r > g > b
    };
    for (const Case& k : cases) {
        const twin::KvTetra t =
            twin::kvTetra(k.r, k.g, k.b, 2, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f);
        EXPECT_EQ(t.ia, k.ia) << k.r << "," << k.g << "," << k.b;
        EXPECT_EQ(t.ib, k.ib) << k.r << "," << k.g << "," << k.b;
        EXPECT_EQ(t.opposite, 21);
    }
}

TEST(KromvaleLutTwin, AmountZeroCopiesEveryComponentExactly) {
    std::mt19937 rng(9);
    const Lut3D lut = kvtest::RandomCube(9, static_cast<uint32_t>(rng()), -1.0f, 2.0f);
    std::uniform_real_distribution<float> value(-3.0f, 4.0f);
    for (int is16f : {0, 1}) {
        kv::gpu::KernelParams k;
        kv::gpu::SetLutArgs(k, lut);
        k.amount = 0.0f;
        k.is16f = is16f;
        k.width = 21;
        k.height = 7;
        k.srcPitch = 24;
        k.dstPitch = 22;
        GpuFrame src(is16f, k.srcPitch, k.height);
        for (int y = 0; y < k.height; ++y) {
            for (int x = 0; x < k.width; ++x) {
                const float px[4] = {value(rng), value(rng), value(rng), value(rng)};
                src.Set(x, y, px);
            }
        }
        GpuFrame dst(is16f, k.dstPitch, k.height);
        RunTwin(src, dst, lut.data.data(), k);
        GpuFrame inPlace = src;
        k.dstPitch = k.srcPitch;
        RunTwinInPlace(inPlace, lut.data.data(), k);
        for (int y = 0; y < k.height; ++y) {
            for (int x = 0; x < k.width; ++x) {
                ASSERT_EQ(0, std::memcmp(src.At(x, y), dst.At(x, y), src.PixelBytes()));
                ASSERT_EQ(0, std::memcmp(src.At(x, y), inPlace.At(x, y), src.PixelBytes()));
            }
        }
    }
}

TEST(KromvaleLutTwin, ThreadsOutsideTheFrameWriteNothing) {
    std::mt19937 rng(10);
    const Lut3D lut = kvtest::RandomCube(3, static_cast<uint32_t>(rng()), 0.0f, 1.0f);
    for (int probe : {0, 4}) {
        kv::gpu::KernelParams k;
        kv::gpu::SetLutArgs(k, lut);
        k.amount = 1.0f;
        k.width = 17;
        k.height = 3;
        k.srcPitch = 40;
        k.dstPitch = 40;
        if (probe > 0) {
            k.probe = probe;
            k.pattern = ProbeGeometry{8, 8, 0, 0, 40, 40};
        }
        GpuFrame src(0, 40, 20);
        GpuFrame dst(0, 40, 20);
        std::fill(dst.bytes.begin(), dst.bytes.end(), 0xA5);
        RunTwin(src, dst, lut.data.data(), k);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 40; ++x) {
                const bool inside = x < k.width && y < k.height;
                const unsigned char* p = dst.At(x, y);
                const bool untouched = std::all_of(p, p + 16, [](unsigned char b) { return b == 0xA5; });
                ASSERT_EQ(untouched, !inside) << "pixel " << x << "," << y << " probe " << probe;
            }
        }
    }
}

TEST(KromvaleLutTwin, FramesMatchProcessorPerPixelInBothFormats) {
    std::mt19937 rng(11);
    std::vector<std::pair<const char*, Lut3D>> luts;
    luts.emplace_back("17^3", kvtest::RandomCube(17, static_cast<uint32_t>(rng()), -0.2f, 1.2f));
    luts.emplace_back("256 before 9^3", ShapedLut({"", 256, -0.1f, 1.3f, 9}, static_cast<uint32_t>(rng())));
    luts.emplace_back("1D only, 4096", ShapedLut({"", 4096, 0.0f, 1.0f, 0}, static_cast<uint32_t>(rng())));
    std::uniform_real_distribution<float> value(-0.3f, 1.3f);
    for (const auto& [name, lut] : luts) {
        for (int is16f : {0, 1}) {
            SCOPED_TRACE(std::string(name) + (is16f != 0 ? " half" : " float"));
            kv::gpu::KernelParams k;
            kv::gpu::SetLutArgs(k, lut);
            ASSERT_EQ(kv::gpu::UsesShapedEntry(k), lut.shaperSize > 0);
            k.amount = 0.75f;
            k.is16f = is16f;
            k.width = 19;
            k.height = 18;
            k.srcPitch = 20;
            k.dstPitch = 20;
            GpuFrame frame(is16f, 20, 18);
            for (int y = 0; y < k.height; ++y) {
                for (int x = 0; x < k.width; ++x) {
                    const float px[4] = {value(rng), value(rng), value(rng), value(rng)};
                    frame.Set(x, y, px);
                }
            }
            const GpuFrame input = frame;
            RunTwinInPlace(frame, lut.data.data(), k, lut.shaper.data());
            for (int y = 0; y < k.height; ++y) {
                for (int x = 0; x < k.width; ++x) {
                    float in[4];
                    float got[4];
                    float want[4];
                    input.Get(x, y, in);
                    frame.Get(x, y, got);
                    CpuPixel(lut, k.amount, in, want);
                    EXPECT_EQ(Bits(got[3]), Bits(in[3])) << "alpha at " << x << "," << y;
                    for (int c = 0; c < 3; ++c) {
                        // Float results within a few ulps, and within a few
                        // ulps of the unit scale where terms of about 1 cancel
                        // to a small result; halves then round to the same
                        // value or a neighbour.
                        const float tolerance = is16f != 0 ? std::fabs(want[c]) * 0x1p-10f + 0x1p-24f
                                                           : std::fabs(want[c]) * 0x1p-21f + 0x1p-24f;
                        EXPECT_NEAR(got[c], is16f != 0 ? HalfToFloat(FloatToHalfRne(want[c])) : want[c],
                                    tolerance)
                            << "pixel " << x << "," << y << " channel " << c << " input " << in[c];
                    }
                }
            }
        }
    }
}

TEST(KromvaleLutTwin, PatternMatchesProbeColourExactlyWithOpaqueAlpha) {
    struct Case {
        int n;
        int width;
        int height;
        Lut3D lut;
    };
    std::vector<Case> cases;
    auto add = [&](int n, int width, int height, int cols, int rows, double x0, double y0,
                   double x1, double y1) {
        Lut3D lut;
        lut.probe = n;
        lut.probeCols = cols;
        lut.probeRows = rows;
        lut.areaX0 = x0;
        lut.areaY0 = y0;
        lut.areaX1 = x1;
        lut.areaY1 = y1;
        cases.push_back({n, width, height, std::move(lut)});
    };
    add(2, 192, 108, 0, 0, 0.0, 0.0, 1.0, 1.0);
    add(3, 61, 47, 0, 0, 0.1, 0.2, 0.85, 0.9);
    add(4, 50, 30, 9, 8, 0.0, 0.0, 1.0, 1.0);     // 72 cells, 64 patches: trailing black
    add(5, 40, 40, 0, 0, 0.5, 0.5, 0.5, 0.5);     // a one-pixel area
    add(17, 200, 120, 0, 0, 0.05, 0.05, 0.95, 0.95);
    for (int is16f : {0, 1}) {
        for (const Case& c : cases) {
            const ProbeGeometry g = ProbeGeometryFor(c.lut, c.width, c.height);
            kv::gpu::KernelParams k;
            k.is16f = is16f;
            k.width = c.width;
            k.height = c.height;
            k.srcPitch = c.width;
            k.dstPitch = c.width;
            k.size = 2;
            k.probe = c.n;
            k.pattern = g;
            // The source is not read: fill it with NaN.
            GpuFrame src(is16f, c.width, c.height);
            GpuFrame dst(is16f, c.width, c.height);
            const float nan4[4] = {kNaN, kNaN, kNaN, kNaN};
            for (int y = 0; y < c.height; ++y) {
                for (int x = 0; x < c.width; ++x) {
                    src.Set(x, y, nan4);
                }
            }
            const float identity[24] = {};
            RunTwin(src, dst, identity, k);
            for (int y = 0; y < c.height; ++y) {
                for (int x = 0; x < c.width; ++x) {
                    float rgb[3];
                    probeColour(c.n, g, x, y, rgb);
                    float bgra[4] = {rgb[2], rgb[1], rgb[0], 1.0f};
                    GpuFrame expected(is16f, 1, 1);
                    expected.Set(0, 0, bgra);
                    ASSERT_EQ(0, std::memcmp(expected.At(0, 0), dst.At(x, y), dst.PixelBytes()))
                        << "n " << c.n << " pixel " << x << "," << y << " half " << is16f;
                }
            }
        }
    }
}

TEST(KromvaleLutTwin, PatternCountsCellsWithoutOverflow) {
    // 1291^3 does not fit in 32 bits; cell 3 must still be a patch, not black.
    const twin::KvPixel p = twin::kvProbePixel(3, 0, 1291, 4, 1, 0, 0, 4, 1);
    EXPECT_EQ(p.r, 3.0f * (1.0f / 1290.0f));
    EXPECT_EQ(p.g, 0.0f);
    EXPECT_EQ(p.b, 0.0f);
    EXPECT_EQ(p.a, 1.0f);
}

}  // namespace
}  // namespace kv::gpu::test
