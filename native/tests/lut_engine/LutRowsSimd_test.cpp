// Every vectorised row operation this processor runs against its scalar
// routine on the same input: the output must be the same bytes, NaN bits
// included (every NaN a float row writes is the one canonical NaN).

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TestLuts.h"
#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/FrameView.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"
#include "lut_engine/simd/LutRowsAvx2.h"
#include "lut_engine/simd/RowLevel.h"
#include "lut_engine/simd/RowTables.h"

namespace {

using kvtest::FloatSource;

struct VectorRoutines {
    const char* name;
    kv::LutRowsFn lutRows8;
    kv::LutRowsFn lutRows16;
    kv::LutRowsFn lutRows32f;
    kv::ProbeRowsFn probeRows8;
    kv::ProbeRowsFn probeRows16;
    kv::ProbeRowsFn probeRows32f;
};

std::vector<VectorRoutines> vectorRoutinesHere() {
    std::vector<VectorRoutines> sets;
    if (kv::DetectedRowLevel() >= kv::RowLevel::kAvx2) {
        sets.push_back({"avx2", &kv::ApplyLutRows8Avx2, &kv::ApplyLutRows16Avx2, &kv::ApplyLutRows32fAvx2,
                        &kv::DrawProbeRows8Avx2, &kv::DrawProbeRows16Avx2, &kv::DrawProbeRows32fAvx2});
    }
    return sets;
}

constexpr int32_t kLayouts[] = {kv::kLayoutBGRA, kv::kLayoutARGB, kv::kLayoutRGBA};

// A frame in a buffer larger than its pixels: `padBytes` after each row and
// the whole buffer filled, so that stray writes past a row show up.
struct Frame {
    std::vector<unsigned char> bytes;
    kv::FrameView view;
};

Frame makeFrame(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t padBytes,
                int32_t order, unsigned char fill) {
    Frame f;
    const int32_t rowBytes = width * bytesPerPixel + padBytes;
    // Float rows stay 4-byte aligned for the scalar routine's float access.
    f.bytes.assign(static_cast<size_t>(rowBytes) * height + 16, fill);
    f.view.data = f.bytes.data();
    f.view.width = width;
    f.view.height = height;
    f.view.rowBytes = rowBytes;
    f.view.channelOrder = order;
    return f;
}

void fillRandomBytes(Frame& f, uint32_t seed) {
    std::mt19937 gen(seed);
    for (auto& b : f.bytes) b = static_cast<unsigned char>(gen() >> 24);
}

// 16-bit codes: mostly 0..32768, some above full scale, and every eighth
// channel one of the edge codes.
void fillRandomCodes(Frame& f, uint32_t seed) {
    constexpr uint16_t kEdges[] = {0, 1, 2, 16383, 16384, 32767, 32768, 32769, 65535};
    std::mt19937 gen(seed);
    for (size_t i = 0; i + 1 < f.bytes.size(); i += 2) {
        const uint32_t bits = gen();
        uint16_t code = static_cast<uint16_t>((bits >> 8) % 34000u);
        if ((bits & 7u) == 0) code = kEdges[(bits >> 3) % std::size(kEdges)];
        std::memcpy(&f.bytes[i], &code, 2);
    }
}

void setPixelFloat(Frame& f, int32_t x, int32_t y, int32_t channel, float v) {
    std::memcpy(kv::RowPointer(f.view, y) + 16 * x + 4 * channel, &v, 4);
}

// Mostly colours in and a little beyond 0..1, with every tenth channel one
// of the awkward values.
void fillRandomFloats(Frame& f, uint32_t seed, const std::vector<float>& specials) {
    FloatSource src(seed);
    std::mt19937 pick(seed ^ 0x5bd1e995u);
    for (int32_t y = 0; y < f.view.height; ++y)
        for (int32_t x = 0; x < f.view.width; ++x)
            for (int32_t c = 0; c < 4; ++c) {
                const bool special = pick() % 10 == 0;
                setPixelFloat(f, x, y, c, special ? specials[pick() % specials.size()] : src.Next(-0.25f, 1.25f));
            }
}

std::vector<float> awkwardFloats() {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return {nan,
            -nan,
            std::bit_cast<float>(0x7FC12345u),  // NaNs with payloads, one of them signalling
            std::bit_cast<float>(0xFF800001u),
            inf,
            -inf,
            0.0f,
            -0.0f,
            std::numeric_limits<float>::denorm_min(),
            -std::numeric_limits<float>::denorm_min(),
            std::numeric_limits<float>::min(),
            std::numeric_limits<float>::min() / 2.0f,
            std::numeric_limits<float>::max(),
            -std::numeric_limits<float>::max(),
            1.0f,
            std::nextafter(1.0f, 2.0f),
            std::nextafter(1.0f, 0.0f),
            0.5f,
            1.0f / 32.0f,
            3.0f / 64.0f,
            -1.0f,
            2.0f,
            1e-8f};
}

// Same bytes, float frames included. Reports the first difference with its
// place.
::testing::AssertionResult sameFrames(const Frame& expected, const Frame& actual, bool floats) {
    if (expected.bytes.size() != actual.bytes.size()) {
        return ::testing::AssertionFailure() << "buffer sizes differ";
    }
    const size_t step = floats ? 4 : 1;
    for (size_t i = 0; i + step <= expected.bytes.size(); i += step) {
        if (std::memcmp(&expected.bytes[i], &actual.bytes[i], step) == 0) continue;
        if (floats) {
            float e;
            float a;
            std::memcpy(&e, &expected.bytes[i], 4);
            std::memcpy(&a, &actual.bytes[i], 4);
            char bits[64];
            std::snprintf(bits, sizeof bits, "0x%08X, vector 0x%08X", static_cast<unsigned>(kvtest::BitsOf(e)),
                          static_cast<unsigned>(kvtest::BitsOf(a)));
            return ::testing::AssertionFailure() << "byte offset " << i << " (row " << i / expected.view.rowBytes
                                                 << "): scalar " << e << " vs " << a << ", bits: scalar " << bits;
        }
        return ::testing::AssertionFailure() << "byte offset " << i << " (row " << i / expected.view.rowBytes
                                             << "): scalar " << int{expected.bytes[i]} << ", vector "
                                             << int{actual.bytes[i]};
    }
    return ::testing::AssertionSuccess();
}

kv::Lut3D testCube(int32_t size, uint32_t seed, bool oddDomain) {
    kv::Lut3D lut = kvtest::RandomCube(size, seed);
    if (oddDomain) {
        const float lo[3] = {-0.125f, 0.1f, 0.0f};
        const float hi[3] = {1.5f, 0.9f, 1.0f / 3.0f};
        for (int c = 0; c < 3; ++c) {
            lut.domainMin[c] = lo[c];
            lut.domainMax[c] = hi[c];
        }
    }
    return lut;
}

// Parameters for `width` columns from src to dst, channel tables from each
// frame's own order.
kv::LutRowsParams lutParams8(const kv::Lut3D& lut, const Frame& src, const Frame& dst, int32_t width,
                              float amount) {
    kv::LutRowsParams p;
    p.src = src.view;
    p.dst = dst.view;
    p.width = width;
    p.srcChannels = kv::ChannelTableFor(src.view.channelOrder);
    p.dstChannels = kv::ChannelTableFor(dst.view.channelOrder);
    p.scale = kv::kByteScale;
    p.lut = &lut;
    p.amount = amount;
    return p;
}

kv::LutRowsParams lutParams16(const kv::Lut3D& lut, const Frame& src, const Frame& dst, int32_t width,
                               float amount) {
    kv::LutRowsParams p = lutParams8(lut, src, dst, width, amount);
    p.scale = kv::kCode16Scale;
    return p;
}

kv::LutRowsParams lutParams32f(const kv::Lut3D& lut, const Frame& src, const Frame& dst, int32_t width,
                                  float amount) {
    kv::LutRowsParams p;
    p.src = src.view;
    p.dst = dst.view;
    p.width = width;
    p.srcChannels = kv::ChannelTableFor(src.view.channelOrder);
    p.dstChannels = kv::ChannelTableFor(dst.view.channelOrder);
    p.lut = &lut;
    p.amount = amount;
    return p;
}

// Adds processor floating-point modes for the scope (as a host may set them
// on its render threads): 0x8000 flushes denormal results, 0x0040 reads
// denormal inputs as zero, 0x2000 rounds downward.
class FloatModes {
public:
    explicit FloatModes(unsigned modes) : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | modes); }
    ~FloatModes() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
};

