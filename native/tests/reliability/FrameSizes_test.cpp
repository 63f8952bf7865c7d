// Frames at the edges of what a host may hand over, in the five formats and
// for the three sources: one-pixel frames, single-row and single-column
// strips, outputs smaller and larger than the input, and frames without
// pixels. Under AddressSanitizer a read or write outside a frame fails here.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "EffectTestLuts.h"
#include "RenderFormats.h"

namespace kvtest {
namespace {

struct SizeCase {
    int32_t inW, inH, outW, outH;
};

const SizeCase kSizes[] = {
    {1, 1, 1, 1},         {1, 100000, 1, 100000}, {100000, 1, 100000, 1}, {1, 1, 7, 40},
    {40, 33, 1, 1},       {100000, 1, 1, 100000}, {1, 100000, 100000, 1}, {3, 70, 5, 20},
    {0, 0, 16, 16},       {16, 16, 0, 0},         {0, 16, 16, 16},        {16, 0, 16, 16},
    {16, 16, 16, 0},      {0, 0, 0, 0},
};

enum class Source { None, Embedded, Pattern };

std::string Describe(const FormatCase& f, const SizeCase& s, Source source) {
    return std::string(f.name) + " " + std::to_string(s.inW) + "x" + std::to_string(s.inH) + " -> " +
           std::to_string(s.outW) + "x" + std::to_string(s.outH) + " source " +
           std::to_string(static_cast<int>(source));
}

// Renders once and checks every output pixel: inside the overlap the copy or
// the LUT, outside it untouched; a pattern writes every output pixel.
void RenderAndCheck(const FormatCase& f, const SizeCase& s, Source source, PF_Handle lut) {
    SCOPED_TRACE(Describe(f, s, source));
    kvsim::FakeWorld in(f.pixelFormat, s.inW, s.inH);
    kvsim::FakeWorld out(f.pixelFormat, s.outW, s.outH);
    in.FillTestPicture(static_cast<uint32_t>(s.inW + 3 * s.inH));
    if (!out.bytes().empty()) out.FillBytes(kUntouched);
    kvsim::FakeHost host(f.host, EffectMain);
    host.SetPixelFormat(f.hostFormat);
    kvsim::FakeParams params(&in, 100.0, lut);
    ASSERT_EQ(RenderAs(f, host, params, out.def()), PF_Err_NONE);
    EXPECT_EQ(host.suitesHeld(), 0);

    const int32_t w = std::min(s.inW, s.outW);
    const int32_t h = std::min(s.inH, s.outH);
    long wrong = 0;
    for (int32_t y = 0; y < s.outH; ++y) {
        for (int32_t x = 0; x < s.outW; ++x) {
            const bool inside = x < w && y < h;
            bool ok = false;
            if (source == Source::Pattern) {
                ok = !PixelUntouched(out, x, y);
            } else if (!inside) {
                ok = PixelUntouched(out, x, y);
            } else if (source == Source::Embedded) {
                ok = InvertsRed(in, out, x, y);
            } else {
                ok = std::memcmp(out.Row(y) + static_cast<size_t>(x) * out.pixelBytes(),
                                 in.Row(y) + static_cast<size_t>(x) * in.pixelBytes(), out.pixelBytes()) == 0;
            }
            wrong += ok ? 0 : 1;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(FrameSizes, EdgeSizesRenderInsideTheirFrames) {
    PF_Handle none = kvsim::MakeHandle16("KVLUT0");
    PF_Handle embedded = kvsim::MakeHandle16(InvertRedText(51, "edges"));
    // Patterns: the automatic grid, the largest grid over the whole frame,
    // and a one-millionth corner of the frame.
    const PF_Handle patterns[] = {kvsim::MakeHandle16(PatternText(3)),
                                  kvsim::MakeHandle16("KVLUTP 64 2000 2000 0 0 1000000 1000000"),
                                  kvsim::MakeHandle16("KVLUTP 2 8 1 999999 999999 1000000 1000000")};
    for (const FormatCase& f : kFormats) {
        for (const SizeCase& s : kSizes) {
            RenderAndCheck(f, s, Source::None, none);
            RenderAndCheck(f, s, Source::Embedded, embedded);
            for (PF_Handle pattern : patterns) RenderAndCheck(f, s, Source::Pattern, pattern);
        }
    }
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    kvsim::DisposeHandle(none);
    kvsim::DisposeHandle(embedded);
    for (PF_Handle pattern : patterns) kvsim::DisposeHandle(pattern);
}

// A world whose pixel pointer is null (a host that has no buffer for it) is
// an empty frame, whatever size it claims.
TEST(FrameSizes, WorldsWithoutPixelsAreEmpty) {
    PF_Handle embedded = kvsim::MakeHandle16(InvertRedText(52, "nopixels"));
    PF_Handle pattern = kvsim::MakeHandle16(PatternText(5));
    for (const FormatCase& f : kFormats) {
        SCOPED_TRACE(f.name);
        kvsim::FakeWorld in(f.pixelFormat, 32, 32);
        kvsim::FakeWorld out(f.pixelFormat, 32, 32);
        in.FillTestPicture(9);
        kvsim::FakeHost host(f.host, EffectMain);
        host.SetPixelFormat(f.hostFormat);
        for (PF_Handle lut : {embedded, pattern}) {
            kvsim::FakeParams params(&in, 100.0, lut);
            PF_LayerDef noOutput = out.def();
            noOutput.data = nullptr;
            EXPECT_EQ(RenderAs(f, host, params, noOutput), PF_Err_NONE);
            out.FillBytes(kUntouched);
            params.at(0).u.ld.data = nullptr;
            EXPECT_EQ(RenderAs(f, host, params, out.def()), PF_Err_NONE);
            if (lut == embedded) {
                EXPECT_TRUE(PixelUntouched(out, 0, 0) && PixelUntouched(out, 31, 31));
            }
        }
    }
    kvsim::DisposeHandle(embedded);
    kvsim::DisposeHandle(pattern);
}

}  // namespace
}  // namespace kvtest
