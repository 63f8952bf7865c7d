// LUTs with a 1D stage (before a cube, or alone) through every vectorised
// row operation this processor runs and through the scalar routine, in every
// pixel format: the same bytes (float frames: the same bits, any NaN
// matching any NaN), with inputs below, inside and above the 1D ranges, on
// the curves' exact entry positions, NaN and infinities, in aligned rows and
// rows starting at odd bytes, in every floating-point mode a host may set.

#include <gtest/gtest.h>

#include <bit>
#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "TestLuts.h"
#include "lut_engine/ByteChannel.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/simd/RowLevel.h"
#include "lut_engine/simd/RowTables.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct LutCase {
    const char* name;
    int32_t cubeSize;  // 0: the 1D stage alone
    bool oddCubeDomain;
    int32_t shaperSize;
    // 0: 0..1 on every channel, 1: a different range per channel, 2: -0..1
    // with zeros, denormals, infinities and NaN among the curve's entries.
    int rangeKind;
};

const LutCase kLutCases[] = {
    {"4096 + 33^3, unit", 33, false, 4096, 0},
    {"1024 + 17^3, odd ranges and domain", 17, true, 1024, 1},
    {"64 + 9^3, range from -0", 9, false, 64, 2},
    {"2 + 5^3", 5, false, 2, 0},
    {"65536 + 17^3, odd ranges", 17, true, 65536, 1},
    {"1D only 4096, unit", 0, false, 4096, 0},
    {"1D only 256, odd ranges", 0, false, 256, 1},
    {"1D only 2, range from -0", 0, false, 2, 2},
    {"1D only 65536", 0, false, 65536, 0},
};

void setRanges(kv::Lut3D& lut, int rangeKind) {
    const float lo[3][3] = {{0.0f, 0.0f, 0.0f}, {-0.1f, 0.0f, -1.0f}, {-0.0f, -0.0f, -0.0f}};
    const float hi[3][3] = {{1.0f, 1.0f, 1.0f}, {1.5f, 1.0f, 3.0f}, {1.0f, 1.0f, 1.0f}};
    for (int c = 0; c < 3; ++c) {
        lut.shaperMin[c] = lo[rangeKind][c];
        lut.shaperMax[c] = hi[rangeKind][c];
    }
}

kv::Lut3D makeLut(const LutCase& c, uint32_t seed) {
    kv::Lut3D lut = c.cubeSize > 0 ? kvtest::RandomCube(c.cubeSize, seed) : kv::Lut3D{};
    if (c.oddCubeDomain) {
        const float lo[3] = {-0.125f, 0.1f, 0.0f};
        const float hi[3] = {1.5f, 0.9f, 1.0f / 3.0f};
        for (int k = 0; k < 3; ++k) {
            lut.domainMin[k] = lo[k];
            lut.domainMax[k] = hi[k];
        }
    }
    kvtest::AddRandomShaper(lut, c.shaperSize, seed + 1);
    setRanges(lut, c.rangeKind);
    if (c.rangeKind == 2) {
        const float odd[] = {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(),
                             -std::numeric_limits<float>::denorm_min(), kInf, kNaN, -kInf,
                             std::bit_cast<float>(0xFFC12345u)};
        for (size_t i = 0; i < lut.shaper.size(); i += 2) lut.shaper[i] = odd[(i / 2) % std::size(odd)];
    }
    return lut;
}

// The float inputs that probe each channel's curve: its range edges and
// just past them, exact entry positions, NaN, infinities, signed zeros and
// denormals.
std::vector<float> awkwardInputs(const kv::Lut3D& lut, int channel) {
    const float lo = lut.shaperMin[channel];
    const float hi = lut.shaperMax[channel];
    const int32_t m = lut.shaperSize;
    std::vector<float> v = {kNaN, -kNaN, kInf, -kInf, 0.0f, -0.0f, std::numeric_limits<float>::denorm_min(),
                            -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(),
                            lo, hi, std::nextafter(lo, -kInf), std::nextafter(hi, kInf),
                            std::nextafter(hi, -kInf), lo - 1.0f, hi + 1.0f};
    for (const int32_t i : {1, m / 2, m - 2}) {
        const float t = static_cast<float>(i) / static_cast<float>(m - 1);
        v.push_back(lo + t * (hi - lo));
    }
    return v;
}