class LutRowsSimd : public ::testing::Test {
protected:
    void SetUp() override {
        routines_ = vectorRoutinesHere();
        if (routines_.empty()) GTEST_SKIP() << "no vectorised row operations on this processor";
    }
    std::vector<VectorRoutines> routines_;
};

// Runs the scalar and every vector routine over rows [y0, y1) of copies of
// one destination and compares them. A LUT's rows run twice: reading its own
// tables, and from a copy of it that carries its row tables.
template <class Params, class Fn, class Select>
void expectSameAsScalar(const std::vector<VectorRoutines>& sets, Params p, Fn scalar, Select select,
                        const Frame& dstTemplate, int32_t y0, int32_t y1, bool floats) {
    Frame expected = dstTemplate;
    p.dst.data = expected.bytes.data();
    scalar(p, y0, y1);
    std::vector<std::pair<Params, const char*>> runs = {{p, "own tables"}};
    kv::Lut3D prepared;
    if constexpr (requires { p.lut; }) {
        prepared = *p.lut;
        kv::PrepareRowTables(prepared);
        runs.emplace_back(p, "row tables");
        runs.back().first.lut = &prepared;
    }
    for (const VectorRoutines& set : sets) {
        for (auto& [run, tables] : runs) {
            SCOPED_TRACE(::testing::Message() << set.name << ", " << tables);
            Frame actual = dstTemplate;
            run.dst.data = actual.bytes.data();
            select(set)(run, y0, y1);
            EXPECT_TRUE(sameFrames(expected, actual, floats));
        }
    }
}

