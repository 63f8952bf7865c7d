// RENDER through EffectMain: the three sources in the three pixel formats,
// frames of unequal sizes, and the render log.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "host_sim/FakeHost.h"
#include "LogLines.h"
#include "RenderFormats.h"
#include "lut_engine/ProbePattern.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;
using kvsim::FakeParams;
using kvsim::FakeWorld;
using kvsim::LogTail;
using kvtest::FormatCase;
using kvtest::kFormats;
using kvtest::kUntouched;
using kvtest::PixelUntouched;

struct SizeCase {
    int32_t inW, inH, outW, outH;
};

// Output larger than the input in both directions, then smaller.
const SizeCase kSizes[] = {{37, 21, 45, 40}, {64, 48, 30, 17}};

struct Frame {
    FakeWorld in, out;
    Frame(const FormatCase& f, const SizeCase& s) : in(f.pixelFormat, s.inW, s.inH, 12), out(f.pixelFormat, s.outW, s.outH, 4) {
        in.FillTestPicture(static_cast<uint32_t>(s.inW));
        out.FillBytes(kUntouched);
    }
};

PF_Err RenderFrame(const FormatCase& f, Frame& frame, double amount, PF_Handle lut) {
    FakeHost host(f.host, EffectMain);
    host.SetPixelFormat(f.hostFormat);
    FakeParams params(&frame.in, amount, lut);
    const PF_Err err = kvtest::RenderAs(f, host, params, frame.out.def());
    EXPECT_EQ(host.suitesHeld(), 0);
    return err;
}

