// Smart render as the compositing host drives it, at 8, 16 and 32 bits per
// channel: the same pictures as RENDER, the parameters checked out and in,
// the rectangles of pre-render, and every way the host can fail on the way.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "FailingAllocation.h"
#include "LogLines.h"
#include "RenderFormats.h"
#include "TestLuts.h"
#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"
#include "lut_engine/LutText.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;
using kvsim::FakeParams;
using kvsim::FakeWorld;
using kvsim::LogTail;
using kvsim::SmartRenderCall;
using kvtest::kUntouched;

// The compositing host's three depths.
const kv::PixelFormat* const kSmartFormats[] = {&kv::kArgb8, &kv::kArgb16, &kv::kArgb32f};

bool AllBytesAre(const std::vector<unsigned char>& bytes, unsigned char value) {
    for (const unsigned char b : bytes) {
        if (b != value) return false;
    }
    return true;
}

// One frame as the host sends it: pre-render, then, if that worked, render.
PF_Err PreRenderThenRender(SmartRenderCall& call) {
    const PF_Err err = call.PreRender();
    return err != PF_Err_NONE ? err : call.Render();
}

class SmartRenderTest : public ::testing::Test {
protected:
    FakeHost host_{kvsim::kApplAfterEffects, EffectMain};
};

TEST_F(SmartRenderTest, EightBitsGiveTheBytesAndLogLinesOfRender) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(31, "same"));
    FakeWorld in(kv::kArgb8, 61, 33, 8);
    in.FillTestPicture(17);
    FakeWorld other(kv::kArgb8, 5, 5);

    // Each render follows one of another size, so each logs its line.
    // Rows of their own length in the input; the outputs' are the layer's,
    // which the smart render line shows.
    FakeWorld throughRender(kv::kArgb8, 61, 33);
    FakeParams params(&in, 64.0, lut);
    FakeParams otherParams(&other, 64.0, lut);
    LogTail log;
    ASSERT_EQ(host_.Call(PF_Cmd_RENDER, otherParams.list(), &other.def()), PF_Err_NONE);
    log.Take();
    ASSERT_EQ(host_.Call(PF_Cmd_RENDER, params.list(), &throughRender.def()), PF_Err_NONE);
    const std::vector<std::string> renderLines = log.Take();

    ASSERT_EQ(host_.Call(PF_Cmd_RENDER, otherParams.list(), &other.def()), PF_Err_NONE);
    log.Take();
    FakeWorld throughSmart(kv::kArgb8, 61, 33);
    SmartRenderCall call(host_, &in, &throughSmart, 64.0, lut);
    ASSERT_EQ(call.PreRender(), PF_Err_NONE);
    ASSERT_EQ(call.Render(), PF_Err_NONE);
    const std::vector<std::string> smartLines = log.Take();

    EXPECT_EQ(throughSmart.bytes(), throughRender.bytes());
    EXPECT_EQ(smartLines, renderLines);
    EXPECT_TRUE(kvtest::HasLinesInOrder(smartLines, {kvtest::StartsWith("Render fmt=ARGB8 61x33 ")}));
    kvsim::DisposeHandle(lut);
}

TEST_F(SmartRenderTest, AnIdentityLutGivesEverySixteenBitCodeBack) {
    PF_Handle lut = kvsim::MakeHandle16(kv::FormatLutText(kvtest::IdentityCube(17), 0, "identity"));
    // 257 x 128 pixels: every code 0..32768 in red, in a different order in
    // green and blue, alpha running the other way.
    FakeWorld in(kv::kArgb16, 257, 128);
    FakeWorld out(kv::kArgb16, 257, 128);
    for (int32_t i = 0; i < 257 * 128; ++i) {
        const auto code = [](int32_t k) { return static_cast<uint16_t>(k % 32769); };
        const uint16_t pixel[4] = {code(32768 - i), code(i), code(i * 7 + 3), code(i * 13 + 11)};
        std::memcpy(in.Row(i / 257) + (i % 257) * 8, pixel, sizeof pixel);
    }
    SmartRenderCall call(host_, &in, &out, 100.0, lut);
    ASSERT_EQ(PreRenderThenRender(call), PF_Err_NONE);
    EXPECT_EQ(out.bytes(), in.bytes());
    kvsim::DisposeHandle(lut);
}