TEST_F(LutRowsSimd, RandomFramesMatchAcrossOrdersWidthsAmountsDomainsAndSizes) {
    const float amounts[] = {0.0f, 0.5f, 1.0f, std::numeric_limits<float>::quiet_NaN(), 0.3f, -0.5f, 1.75f};
    const int32_t widths[] = {1, 7, 8, 9, 31, 1921};
    const std::vector<float> specials = awkwardFloats();
    uint32_t seed = 20240611u;
    for (const int32_t size : {2, 33, 65}) {
        for (const bool oddDomain : {false, true}) {
            const kv::Lut3D lut = testCube(size, seed, oddDomain);
            for (const int32_t width : widths) {
                for (const int32_t srcOrder : kLayouts) {
                    for (const int32_t dstOrder : kLayouts) {
                        for (const float amount : amounts) {
                            ++seed;
                            SCOPED_TRACE(::testing::Message() << "seed " << seed << " size " << size << " domain "
                                                              << oddDomain << " width " << width << " orders "
                                                              << srcOrder << "/" << dstOrder << " amount " << amount);
                            const int32_t rows = width > 100 ? 2 : 5;
                            Frame src8 = makeFrame(width, rows, 4, 3, srcOrder, 0);
                            fillRandomBytes(src8, seed);
                            const Frame dst8 = makeFrame(width + 1, rows + 1, 4, 5, dstOrder, 0xA5);
                            expectSameAsScalar(routines_, lutParams8(lut, src8, dst8, width, amount), &kv::ApplyLutRows8,
                                               [](const VectorRoutines& s) { return s.lutRows8; }, dst8, 1, rows,
                                               false);

                            Frame src16 = makeFrame(width, rows, 8, 6, srcOrder, 0);
                            fillRandomCodes(src16, seed);
                            const Frame dst16 = makeFrame(width + 1, rows + 1, 8, 2, dstOrder, 0xA5);
                            expectSameAsScalar(routines_, lutParams16(lut, src16, dst16, width, amount),
                                               &kv::ApplyLutRows16,
                                               [](const VectorRoutines& s) { return s.lutRows16; }, dst16, 1, rows,
                                               false);

                            Frame src32 = makeFrame(width, rows, 16, 16, srcOrder, 0);
                            fillRandomFloats(src32, seed, specials);
                            const Frame dst32 = makeFrame(width, rows, 16, 32, dstOrder, 0x7F);
                            expectSameAsScalar(routines_, lutParams32f(lut, src32, dst32, width, amount), &kv::ApplyLutRows32f,
                                               [](const VectorRoutines& s) { return s.lutRows32f; }, dst32, 0, rows,
                                               true);
                            if (HasFailure()) return;
                        }
                    }
                }
            }
        }
    }
}

