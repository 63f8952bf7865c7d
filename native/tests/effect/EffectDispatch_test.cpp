// The entry points as the hosts call them: registration, every command of the
// dispatcher, and the exception boundary.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "FailingAllocation.h"
#include "host_sim/FakeHost.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);
extern "C" A_Err PluginDataEntryFunction2(PF_PluginDataPtr, PF_PluginDataCB2, SPBasicSuite*, const char*,
                                          const char*);

namespace {

using kvsim::FakeHost;
using kvsim::LogTail;

struct Registered {
    int calls = 0;
    PF_PluginDataPtr inPtr = nullptr;
    std::string name, matchName, category, entry, url;
    A_long kind = 0, major = 0, minor = 0, reserved = 0;
} gRegistered;

A_Err RecordRegistration(PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* match,
                         const A_u_char* category, const A_u_char* entry, A_long kind, A_long major,
                         A_long minor, A_long reserved, const A_u_char* url) {
    auto text = [](const A_u_char* s) { return std::string(reinterpret_cast<const char*>(s)); };
    ++gRegistered.calls;
    gRegistered = {gRegistered.calls, inPtr, text(name), text(match), text(category), text(entry), text(url),
                   kind, major, minor, reserved};
    return 42;
}

TEST(Registration, RegistersOnceAndPassesTheHostsAnswerBack) {
    int token = 0;
    EXPECT_EQ(PluginDataEntryFunction2(&token, RecordRegistration, nullptr, "host", "1"), 42);
    EXPECT_EQ(gRegistered.calls, 1);
    EXPECT_EQ(gRegistered.inPtr, &token);
    EXPECT_EQ(gRegistered.name, "Kromvale");
    EXPECT_EQ(gRegistered.matchName, "KRVL Kromvale");
    EXPECT_EQ(gRegistered.category, "Color Correction");
    EXPECT_EQ(gRegistered.entry, "EffectMain");
    EXPECT_EQ(gRegistered.kind, 0x65464B54);
    EXPECT_EQ(gRegistered.major, 13);
    EXPECT_EQ(gRegistered.minor, 29);
    EXPECT_EQ(gRegistered.reserved, 8);
    EXPECT_EQ(gRegistered.url, "https://kromvale.example/support");
    EXPECT_EQ(PluginDataEntryFunction2(&token, nullptr, nullptr, "host", "1"), PF_Err_INVALID_CALLBACK);
}

TEST(Dispatch, AboutWritesTheProductLine) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    std::memset(host.out().return_msg, 'x', sizeof host.out().return_msg);
    EXPECT_EQ(host.Call(PF_Cmd_ABOUT), PF_Err_NONE);
    EXPECT_STREQ(host.out().return_msg, "Kromvale 1.0\rApplies the colour match made in the Kromvale panel.");
}

TEST(Dispatch, GlobalSetupInTheCompositingHost) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    LogTail log;
    EXPECT_EQ(host.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    EXPECT_EQ(host.out().my_version, 0x0008000Cu);
    EXPECT_EQ(host.out().out_flags, 0x06000400);
    EXPECT_EQ(host.out().out_flags2, 0x0A001400);
    EXPECT_TRUE(host.pixelFormatCalls().empty());
    EXPECT_EQ(log.Take(), std::vector<std::string>{"GlobalSetup build 12 host=FXTC api=13.28"});
}

TEST(Dispatch, GlobalSetupInTheEditingHostDeclaresFloatThenEightBit) {
    FakeHost host(kvsim::kApplPremiere, EffectMain);
    LogTail log;
    EXPECT_EQ(host.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    const std::vector<kvsim::PixelFormatCall> calls = host.pixelFormatCalls();
    // No GPU bit: the editing host renders on the GPU through its filter entry.
    EXPECT_EQ(host.out().out_flags2, 0x08001400);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].what, "Clear");
    EXPECT_EQ(calls[1].what, "Add");
    EXPECT_EQ(calls[1].format, PrPixelFormat_BGRA_4444_32f);
    EXPECT_EQ(calls[2].format, PrPixelFormat_BGRA_4444_8u);
    EXPECT_EQ(host.suitesHeld(), 0);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"GlobalSetup build 12 host=PrMr api=13.28"});
}