TEST_F(SmartRenderTest, EachDepthRendersTheLutTheAmountAndThePattern) {
    PF_Handle invert = kvsim::MakeHandle16(kvtest::InvertRedText(5, "deep"));
    PF_Handle pattern = kvsim::MakeHandle16(kvtest::PatternText(3));
    for (const kv::PixelFormat* format : kSmartFormats) {
        SCOPED_TRACE(format->name);
        FakeWorld in(*format, 40, 30, 16);
        in.FillTestPicture(3);
        FakeWorld out(*format, 40, 30, 16);
        SmartRenderCall applied(host_, &in, &out, 100.0, invert);
        ASSERT_EQ(PreRenderThenRender(applied), PF_Err_NONE);
        EXPECT_TRUE(kvtest::InvertsRed(in, out, 0, 0));
        EXPECT_TRUE(kvtest::InvertsRed(in, out, 39, 29));

        FakeWorld copied(*format, 40, 30, 16);
        SmartRenderCall none(host_, &in, &copied, 0.0, invert);
        ASSERT_EQ(PreRenderThenRender(none), PF_Err_NONE);
        for (int32_t y = 0; y < 30; ++y) {
            ASSERT_EQ(std::memcmp(copied.Row(y), in.Row(y), 40 * static_cast<size_t>(format->pixelBytes)), 0);
        }

        FakeWorld drawn(*format, 40, 30);
        SmartRenderCall probe(host_, &in, &drawn, 100.0, pattern);
        ASSERT_EQ(PreRenderThenRender(probe), PF_Err_NONE);
        float corner[4];
        drawn.GetPixel(39, 29, corner);
        EXPECT_EQ(corner[3], 1.0f);  // the pattern is opaque at every depth
    }
    kvsim::DisposeHandle(invert);
    kvsim::DisposeHandle(pattern);
}

TEST_F(SmartRenderTest, ParametersAreReadAtTheRendersTimeAndAllCheckedIn) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(6, "times"));
    FakeWorld in(kv::kArgb16, 8, 8);
    FakeWorld out(kv::kArgb16, 8, 8);
    SmartRenderCall call(host_, &in, &out, 50.0, lut);
    call.SetTime(600, 25, 2400);
    ASSERT_EQ(PreRenderThenRender(call), PF_Err_NONE);
    const std::vector<SmartRenderCall::ParamCheckout> read = call.paramCheckouts();
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].index, 1);
    EXPECT_EQ(read[1].index, 2);
    for (const SmartRenderCall::ParamCheckout& p : read) {
        EXPECT_EQ(p.time, 600);
        EXPECT_EQ(p.step, 25);
        EXPECT_EQ(p.scale, 2400u);
    }
    EXPECT_EQ(call.paramsStillOut(), 0);
    EXPECT_EQ(call.strayCheckins(), 0);
    kvsim::DisposeHandle(lut);
}

// Every way out of a render that has begun: the host's errors come back as
// they are, the output stays untouched, nothing stays checked out or locked.
TEST_F(SmartRenderTest, EveryCheckedOutParameterIsCheckedInWhenSomethingFails) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(7, "fails"));
    struct Failure {
        const char* what;
        PF_Err expected;
        void (*arrange)(SmartRenderCall&, FakeWorld&);
    };
    const Failure failures[] = {
        {"amount checkout", 4, [](SmartRenderCall& c, FakeWorld&) { c.FailCheckoutParam(1, 4); }},
        {"LUT checkout", 516, [](SmartRenderCall& c, FakeWorld&) { c.FailCheckoutParam(2, 516); }},
        {"input pixels", 4, [](SmartRenderCall& c, FakeWorld&) { c.FailLayerPixels(4); }},
        {"output world", 512, [](SmartRenderCall& c, FakeWorld&) { c.FailCheckoutOutput(512); }},
        {"pixel format", PF_Err_UNRECOGNIZED_PARAM_TYPE,
         [](SmartRenderCall&, FakeWorld& out) { out.SetSmartPixelFormat(PF_PixelFormat_INVALID); }},
        {"no checkout callback", PF_Err_BAD_CALLBACK_PARAM,
         [](SmartRenderCall& c, FakeWorld&) { c.SetCheckoutParamMissing(true); }},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.what);
        FakeWorld in(kv::kArgb16, 9, 7);
        in.FillTestPicture(2);
        FakeWorld out(kv::kArgb16, 9, 7);
        out.FillBytes(kUntouched);
        SmartRenderCall call(host_, &in, &out, 100.0, lut);
        f.arrange(call, out);
        EXPECT_EQ(PreRenderThenRender(call), f.expected);
        EXPECT_TRUE(AllBytesAre(out.bytes(), kUntouched));
        EXPECT_EQ(call.paramsStillOut(), 0);
        EXPECT_EQ(call.strayCheckins(), 0);
        EXPECT_EQ(kvsim::LockedHandleCount(), 0);
        EXPECT_EQ(host_.suitesHeld(), 0);
    }

    // An exception on the way (the LUT cannot be parsed for want of memory)
    // is the dispatcher's 512, with the parameters checked in all the same.
    PF_Handle unseen = kvsim::MakeHandle16(kvtest::InvertRedText(9302, "memory"));
    FakeWorld in(kv::kArgb8, 4, 4);
    FakeWorld out(kv::kArgb8, 4, 4);
    SmartRenderCall call(host_, &in, &out, 100.0, unseen);
    ASSERT_EQ(call.PreRender(), PF_Err_NONE);
    PF_Err err;
    {
        kvtest::AllocationFailure failing;
        err = call.Render();
    }
    EXPECT_EQ(err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(call.paramsStillOut(), 0);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    kvsim::DisposeHandle(unseen);
    kvsim::DisposeHandle(lut);
}