// Every combination of the awkward values on R, G and B, so that every
// special value meets every other one on each axis and in every comparison
// that picks a tetrahedron; in the default floating-point modes, with
// denormal results flushed, denormal inputs read as zero, and rounding
// downward; in the unit domain, one starting at -0 and an odd one.
TEST_F(LutRowsSimd, FloatSpecialValuesMatchInEveryCombination) {
    const std::vector<float> values = awkwardFloats();
    // Tables that no reader gives any more (they map NaN and infinities to
    // finite values) but a record may still hold: NaN with payloads, both
    // infinities and the largest floats, whose sums overflow.
    kv::Lut3D nonFinite = testCube(3, 79u, false);
    for (size_t i = 0; i < nonFinite.data.size(); i += 5) nonFinite.data[i] = values[(i / 5) % 14];
    // The identity cube keeps the tiniest fractions visible in its output.
    const kv::Lut3D cubes[] = {testCube(2, 77u, false), testCube(33, 78u, false), kvtest::IdentityCube(33), nonFinite};
    for (const kv::Lut3D& cube : cubes) {
        for (const int domain : {0, 1, 2}) {
            kv::Lut3D lut = cube;
            if (domain == 1) lut.domainMin[0] = lut.domainMin[2] = -0.0f;
            if (domain == 2) {
                const kv::Lut3D odd = testCube(2, 0u, true);
                std::copy(odd.domainMin, odd.domainMin + 3, lut.domainMin);
                std::copy(odd.domainMax, odd.domainMax + 3, lut.domainMax);
            }
            // Include each axis' domain edges.
            std::vector<float> axisValues = values;
            for (int c = 0; c < 3; ++c) {
                axisValues.push_back(lut.domainMin[c]);
                axisValues.push_back(lut.domainMax[c]);
            }
            const int32_t m = static_cast<int32_t>(axisValues.size());
            Frame src = makeFrame(m * m, m, 16, 0, kv::kLayoutRGBA, 0);
            for (int32_t y = 0; y < m; ++y)
                for (int32_t x = 0; x < m * m; ++x) {
                    setPixelFloat(src, x, y, 0, axisValues[x % m]);
                    setPixelFloat(src, x, y, 1, axisValues[x / m]);
                    setPixelFloat(src, x, y, 2, axisValues[y]);
                    setPixelFloat(src, x, y, 3, values[(x + y) % values.size()]);
                }
            for (const unsigned mode : {0u, 0x8000u, 0x0040u, 0x2000u}) {
                for (const float amount : {1.0f, 0.5f, 0.0f}) {
                    SCOPED_TRACE(::testing::Message() << "size " << lut.size << " domain " << domain << " amount "
                                                      << amount << " modes 0x" << std::hex << mode);
                    const Frame dst = makeFrame(m * m, m, 16, 0, kv::kLayoutBGRA, 0);
                    const FloatModes modes(mode);
                    expectSameAsScalar(routines_, lutParams32f(lut, src, dst, m * m, amount), &kv::ApplyLutRows32f,
                                       [](const VectorRoutines& s) { return s.lutRows32f; }, dst, 0, m, true);
                }
            }
        }
    }
}

// 8-bit inputs: every byte on every axis, against every other byte on the
// next axis, with the third axis tied to one of them or free, so that all
// ties between fractions occur.
TEST_F(LutRowsSimd, EveryByteValueMatchesIncludingTies) {
    for (const int32_t size : {2, 17, 33, 65}) {
        for (const bool oddDomain : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "size " << size << " domain " << oddDomain);
            const kv::Lut3D lut = testCube(size, 1234u + static_cast<uint32_t>(size), oddDomain);
            Frame src = makeFrame(256, 256 * 3, 4, 0, kv::kLayoutRGBA, 0);
            for (int32_t y = 0; y < 256; ++y)
                for (int32_t x = 0; x < 256; ++x) {
                    const unsigned char third = static_cast<unsigned char>((x * 7 + y * 13) & 0xFF);
                    const unsigned char pixels[3][4] = {
                        {static_cast<unsigned char>(x), static_cast<unsigned char>(y), third, 9},
                        {static_cast<unsigned char>(x), static_cast<unsigned char>(x), static_cast<unsigned char>(y), 99},
                        {static_cast<unsigned char>(y), static_cast<unsigned char>(x), static_cast<unsigned char>(y), 199}};
                    for (int32_t k = 0; k < 3; ++k)
                        std::memcpy(kv::RowPointer(src.view, y + 256 * k) + 4 * x, pixels[k], 4);
                }
            const Frame dst = makeFrame(256, 256 * 3, 4, 0, kv::kLayoutARGB, 0);
            expectSameAsScalar(routines_, lutParams8(lut, src, dst, 256, 1.0f), &kv::ApplyLutRows8,
                               [](const VectorRoutines& s) { return s.lutRows8; }, dst, 0, 256 * 3, false);
        }
    }
}

// The code scale is a parameter: scales whose products are not plain numbers
// in 0..1, and a domain starting at -0, in the default floating-point modes,
// with denormals flushed, and rounding downward; bytes and 16-bit codes.
TEST_F(LutRowsSimd, UnusualByteScalesAndDenormalModesMatch) {
    const float scales[] = {kv::kByteScale,
                            kv::kCode16Scale,
                            1.0f,
                            -kv::kByteScale,
                            0.0f,
                            std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::quiet_NaN()};
    kv::Lut3D lut = testCube(17, 8u, false);
    Frame src = makeFrame(256, 1, 4, 0, kv::kLayoutRGBA, 0);
    for (int32_t x = 0; x < 256; ++x) {
        const unsigned char pixel[4] = {static_cast<unsigned char>(x), static_cast<unsigned char>(255 - x),
                                        static_cast<unsigned char>(x * 3), 1};
        std::memcpy(src.bytes.data() + 4 * x, pixel, 4);
    }
    const Frame dst = makeFrame(256, 1, 4, 0, kv::kLayoutRGBA, 0);
    Frame src16 = makeFrame(256, 1, 8, 0, kv::kLayoutARGB, 0);
    fillRandomCodes(src16, 8u);
    const Frame dst16 = makeFrame(256, 1, 8, 0, kv::kLayoutARGB, 0);
    for (const unsigned mode : {0u, 0x8040u, 0x2000u}) {
        for (const float lo : {0.0f, -0.0f}) {
            lut.domainMin[1] = lo;
            for (const float scale : scales) {
                SCOPED_TRACE(::testing::Message() << "scale " << scale << " domain min " << lo << " modes 0x"
                                                  << std::hex << mode);
                kv::LutRowsParams p = lutParams8(lut, src, dst, 256, 0.5f);
                p.scale = scale;
                const FloatModes modes(mode);
                expectSameAsScalar(routines_, p, &kv::ApplyLutRows8,
                                   [](const VectorRoutines& s) { return s.lutRows8; }, dst, 0, 1, false);
                kv::LutRowsParams p16 = lutParams16(lut, src16, dst16, 256, 0.5f);
                p16.scale = scale;
                expectSameAsScalar(routines_, p16, &kv::ApplyLutRows16,
                                   [](const VectorRoutines& s) { return s.lutRows16; }, dst16, 0, 1, false);
            }
        }
    }
}