// A frame whose rows start `offset` bytes into its buffer and lie
// `pixelBytes * width + pad` apart; the whole buffer is filled, so stray
// writes show up.
struct Frame {
    std::vector<unsigned char> bytes;
    kv::FrameView view;
};

Frame makeFrame(const kv::PixelFormat& f, int32_t width, int32_t height, int32_t offset, int32_t pad,
                unsigned char fill) {
    Frame fr;
    const int32_t rowBytes = f.pixelBytes * width + pad;
    fr.bytes.assign(static_cast<size_t>(rowBytes) * height + offset + 8, fill);
    fr.view = kv::FrameView{fr.bytes.data() + offset, width, height, rowBytes, f.channelOrder};
    return fr;
}

// Random channels in and around 0..1 (codes up to past full scale), every
// fifth float channel one of the awkward inputs of its channel.
void fillSource(Frame& fr, const kv::PixelFormat& f, const kv::Lut3D& lut, uint32_t seed) {
    std::mt19937 gen(seed);
    kvtest::FloatSource src(seed);
    const kv::ChannelTable t = kv::ChannelTableFor(f.channelOrder);
    const int32_t positions[3] = {t.r, t.g, t.b};
    std::vector<float> awkward[3];
    for (int c = 0; c < 3; ++c) awkward[c] = awkwardInputs(lut, c);
    for (int32_t y = 0; y < fr.view.height; ++y) {
        unsigned char* row = kv::RowPointer(fr.view, y);
        for (int32_t i = 0; i < f.pixelBytes * fr.view.width; ++i) row[i] = static_cast<unsigned char>(gen());
        if (f.depth == kv::ChannelDepth::k8u) continue;
        for (int32_t x = 0; x < fr.view.width; ++x) {
            unsigned char* px = row + static_cast<ptrdiff_t>(f.pixelBytes) * x;
            for (int c = 0; c < 3; ++c) {
                if (f.depth == kv::ChannelDepth::k16u) {
                    const uint16_t code = static_cast<uint16_t>(gen() % 34000u);
                    std::memcpy(px + 2 * positions[c], &code, 2);
                    continue;
                }
                const float v = gen() % 5 == 0 ? awkward[c][gen() % awkward[c].size()] : src.Next(-1.5f, 3.5f);
                std::memcpy(px + 4 * positions[c], &v, 4);
            }
        }
    }
}