TEST_F(SmartRenderTest, ANullWorldWithoutAnErrorRendersNothing) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(8, "empty"));
    FakeWorld out(kv::kArgb8, 6, 6);
    out.FillBytes(kUntouched);
    SmartRenderCall noInput(host_, nullptr, &out, 100.0, lut);
    EXPECT_EQ(PreRenderThenRender(noInput), PF_Err_NONE);
    EXPECT_TRUE(AllBytesAre(out.bytes(), kUntouched));
    EXPECT_EQ(noInput.paramsStillOut(), 0);

    FakeWorld in(kv::kArgb8, 6, 6);
    SmartRenderCall noOutput(host_, &in, nullptr, 100.0, lut);
    noOutput.SetBitDepth(8);
    EXPECT_EQ(PreRenderThenRender(noOutput), PF_Err_NONE);
    EXPECT_EQ(noOutput.paramsStillOut(), 0);
    kvsim::DisposeHandle(lut);
}

TEST_F(SmartRenderTest, SmartCommandsWithoutTheirRecordsAreRefused) {
    LogTail log;
    EXPECT_EQ(host_.Call(PF_Cmd_SMART_PRE_RENDER), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host_.Call(PF_Cmd_SMART_RENDER), PF_Err_BAD_CALLBACK_PARAM);
    PF_PreRenderExtra noPreCallbacks{};
    EXPECT_EQ(host_.Call(PF_Cmd_SMART_PRE_RENDER, nullptr, nullptr, &noPreCallbacks), PF_Err_BAD_CALLBACK_PARAM);
    PF_SmartRenderExtra noCallbacks{};
    EXPECT_EQ(host_.Call(PF_Cmd_SMART_RENDER, nullptr, nullptr, &noCallbacks), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(SmartRenderTest, PreRenderAsksForTheRequestAndPassesTheRectanglesOn) {
    FakeWorld out(kv::kArgb16, 100, 50);
    SmartRenderCall call(host_, nullptr, &out, 100.0, nullptr);
    call.SetTime(1200, 50, 600);
    call.request().rect = PF_LRect{10, 20, 90, 45};
    PF_CheckoutResult result{};
    result.result_rect = PF_LRect{12, 21, 88, 44};
    result.max_result_rect = PF_LRect{0, 0, 100, 50};
    call.SetCheckoutResult(result);
    ASSERT_EQ(call.PreRender(), PF_Err_NONE);

    const std::vector<SmartRenderCall::LayerCheckout> asked = call.layerCheckouts();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].index, 0);
    EXPECT_EQ(asked[0].checkoutId, 0);
    EXPECT_EQ(std::memcmp(&asked[0].request, &call.request(), sizeof(PF_RenderRequest)), 0);
    EXPECT_EQ(asked[0].time, 1200);
    EXPECT_EQ(asked[0].step, 50);
    EXPECT_EQ(asked[0].scale, 600u);
    const PF_PreRenderOutput& output = call.preRenderOutput();
    EXPECT_EQ(std::memcmp(&output.result_rect, &result.result_rect, sizeof(PF_LRect)), 0);
    EXPECT_EQ(std::memcmp(&output.max_result_rect, &result.max_result_rect, sizeof(PF_LRect)), 0);
    // The whole input goes on to the render, for the host to dispose of.
    ASSERT_NE(output.pre_render_data, nullptr);
    EXPECT_NE(output.delete_pre_render_data_func, nullptr);

    SmartRenderCall refused(host_, nullptr, &out, 100.0, nullptr);
    refused.FailCheckoutLayer(-2);
    EXPECT_EQ(refused.PreRender(), -2);
    EXPECT_EQ(refused.preRenderOutput().result_rect.right, 0);
}