// Runs the scalar and every vector routine in place on copies of `frame`
// over rows [y0, y1) and compares them.
template <class Select>
void expectSameInPlace(const std::vector<VectorRoutines>& sets, kv::LutRowsParams p, kv::LutRowsFn scalar,
                       Select select, const Frame& frame, int32_t y0, int32_t y1, bool floats) {
    Frame expected = frame;
    p.src.data = p.dst.data = expected.bytes.data();
    scalar(p, y0, y1);
    kv::Lut3D prepared = *p.lut;
    kv::PrepareRowTables(prepared);
    for (const VectorRoutines& set : sets) {
        for (const kv::Lut3D* lut : {p.lut, static_cast<const kv::Lut3D*>(&prepared)}) {
            Frame actual = frame;
            p.src.data = p.dst.data = actual.bytes.data();
            p.lut = lut;
            select(set)(p, y0, y1);
            EXPECT_TRUE(sameFrames(expected, actual, floats)) << set.name << (lut == &prepared ? ", row tables" : "");
        }
    }
}

// A band run in place reads each pixel before writing it, in the vector
// blocks as in the scalar loop, at every depth; the rows are padded and the
// width leaves a tail.
TEST_F(LutRowsSimd, InPlaceBandsMatch) {
    const kv::Lut3D lut = testCube(33, 5u, false);
    Frame frame = makeFrame(37, 4, 4, 0, kv::kLayoutBGRA, 0);
    fillRandomBytes(frame, 99u);
    expectSameInPlace(routines_, lutParams8(lut, frame, frame, 37, 0.75f), &kv::ApplyLutRows8,
                      [](const VectorRoutines& s) { return s.lutRows8; }, frame, 0, 4, false);

    Frame frame16 = makeFrame(37, 5, 8, 8, kv::kLayoutARGB, 0);
    fillRandomCodes(frame16, 98u);
    expectSameInPlace(routines_, lutParams16(lut, frame16, frame16, 37, 0.75f), &kv::ApplyLutRows16,
                      [](const VectorRoutines& s) { return s.lutRows16; }, frame16, 1, 5, false);

    Frame frame32 = makeFrame(37, 5, 16, 16, kv::kLayoutARGB, 0);
    fillRandomFloats(frame32, 97u, awkwardFloats());
    expectSameInPlace(routines_, lutParams32f(lut, frame32, frame32, 37, 0.75f), &kv::ApplyLutRows32f,
                      [](const VectorRoutines& s) { return s.lutRows32f; }, frame32, 1, 5, true);
}