TEST(Dispatch, GlobalSetupWithoutThePixelFormatSuiteGoesOn) {
    for (int variant = 0; variant < 3; ++variant) {
        FakeHost host(kvsim::kApplPremiere, EffectMain);
        if (variant == 0) {
            host.SetBasicSuitePresent(false);
        } else if (variant == 1) {
            host.SetSuiteMissing("PF Pixel Format Suite", true);
        } else {
            host.SetSuiteYieldsNull("PF Pixel Format Suite", true);
        }
        LogTail log;
        EXPECT_EQ(host.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
        EXPECT_EQ(host.out().out_flags, 0x06000400);
        EXPECT_TRUE(host.pixelFormatCalls().empty());
        EXPECT_EQ(host.suitesHeld(), 0);
        EXPECT_EQ(log.Take(), (std::vector<std::string>{"GlobalSetup build 12 host=PrMr api=13.28",
                                                        "GlobalSetup: no pixel format suite"}))
            << "variant " << variant;
    }
}

TEST(Dispatch, RoutesTheHandledCommands) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    EXPECT_EQ(host.Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    EXPECT_EQ(host.addedParams().size(), 4u);
    kvsim::DisposeHandle(host.addedParams()[1].u.arb_d.dephault);

    kvsim::FakeWorld in(kv::kArgb8, 4, 2);
    kvsim::FakeWorld out(kv::kArgb8, 4, 2);
    in.FillBytes(0x5A);
    kvsim::FakeParams params(&in, 100.0, nullptr);
    EXPECT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    EXPECT_EQ(out.bytes(), in.bytes());

    PF_UserChangedParamExtra changed{3};
    EXPECT_EQ(host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &changed), PF_Err_NONE);

    EXPECT_EQ(host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()), PF_Err_NONE);
    ASSERT_EQ(host.updateParamUICalls().size(), 1u);
    EXPECT_EQ(host.updateParamUICalls()[0].label, "Choose a LUT");

    PF_ArbitraryH value = nullptr;
    EXPECT_EQ(host.ArbNew(&value), PF_Err_NONE);
    EXPECT_NE(value, nullptr);
    kvsim::DisposeHandle(value);
}

TEST(Dispatch, OtherCommandsDoNothing) {
    FakeHost host(kvsim::kApplPremiere, EffectMain);
    LogTail log;
    for (PF_Cmd cmd : {2, 3, 5, 6, 7, 8, 9, 10, 12, 15, 16, 17, 18, 34, -1, 1000}) {
        host.ResetOutData();
        EXPECT_EQ(host.Call(cmd), PF_Err_NONE) << cmd;
        EXPECT_EQ(host.out().out_flags, 0) << cmd;
    }
    EXPECT_TRUE(log.Take().empty());
    EXPECT_TRUE(host.pixelFormatCalls().empty());
}

TEST(Dispatch, NoExceptionReachesTheHost) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    kvsim::FakeWorld in(kv::kArgb8, 4, 2);
    kvsim::FakeWorld out(kv::kArgb8, 4, 2);
    // Text not seen before: the cache has to allocate to parse it.
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(9301, "alloc"));
    kvsim::FakeParams params(&in, 100.0, lut);
    const long refusedBefore = kvtest::RefusedAllocations();
    PF_Err render, update, scan;
    {
        kvtest::AllocationFailure failing;
        render = host.Call(PF_Cmd_RENDER, params.list(), &out.def());
        update = host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list());
        PF_ArbitraryH scanned = nullptr;
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_SCAN_FUNC;
        // Long enough that its stored form does not fit a string's own buffer.
        extra.u.scan_func_params.bufPC = "KVLUTP 17";
        extra.u.scan_func_params.bytes_to_scanLu = 9;
        extra.u.scan_func_params.arbPH = &scanned;
        scan = host.Call(PF_Cmd_ARBITRARY_CALLBACK, nullptr, nullptr, &extra);
    }
    EXPECT_GT(kvtest::RefusedAllocations(), refusedBefore);
    EXPECT_EQ(render, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(update, PF_Err_NONE);
    EXPECT_EQ(scan, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);  // the LUT handle was unlocked on the way out

    // Nothing was left half-done: the same frame renders once memory is back.
    EXPECT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    kvsim::DisposeHandle(lut);
}

}  // namespace