TEST(CpuRender, WithoutALutCopiesTheOverlap) {
    for (const FormatCase& f : kFormats) {
        for (const SizeCase& s : kSizes) {
            Frame frame(f, s);
            PF_Handle lut = kvsim::MakeHandle16("KVLUT0");
            ASSERT_EQ(RenderFrame(f, frame, 100.0, lut), PF_Err_NONE);
            kvsim::DisposeHandle(lut);
            const size_t rowBytes = static_cast<size_t>(std::min(s.inW, s.outW)) * frame.in.pixelBytes();
            for (int32_t y = 0; y < s.outH; ++y) {
                if (y < s.inH) {
                    EXPECT_EQ(std::memcmp(frame.out.Row(y), frame.in.Row(y), rowBytes), 0) << f.name << " row " << y;
                }
                for (int32_t x = 0; x < s.outW; ++x) {
                    if (x >= s.inW || y >= s.inH) {
                        ASSERT_TRUE(PixelUntouched(frame.out, x, y)) << f.name << " " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(CpuRender, EmbeddedLutIsAppliedInEachFormatsChannelOrder) {
    const float tolerance8 = 1.0f / 255.0f + 1e-6f;
    for (const FormatCase& f : kFormats) {
        const bool floats = f.pixelFormat.depth == kv::ChannelDepth::k32f;
        const float tolerance = floats ? 1e-5f : tolerance8;
        for (const SizeCase& s : kSizes) {
            for (double amount : {100.0, 50.0}) {
                Frame frame(f, s);
                PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(61));
                ASSERT_EQ(RenderFrame(f, frame, amount, lut), PF_Err_NONE);
                kvsim::DisposeHandle(lut);
                for (int32_t y = 0; y < s.outH; ++y) {
                    for (int32_t x = 0; x < s.outW; ++x) {
                        if (x >= s.inW || y >= s.inH) {
                            ASSERT_TRUE(PixelUntouched(frame.out, x, y)) << f.name;
                            continue;
                        }
                        float src[4], dst[4];
                        frame.in.GetPixel(x, y, src);
                        frame.out.GetPixel(x, y, dst);
                        // Red inverted (half way at 50 %), green and blue and alpha kept.
                        const float red = amount == 100.0 ? 1.0f - src[0] : 0.5f;
                        ASSERT_NEAR(dst[0], red, tolerance) << f.name << " " << x << "," << y;
                        ASSERT_NEAR(dst[1], src[1], tolerance) << f.name;
                        ASSERT_NEAR(dst[2], src[2], tolerance) << f.name;
                        ASSERT_EQ(dst[3], src[3]) << f.name;
                    }
                }
            }
        }
    }
}

TEST(CpuRender, AmountZeroOrNotANumberCopies) {
    for (double amount : {0.0, -5.0, std::nan("")}) {
        const FormatCase& f = kFormats[2];
        Frame frame(f, kSizes[1]);
        PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(62));
        ASSERT_EQ(RenderFrame(f, frame, amount, lut), PF_Err_NONE);
        kvsim::DisposeHandle(lut);
        for (int32_t y = 0; y < kSizes[1].outH; ++y) {
            ASSERT_EQ(std::memcmp(frame.out.Row(y), frame.in.Row(y), static_cast<size_t>(kSizes[1].outW) * 16), 0);
        }
    }
}

TEST(CpuRender, PatternReplacesThePictureWhateverTheAmount) {
    for (const FormatCase& f : kFormats) {
        for (const SizeCase& s : kSizes) {
            Frame frame(f, s);
            PF_Handle lut = kvsim::MakeHandle8(kvtest::PatternText(3));
            ASSERT_EQ(RenderFrame(f, frame, 0.0, lut), PF_Err_NONE);
            kvsim::DisposeHandle(lut);
            kv::Lut3D request;
            request.probe = 3;
            const kv::ProbeGeometry geometry = kv::ProbeGeometryFor(request, s.outW, s.outH);
            const float tolerance = f.pixelFormat.depth == kv::ChannelDepth::k32f ? 0.0f : 0.5f / 255.0f + 1e-6f;
            for (int32_t y = 0; y < s.outH; ++y) {
                for (int32_t x = 0; x < s.outW; ++x) {
                    float expected[3], got[4];
                    kv::probeColour(3, geometry, x, y, expected);
                    frame.out.GetPixel(x, y, got);
                    ASSERT_NEAR(got[0], expected[0], tolerance) << f.name << " " << x << "," << y;
                    ASSERT_NEAR(got[1], expected[1], tolerance);
                    ASSERT_NEAR(got[2], expected[2], tolerance);
                    ASSERT_EQ(got[3], 1.0f);
                }
            }
        }
    }
}

TEST(CpuRender, UnsupportedEditingHostFormatIsRefusedUntouched) {
    const FormatCase f{kv::kBgra8u, kvsim::kApplPremiere, PrPixelFormat_BGRA_4444_16u, "16u"};
    Frame frame(f, kSizes[0]);
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(63));
    LogTail log;
    EXPECT_EQ(RenderFrame(f, frame, 100.0, lut), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    kvsim::DisposeHandle(lut);
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(frame.out.bytes(), std::vector<unsigned char>(frame.out.bytes().size(), kUntouched));
}

TEST(CpuRender, EditingHostWithoutFormatSuiteRendersEightBit) {
    for (int variant = 0; variant < 3; ++variant) {
        FakeHost host(kvsim::kApplPremiere, EffectMain);
        host.SetPixelFormat(PrPixelFormat_BGRA_4444_32f);  // not asked, so not used
        if (variant == 0) {
            host.SetBasicSuitePresent(false);
        } else if (variant == 1) {
            host.SetSuiteMissing("PF Pixel Format Suite", true);
        } else {
            host.SetSuiteYieldsNull("PF Pixel Format Suite", true);
        }
        FakeWorld in(kv::kBgra8u, 8, 4);
        FakeWorld out(kv::kBgra8u, 8, 4);
        in.FillTestPicture(3);
        FakeParams params(&in, 77.0 + variant, nullptr);
        LogTail log;
        ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
        EXPECT_EQ(out.bytes(), in.bytes());
        EXPECT_EQ(host.suitesHeld(), 0);
        const std::vector<std::string> lines = log.Take();
        EXPECT_EQ(lines.size(), 1u);
        EXPECT_TRUE(kvtest::HasLinesInOrder(lines, {kvtest::StartsWith("Render fmt=BGRA8u 8x4 rowbytes=32 id=0 amount=0.7")}));
    }
}

// A uniform input makes the statistics exact: 51, 102, 153 are 0.2, 0.4, 0.6.
void FillUniform(FakeWorld& world) {
    for (int32_t y = 0; y < world.height(); ++y) {
        for (int32_t x = 0; x < world.width(); ++x) {
            world.SetPixel(x, y, 0.2f, 0.4f, 0.6f, 1.0f);
        }
    }
}

TEST(CpuRender, LogsTheSettingsOncePerChange) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    FakeWorld in(kv::kArgb8, 130, 75);
    FakeWorld out(kv::kArgb8, 129, 77, 8);
    FillUniform(in);
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(4711, "night"));
    FakeParams params(&in, 100.0, lut);
    LogTail log;
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    params.SetAmount(99.9);
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    params.SetAmount(0.0);
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    params.SetLut(nullptr);
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    const std::string stats = " in r 0.200/0.200/0.200 g 0.400/0.400/0.400 b 0.600/0.600/0.600";
    EXPECT_EQ(log.Take(),
              (std::vector<std::string>{
                  "Render fmt=ARGB8 129x77 rowbytes=524 id=4711 amount=1.000 lut=embedded 2" + stats,
                  "Render fmt=ARGB8 129x77 rowbytes=524 id=4711 amount=0.999 lut=embedded 2" + stats,
                  "Render fmt=ARGB8 129x77 rowbytes=524 id=4711 amount=0.000 lut=embedded 2" + stats,
                  "Render fmt=ARGB8 129x77 rowbytes=524 id=0 amount=0.000 lut=none 0" + stats,
              }));
    kvsim::DisposeHandle(lut);
}

TEST(CpuRender, StatisticsReadEachFormatsChannels) {
    for (const FormatCase& f : {kFormats[1], kFormats[2]}) {
        FakeHost host(f.host, EffectMain);
        host.SetPixelFormat(f.hostFormat);
        FakeWorld in(f.pixelFormat, 3, 2);
        FakeWorld out(f.pixelFormat, 3, 2);
        FillUniform(in);
        in.SetPixel(2, 1, 0.0f, 1.0f, 0.2f, 1.0f);
        PF_Handle lut = kvsim::MakeHandle8(kvtest::PatternText(2));
        FakeParams params(&in, 100.0, lut);
        LogTail log;
        ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
        kvsim::DisposeHandle(lut);
        const std::string head = std::string("Render fmt=") + f.name + " 3x2 rowbytes=" +
                                 std::to_string(out.rowBytes()) + " id=0 amount=1.000 lut=pattern 2";
        EXPECT_EQ(log.Take(), std::vector<std::string>{head + " in r 0.000/0.167/0.200 g 0.400/0.500/1.000 "
                                                              "b 0.200/0.533/0.600"});
    }
}

TEST(CpuRender, UnusableLutTextIsReportedOnceAndCopies) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    FakeWorld in(kv::kArgb8, 5, 5);
    FakeWorld out(kv::kArgb8, 5, 5);
    in.FillTestPicture(9);
    PF_Handle junk = kvsim::MakeHandle8("not a LUT, render test");
    FakeParams params(&in, 100.0, junk);
    LogTail log;
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    EXPECT_EQ(out.bytes(), in.bytes());
    const std::vector<std::string> lines = log.Take();
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_TRUE(kvtest::HasLinesInOrder(
        lines, {"Embedded LUT: parameter does not hold KVLUT text",
                kvtest::StartsWith("Render fmt=ARGB8 5x5 rowbytes=20 id=0 amount=1.000 lut=none 0 in r ")}));
    kvsim::DisposeHandle(junk);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
}

}  // namespace