// Every permutation of the four channel positions, for the source and the
// destination independently, at every depth and in the pattern: the vector
// shuffles are built from the tables, so each one is its own case.
TEST_F(LutRowsSimd, EveryChannelPermutationMatches) {
    std::vector<kv::ChannelTable> tables;
    int32_t pos[4] = {0, 1, 2, 3};
    do {
        tables.push_back(kv::ChannelTable{pos[0], pos[1], pos[2], pos[3]});
    } while (std::next_permutation(pos, pos + 4));
    ASSERT_EQ(tables.size(), 24u);
    const kv::Lut3D lut = testCube(9, 31u, false);
    const int32_t width = 11;
    Frame src8 = makeFrame(width, 2, 4, 4, kv::kLayoutRGBA, 0);
    fillRandomBytes(src8, 1u);
    Frame src16 = makeFrame(width, 2, 8, 8, kv::kLayoutRGBA, 0);
    fillRandomCodes(src16, 2u);
    Frame src32 = makeFrame(width, 2, 16, 16, kv::kLayoutRGBA, 0);
    fillRandomFloats(src32, 3u, awkwardFloats());
    const Frame dst8 = makeFrame(width, 2, 4, 4, kv::kLayoutRGBA, 0x5A);
    const Frame dst16 = makeFrame(width, 2, 8, 8, kv::kLayoutRGBA, 0x5A);
    const Frame dst32 = makeFrame(width, 2, 16, 16, kv::kLayoutRGBA, 0x5A);
    for (const kv::ChannelTable& from : tables) {
        for (const kv::ChannelTable& to : tables) {
            SCOPED_TRACE(::testing::Message() << "from " << from.r << from.g << from.b << from.a << " to " << to.r
                                              << to.g << to.b << to.a);
            kv::LutRowsParams p8 = lutParams8(lut, src8, dst8, width, 0.5f);
            kv::LutRowsParams p16 = lutParams16(lut, src16, dst16, width, 0.5f);
            kv::LutRowsParams p32 = lutParams32f(lut, src32, dst32, width, 0.5f);
            p8.srcChannels = p16.srcChannels = p32.srcChannels = from;
            p8.dstChannels = p16.dstChannels = p32.dstChannels = to;
            expectSameAsScalar(routines_, p8, &kv::ApplyLutRows8,
                               [](const VectorRoutines& s) { return s.lutRows8; }, dst8, 0, 2, false);
            expectSameAsScalar(routines_, p16, &kv::ApplyLutRows16,
                               [](const VectorRoutines& s) { return s.lutRows16; }, dst16, 0, 2, false);
            expectSameAsScalar(routines_, p32, &kv::ApplyLutRows32f,
                               [](const VectorRoutines& s) { return s.lutRows32f; }, dst32, 0, 2, true);
            if (HasFailure()) return;
        }
        kv::ProbeRowsParams probe;
        probe.n = 3;
        probe.geometry = kv::ProbeGeometryFor(kv::Lut3D{}, width, 2);
        probe.dstChannels = from;
        probe.dst = dst16.view;
        expectSameAsScalar(routines_, probe, &kv::DrawProbeRows16,
                           [](const VectorRoutines& s) { return s.probeRows16; }, dst16, 0, 2, false);
    }
}

// Every 16-bit code on one axis against a spread of codes, above full scale
// included, on the next, with the third tied to one of them or free, so that
// all ties between fractions occur.
TEST_F(LutRowsSimd, EveryCode16ValueMatchesIncludingTies) {
    const auto spread = [](int32_t x) { return static_cast<uint16_t>((x * 40503) & 0xFFFF); };
    for (const int32_t size : {2, 33, 65}) {
        for (const bool oddDomain : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "size " << size << " domain " << oddDomain);
            const kv::Lut3D lut = testCube(size, 4321u + static_cast<uint32_t>(size), oddDomain);
            const int32_t width = 65536;
            Frame src = makeFrame(width, 3, 8, 0, kv::kLayoutRGBA, 0);
            for (int32_t x = 0; x < width; ++x) {
                const uint16_t code = static_cast<uint16_t>(x);
                const uint16_t other = spread(x);
                const uint16_t pixels[3][4] = {{code, other, static_cast<uint16_t>(other ^ 0x5555), 7},
                                               {code, code, other, 32768},
                                               {other, code, other, 65535}};
                for (int32_t y = 0; y < 3; ++y) std::memcpy(kv::RowPointer(src.view, y) + 8 * x, pixels[y], 8);
            }
            const Frame dst = makeFrame(width, 3, 8, 0, kv::kLayoutARGB, 0);
            expectSameAsScalar(routines_, lutParams16(lut, src, dst, width, 1.0f), &kv::ApplyLutRows16,
                               [](const VectorRoutines& s) { return s.lutRows16; }, dst, 0, 3, false);
        }
    }
}