TEST_F(SmartRenderTest, OnlyTheOverlapOfUnequalWorldsIsRendered) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(10, "overlap"));
    for (const kv::PixelFormat* format : kSmartFormats) {
        SCOPED_TRACE(format->name);
        FakeWorld in(*format, 20, 12);
        in.FillTestPicture(4);
        FakeWorld out(*format, 26, 9);
        out.FillBytes(kUntouched);
        SmartRenderCall call(host_, &in, &out, 100.0, lut);
        ASSERT_EQ(PreRenderThenRender(call), PF_Err_NONE);
        EXPECT_TRUE(kvtest::InvertsRed(in, out, 19, 8));
        EXPECT_TRUE(kvtest::PixelUntouched(out, 20, 0));
        EXPECT_TRUE(kvtest::PixelUntouched(out, 25, 8));
    }
    kvsim::DisposeHandle(lut);
}

TEST_F(SmartRenderTest, TheFormatComesFromTheWorldSuiteElseFromTheBitDepth) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(11, "depth"));
    FakeWorld in(kv::kArgb16, 7, 5);
    in.FillTestPicture(6);
    FakeWorld out(kv::kArgb16, 7, 5);
    LogTail log;
    SmartRenderCall named(host_, &in, &out, 100.0, lut);
    named.SetBitDepth(8);  // the suite's answer wins over the bit depth
    ASSERT_EQ(PreRenderThenRender(named), PF_Err_NONE);
    EXPECT_TRUE(kvtest::HasLinesInOrder(log.Take(), {kvtest::StartsWith("Render fmt=ARGB16 7x5 ")}));
    EXPECT_TRUE(kvtest::InvertsRed(in, out, 6, 4));

    host_.SetSuiteMissing(kPFWorldSuite, true);
    FakeWorld floats(kv::kArgb32f, 7, 5);
    floats.FillTestPicture(6);
    FakeWorld floatOut(kv::kArgb32f, 7, 5);
    SmartRenderCall byDepth(host_, &floats, &floatOut, 100.0, lut);
    ASSERT_EQ(PreRenderThenRender(byDepth), PF_Err_NONE);
    EXPECT_TRUE(kvtest::HasLinesInOrder(log.Take(), {kvtest::StartsWith("Render fmt=ARGB32f 7x5 ")}));
    EXPECT_TRUE(kvtest::InvertsRed(floats, floatOut, 6, 4));

    SmartRenderCall oddDepth(host_, &floats, &floatOut, 100.0, lut);
    oddDepth.SetBitDepth(10);
    EXPECT_EQ(PreRenderThenRender(oddDepth), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    host_.SetSuiteMissing(kPFWorldSuite, false);
    EXPECT_EQ(host_.suitesHeld(), 0);
    kvsim::DisposeHandle(lut);
}

TEST_F(SmartRenderTest, ADeepWorldThroughRenderIsSixteenBit) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(12, "render"));
    FakeWorld in(kv::kArgb16, 9, 4);
    in.FillTestPicture(8);
    FakeWorld out(kv::kArgb16, 9, 4);
    ASSERT_NE(in.def().world_flags & PF_WorldFlag_DEEP, 0);
    FakeParams params(&in, 100.0, lut);
    LogTail log;
    ASSERT_EQ(host_.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    EXPECT_TRUE(kvtest::HasLinesInOrder(log.Take(), {kvtest::StartsWith("Render fmt=ARGB16 9x4 ")}));
    EXPECT_TRUE(kvtest::InvertsRed(in, out, 8, 3));
    kvsim::DisposeHandle(lut);
}

}  // namespace