// Same bytes, NaN bits included; reports the first difference.
::testing::AssertionResult sameBytes(const Frame& want, const Frame& got) {
    for (size_t i = 0; i < want.bytes.size(); ++i) {
        if (want.bytes[i] != got.bytes[i]) {
            return ::testing::AssertionFailure() << "byte " << i << ": scalar " << int{want.bytes[i]}
                                                 << ", vector " << int{got.bytes[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

// Floating-point modes a host may set on its render threads: 0x8000 flushes
// denormal results, 0x0040 reads denormal inputs as zero, 0x2000 rounds
// downward.
class FloatModes {
public:
    explicit FloatModes(unsigned modes) : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | modes); }
    ~FloatModes() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
};

TEST(LutRowsShaperSimd, VectorRowsMatchScalarForEveryLutKindFormatAndMode) {
    if (kv::DetectedRowLevel() < kv::RowLevel::kAvx2) GTEST_SKIP() << "no AVX2 on this processor";
    const float amounts[] = {1.0f, 0.5f, 0.0f, kNaN, -0.25f};
    uint32_t seed = 4101u;
    for (const LutCase& c : kLutCases) {
        const kv::Lut3D lut = makeLut(c, seed);
        ASSERT_TRUE(lut.HasCompleteTables()) << c.name;
        kv::Lut3D prepared = lut;
        kv::PrepareRowTables(prepared);
        for (const kv::PixelFormat* format : kv::AllPixelFormats()) {
            for (const int32_t width : {1, 8, 13, 67}) {
                for (const int32_t offset : {0, 1}) {
                    ++seed;
                    Frame src = makeFrame(*format, width, 3, offset, offset, 0);
                    fillSource(src, *format, lut, seed);
                    const Frame dst = makeFrame(*format, width + 1, 4, offset * 3, 3 * offset, 0xA5);
                    for (const unsigned mode : {0u, 0x8000u, 0x0040u, 0x2000u}) {
                        for (const float amount : amounts) {
                            SCOPED_TRACE(::testing::Message() << c.name << ", " << format->name << ", width " << width
                                                              << ", offset " << offset << ", modes 0x" << std::hex
                                                              << mode << std::dec << ", amount " << amount);
                            kv::LutRowsParams p;
                            p.src = src.view;
                            p.width = width;
                            p.srcChannels = kv::ChannelTableFor(src.view.channelOrder);
                            p.dstChannels = kv::ChannelTableFor(dst.view.channelOrder);
                            p.scale = format->codeScale;
                            p.lut = &lut;
                            p.amount = amount;
                            const FloatModes modes(mode);
                            Frame want = dst;
                            p.dst = dst.view;
                            p.dst.data = want.bytes.data() + offset * 3;
                            kv::RowOpsAt(*format, kv::RowLevel::kScalar).applyLut(p, 0, 3);
                            for (const kv::Lut3D* tables : {&lut, static_cast<const kv::Lut3D*>(&prepared)}) {
                                Frame got = dst;
                                p.dst.data = got.bytes.data() + offset * 3;
                                p.lut = tables;
                                kv::RowOpsAt(*format, kv::RowLevel::kAvx2).applyLut(p, 0, 3);
                                ASSERT_TRUE(sameBytes(want, got))
                                    << (tables == &prepared ? "row tables" : "own tables");
                            }
                        }
                    }
                }
            }
        }
    }
}

// Code inputs at unusual scales (negative, zero, denormal, NaN) through the
// 8-bit and 16-bit rows, where the vector code skips the unit range's
// arithmetic in every floating-point mode.
TEST(LutRowsShaperSimd, CodeScalesMatchInEveryMode) {
    if (kv::DetectedRowLevel() < kv::RowLevel::kAvx2) GTEST_SKIP() << "no AVX2 on this processor";
    const float scales[] = {-kv::kByteScale, 0.0f, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::min(), kNaN, 1.0f};
    for (const LutCase& c : {kLutCases[0], kLutCases[2], kLutCases[5]}) {
        const kv::Lut3D lut = makeLut(c, 77u);
        kv::Lut3D prepared = lut;
        kv::PrepareRowTables(prepared);
        for (const kv::PixelFormat* format : {&kv::kArgb8, &kv::kArgb16}) {
            Frame src = makeFrame(*format, 37, 2, 0, 0, 0);
            fillSource(src, *format, lut, 5u);
            const Frame dst = makeFrame(*format, 37, 2, 0, 0, 0x3C);
            for (const unsigned mode : {0u, 0x8040u, 0x2000u}) {
                for (const float scale : scales) {
                    SCOPED_TRACE(::testing::Message() << c.name << ", " << format->name << ", scale " << scale
                                                      << ", modes 0x" << std::hex << mode);
                    kv::LutRowsParams p;
                    p.src = src.view;
                    p.width = 37;
                    p.srcChannels = p.dstChannels = kv::ChannelTableFor(format->channelOrder);
                    p.scale = scale;
                    p.lut = &lut;
                    p.amount = 0.75f;
                    const FloatModes modes(mode);
                    Frame want = dst;
                    p.dst = dst.view;
                    p.dst.data = want.bytes.data();
                    kv::RowOpsAt(*format, kv::RowLevel::kScalar).applyLut(p, 0, 2);
                    for (const kv::Lut3D* tables : {&lut, static_cast<const kv::Lut3D*>(&prepared)}) {
                        Frame got = dst;
                        p.dst.data = got.bytes.data();
                        p.lut = tables;
                        kv::RowOpsAt(*format, kv::RowLevel::kAvx2).applyLut(p, 0, 2);
                        ASSERT_TRUE(sameBytes(want, got))
                            << (tables == &prepared ? "row tables" : "own tables");
                    }
                }
            }
        }
    }
}

}  // namespace