// Tables that are not a permutation (repeated or out-of-pixel positions are
// not produced by any frame, but the routines take any table) behave as the
// scalar routine does, last write winning.
TEST_F(LutRowsSimd, UnusualChannelTablesMatch) {
    const kv::Lut3D lut = testCube(9, 6u, false);
    const kv::ChannelTable repeated{0, 0, 1, 1};
    Frame src = makeFrame(19, 3, 16, 0, kv::kLayoutRGBA, 0);
    fillRandomFloats(src, 3u, awkwardFloats());
    const Frame dst32 = makeFrame(19, 3, 16, 0, kv::kLayoutRGBA, 0x11);
    kv::LutRowsParams p32 = lutParams32f(lut, src, dst32, 19, 1.0f);
    p32.dstChannels = repeated;
    expectSameAsScalar(routines_, p32, &kv::ApplyLutRows32f, [](const VectorRoutines& s) { return s.lutRows32f; },
                       dst32, 0, 3, true);

    Frame src8 = makeFrame(19, 3, 4, 0, kv::kLayoutRGBA, 0);
    fillRandomBytes(src8, 4u);
    const Frame dst8 = makeFrame(19, 3, 4, 0, kv::kLayoutRGBA, 0x22);
    kv::LutRowsParams p8 = lutParams8(lut, src8, dst8, 19, 0.5f);
    p8.srcChannels = p8.dstChannels = repeated;
    expectSameAsScalar(routines_, p8, &kv::ApplyLutRows8, [](const VectorRoutines& s) { return s.lutRows8; }, dst8,
                       0, 3, false);

    Frame src16 = makeFrame(19, 3, 8, 0, kv::kLayoutRGBA, 0);
    fillRandomCodes(src16, 5u);
    const Frame dst16 = makeFrame(19, 3, 8, 0, kv::kLayoutRGBA, 0x33);
    kv::LutRowsParams p16 = lutParams16(lut, src16, dst16, 19, 0.5f);
    p16.srcChannels = p16.dstChannels = repeated;
    expectSameAsScalar(routines_, p16, &kv::ApplyLutRows16, [](const VectorRoutines& s) { return s.lutRows16; },
                       dst16, 0, 3, false);

    kv::ProbeRowsParams probe;
    probe.n = 3;
    probe.dst = dst8.view;
    probe.geometry = kv::ProbeGeometryFor(kv::Lut3D{}, 19, 3);
    probe.dstChannels = repeated;
    expectSameAsScalar(routines_, probe, &kv::DrawProbeRows8, [](const VectorRoutines& s) { return s.probeRows8; },
                       dst8, 0, 3, false);
}

kv::ProbeGeometry geometryFor(int32_t n, int32_t width, int32_t height, double x0, double y0, double x1, double y1,
                              int32_t cols, int32_t rows) {
    kv::Lut3D request;
    request.probe = n;
    request.areaX0 = x0;
    request.areaY0 = y0;
    request.areaX1 = x1;
    request.areaY1 = y1;
    request.probeCols = cols;
    request.probeRows = rows;
    return kv::ProbeGeometryFor(request, width, height);
}

TEST_F(LutRowsSimd, PatternsMatchForSizesAreasGridsAndWidths) {
    struct Case {
        int32_t n;
        double x0, y0, x1, y1;
        int32_t cols, rows;
    };
    const Case cases[] = {
        {2, 0.0, 0.0, 1.0, 1.0, 0, 0},       {17, 0.1, 0.05, 0.93, 0.8, 0, 0},  {64, 0.0, 0.0, 1.0, 1.0, 0, 0},
        {17, 0.0, 0.0, 1.0, 1.0, 100, 60},   {5, 0.25, 0.25, 0.25, 0.25, 0, 0}, {3, 0.3, 0.0, 0.7, 1.0, 700, 3},
        {4, -1.0, -1.0, 2.0, 2.0, 7, 11},    {2, 0.999, 0.0, 1.0, 1.0, 0, 0},
    };
    for (const int32_t width : {1, 7, 9, 333, 1921}) {
        const int32_t height = width > 300 ? 41 : 13;
        for (const Case& c : cases) {
            for (const int32_t order : kLayouts) {
                SCOPED_TRACE(::testing::Message() << "n " << c.n << " width " << width << " area " << c.x0 << ","
                                                  << c.y0 << "-" << c.x1 << "," << c.y1 << " grid " << c.cols << "x"
                                                  << c.rows << " order " << order);
                kv::ProbeRowsParams p;
                p.n = c.n;
                p.geometry = geometryFor(c.n, width, height, c.x0, c.y0, c.x1, c.y1, c.cols, c.rows);
                p.dstChannels = kv::ChannelTableFor(order);
                const Frame dst8 = makeFrame(width, height, 4, 4, order, 0x3C);
                p.dst = dst8.view;
                expectSameAsScalar(routines_, p, &kv::DrawProbeRows8,
                                   [](const VectorRoutines& s) { return s.probeRows8; }, dst8, 1, height, false);
                const Frame dst16 = makeFrame(width, height, 8, 6, order, 0x3C);
                p.dst = dst16.view;
                expectSameAsScalar(routines_, p, &kv::DrawProbeRows16,
                                   [](const VectorRoutines& s) { return s.probeRows16; }, dst16, 0, height, false);
                const Frame dst32 = makeFrame(width, height, 16, 16, order, 0x3C);
                p.dst = dst32.view;
                expectSameAsScalar(routines_, p, &kv::DrawProbeRows32f,
                                   [](const VectorRoutines& s) { return s.probeRows32f; }, dst32, 0, height - 1, true);
                if (HasFailure()) return;
            }
        }
    }
}

