// Hosts whose basic suite or suite tables have holes: every command that asks
// a suite something goes on as it does without the suite, calls nothing that
// is missing and leaves no suite held.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "LogLines.h"
#include "RenderFormats.h"
#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;
using kvsim::LogTail;
using kvtest::StartsWith;

struct HostDefect {
    const char* what;
    void (*arrange)(FakeHost&);
};

const HostDefect kDefects[] = {
    {"no AcquireSuite", [](FakeHost& h) { h.SetBasicSuiteLacks(true, false); }},
    {"no ReleaseSuite", [](FakeHost& h) { h.SetBasicSuiteLacks(false, true); }},
    {"neither", [](FakeHost& h) { h.SetBasicSuiteLacks(true, true); }},
    {"suites without functions",
     [](FakeHost& h) {
         for (const char* name : {kPFPixelFormatSuite, kPFWorldSuite, kPFParamUtilsSuite}) {
             h.SetSuiteFunctionsMissing(name, true);
         }
     }},
};

TEST(HostSuites, HolesInTheSuitesReadAsNoSuite) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(71, "holes"));
    for (const HostDefect& defect : kDefects) {
        SCOPED_TRACE(defect.what);
        LogTail log;
        {
            FakeHost editing(kvsim::kApplPremiere, EffectMain);
            defect.arrange(editing);
            EXPECT_EQ(editing.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
            EXPECT_TRUE(editing.pixelFormatCalls().empty());

            // Without the pixel format suite the frame is 8-bit.
            kvsim::FakeWorld in(kv::kBgra8u, 6, 4);
            kvsim::FakeWorld out(kv::kBgra8u, 6, 4);
            in.FillTestPicture(3);
            kvsim::FakeParams params(&in, 100.0, lut);
            editing.SetPixelFormat(PrPixelFormat_BGRA_4444_32f);
            EXPECT_EQ(editing.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
            EXPECT_TRUE(kvtest::InvertsRed(in, out, 5, 3));

            EXPECT_EQ(editing.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()), PF_Err_NONE);
            EXPECT_TRUE(editing.updateParamUICalls().empty());
            EXPECT_EQ(editing.suitesHeld(), 0);
        }
        {
            // Without the World Suite the smart render's format is its bit depth.
            FakeHost compositing(kvsim::kApplAfterEffects, EffectMain);
            defect.arrange(compositing);
            kvsim::FakeWorld in(kv::kArgb16, 5, 3);
            kvsim::FakeWorld out(kv::kArgb16, 5, 3);
            in.FillTestPicture(4);
            kvsim::SmartRenderCall call(compositing, &in, &out, 100.0, lut);
            EXPECT_EQ(call.PreRender(), PF_Err_NONE);
            EXPECT_EQ(call.Render(), PF_Err_NONE);
            EXPECT_TRUE(kvtest::InvertsRed(in, out, 4, 2));
            EXPECT_EQ(compositing.suitesHeld(), 0);
        }
        EXPECT_TRUE(kvtest::HasLinesInOrder(log.Take(), {StartsWith("GlobalSetup build"),
                                                         "GlobalSetup: no pixel format suite",
                                                         StartsWith("Render fmt=BGRA8u 6x4 "),
                                                         "LUT button: no param utils suite (update)",
                                                         StartsWith("Render fmt=ARGB16 5x3 ")}));
    }
    kvsim::DisposeHandle(lut);
}

}  // namespace