// Geometry that ProbeGeometryFor never produces still draws what the scalar
// routine draws instead of dividing by an empty grid.
TEST_F(LutRowsSimd, PatternWithEmptyGridFallsBackToScalar) {
    kv::ProbeRowsParams p;
    p.n = 4;
    p.geometry.probeCols = 0;
    p.geometry.probeRows = 5;
    p.geometry.probeX1 = 20;
    p.geometry.probeY1 = 6;
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutBGRA);
    const Frame dst = makeFrame(23, 6, 4, 0, kv::kLayoutBGRA, 0x3C);
    p.dst = dst.view;
    expectSameAsScalar(routines_, p, &kv::DrawProbeRows8, [](const VectorRoutines& s) { return s.probeRows8; }, dst,
                       0, 6, false);
    const Frame dst16 = makeFrame(23, 6, 8, 0, kv::kLayoutARGB, 0x3C);
    p.dst = dst16.view;
    expectSameAsScalar(routines_, p, &kv::DrawProbeRows16, [](const VectorRoutines& s) { return s.probeRows16; },
                       dst16, 0, 6, false);
}

TEST(RowLevel, RefusesLevelsTheProcessorLacksAndKeepsTheActiveOne) {
    const kv::RowLevel before = kv::ActiveRowLevel();
    EXPECT_LE(before, kv::DetectedRowLevel());
    EXPECT_TRUE(kv::SetRowLevel(kv::RowLevel::kScalar));
    EXPECT_EQ(kv::ActiveRowLevel(), kv::RowLevel::kScalar);
    if (kv::DetectedRowLevel() < kv::RowLevel::kAvx2) {
        EXPECT_FALSE(kv::SetRowLevel(kv::RowLevel::kAvx2));
        EXPECT_EQ(kv::ActiveRowLevel(), kv::RowLevel::kScalar);
    }
    EXPECT_FALSE(kv::SetRowLevel(static_cast<kv::RowLevel>(7)));
    EXPECT_EQ(kv::ActiveRowLevel(), kv::RowLevel::kScalar);
    EXPECT_TRUE(kv::SetRowLevel(before));
}

}  // namespace

namespace {

// Row tables are found only by the record whose vectors they were built
// from, and hold what their LUT kind uses; a record that reads stale tables
// would render another LUT.
TEST(RowTables, FoundOnlyForTheVectorsTheyWereBuiltFrom) {
    struct Case {
        const char* name;
        int32_t cubeSize;
        int32_t shaperSize;
        bool nodes;       // padded nodes (cubes up to kMaxPaddedCubeSize)
        bool byteCells;   // 1D stage before padded nodes
        bool code16Shaped;  // any 1D stage
    };
    const Case cases[] = {
        {"33^3", 33, 0, true, false, false},
        {"65^3", 65, 0, true, false, false},
        {"66^3", 66, 0, false, false, false},
        {"4096 + 17^3", 17, 4096, true, true, true},
        {"1D only", 0, 256, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kv::Lut3D lut = c.cubeSize > 0 ? kvtest::RandomCube(c.cubeSize, 3u) : kv::Lut3D{};
        if (c.shaperSize > 0) kvtest::AddRandomShaper(lut, c.shaperSize, 4u);
        EXPECT_EQ(kv::RowTablesOf(lut), nullptr);
        const size_t ownBytes = kv::LutBytes(lut);
        kv::PrepareRowTables(lut);
        const kv::LutRowTables* tables = kv::RowTablesOf(lut);
        ASSERT_NE(tables, nullptr);
        EXPECT_EQ(!tables->nodes.empty(), c.nodes);
        EXPECT_EQ(!tables->byteCells[0].empty(), c.byteCells);
        EXPECT_EQ(!tables->code16Shaped[0].empty(), c.code16Shaped);
        EXPECT_EQ(!tables->curvePairs[0].empty(), c.shaperSize > 0);
        if (c.nodes) {
            const size_t node = lut.data.size() / 3 - 1;  // the last node, padded with +0
            EXPECT_EQ(tables->nodes[4 * node + 2], lut.data[3 * node + 2]);
            EXPECT_EQ(kvtest::BitsOf(tables->nodes[4 * node + 3]), 0u);
        }
        EXPECT_EQ(kv::LutBytes(lut), ownBytes + tables->Bytes());

        const kv::Lut3D copy = lut;  // shares the tables, not the vectors
        EXPECT_EQ(kv::RowTablesOf(copy), nullptr);
        kv::Lut3D moved = std::move(lut);  // keeps the vectors
        EXPECT_EQ(kv::RowTablesOf(moved), tables);
        (c.cubeSize > 0 ? moved.data : moved.shaper).resize(3);  // no longer the tables' LUT
        EXPECT_EQ(kv::RowTablesOf(moved), nullptr);
    }
}

}  // namespace
