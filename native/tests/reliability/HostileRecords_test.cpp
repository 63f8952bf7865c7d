// Records a host should never send, but a damaged one might: every command
// with each of its records missing, parameter arrays with holes, a basic
// suite without its functions, and smart-render extras with parts missing.
// The effect must answer (any code) without touching what is not there.

#include <gtest/gtest.h>

#include "EffectTestLuts.h"
#include "RenderFormats.h"
#include "host_sim/FakeSmartRender.h"

namespace kvtest {
namespace {

const PF_Cmd kCommands[] = {PF_Cmd_ABOUT,           PF_Cmd_GLOBAL_SETUP,     PF_Cmd_PARAMS_SETUP,
                            PF_Cmd_RENDER,          PF_Cmd_USER_CHANGED_PARAM, PF_Cmd_UPDATE_PARAMS_UI,
                            PF_Cmd_ARBITRARY_CALLBACK, PF_Cmd_SMART_PRE_RENDER, PF_Cmd_SMART_RENDER};

// The smart commands' extras with one part missing at a time: each pointer of
// the extra, then each callback of its table.
void SendSmartExtrasWithHoles(PF_Cmd cmd, kvsim::SmartRenderCall& call) {
    PF_InData* in = &call.in();
    if (cmd == PF_Cmd_SMART_PRE_RENDER) {
        const PF_PreRenderExtra whole = *call.preRenderExtra();
        PF_PreRenderCallbacks noCallbacks{};
        const PF_PreRenderExtra holes[] = {{nullptr, whole.output, whole.cb},
                                           {whole.input, nullptr, whole.cb},
                                           {whole.input, whole.output, nullptr},
                                           {whole.input, whole.output, &noCallbacks}};
        for (PF_PreRenderExtra extra : holes) {
            EffectMain(cmd, in, nullptr, nullptr, nullptr, &extra);
            call.ReleasePreRenderData();
        }
    } else if (cmd == PF_Cmd_SMART_RENDER) {
        const PF_SmartRenderExtra whole = *call.renderExtra();
        const PF_SmartRenderCallbacks full = *whole.cb;
        PF_SmartRenderCallbacks lacking[3] = {full, full, full};
        lacking[0].checkout_layer_pixels = nullptr;
        lacking[1].checkin_layer_pixels = nullptr;
        lacking[2].checkout_output = nullptr;
        PF_SmartRenderExtra extra{nullptr, whole.cb};
        EffectMain(cmd, in, nullptr, nullptr, nullptr, &extra);
        extra = {whole.input, nullptr};
        EffectMain(cmd, in, nullptr, nullptr, nullptr, &extra);
        for (PF_SmartRenderCallbacks& cb : lacking) {
            extra = {whole.input, &cb};
            EffectMain(cmd, in, nullptr, nullptr, nullptr, &extra);
        }
        PF_InData noParamCallbacks = *in;
        noParamCallbacks.inter.checkin_param = nullptr;
        EffectMain(cmd, &noParamCallbacks, nullptr, nullptr, nullptr, call.renderExtra());
    }
}

TEST(HostileRecords, MissingRecordsAreAnsweredWithoutACrash) {
    for (A_long appl : {kvsim::kApplPremiere, kvsim::kApplAfterEffects}) {
        SCOPED_TRACE(appl);
        kvsim::FakeHost host(appl, EffectMain);
        kvsim::FakeWorld in(kv::kBgra8u, 8, 8);
        kvsim::FakeWorld out(kv::kBgra8u, 8, 8);
        PF_Handle lut = kvsim::MakeHandle16(InvertRedText(91, "hostile"));
        kvsim::FakeParams params(&in, 100.0, lut);
        PF_ParamDef* holes[6] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
        PF_UserChangedParamExtra pressed{4};
        PF_ArbParamsExtra arb{};
        arb.which_function = PF_Arbitrary_PRINT_SIZE_FUNC;  // with no place for the answer
        SPBasicSuite noFunctions{};

        for (PF_Cmd cmd : kCommands) {
            SCOPED_TRACE(cmd);
            kvsim::SmartRenderCall call(host, &in, &out, 100.0, lut);
            const bool smart = cmd == PF_Cmd_SMART_PRE_RENDER || cmd == PF_Cmd_SMART_RENDER;
            // The smart commands' callbacks know their call by its effect reference.
            PF_InData& inData = smart ? call.in() : host.in();
            void* extra = cmd == PF_Cmd_USER_CHANGED_PARAM      ? static_cast<void*>(&pressed)
                          : cmd == PF_Cmd_ARBITRARY_CALLBACK    ? static_cast<void*>(&arb)
                          : cmd == PF_Cmd_SMART_PRE_RENDER      ? static_cast<void*>(call.preRenderExtra())
                          : cmd == PF_Cmd_SMART_RENDER          ? static_cast<void*>(call.renderExtra())
                                                                : nullptr;
            // Each pre-render that works leaves data for the host to dispose of.
            const auto send = [&](PF_InData* i, PF_OutData* o, PF_ParamDef** p, PF_LayerDef* w, void* e) {
                EffectMain(cmd, i, o, p, w, e);
                call.ReleasePreRenderData();
            };
            send(nullptr, nullptr, nullptr, nullptr, nullptr);
            send(nullptr, &host.out(), params.list(), &out.def(), extra);
            send(&inData, nullptr, params.list(), &out.def(), extra);
            send(&inData, &host.out(), nullptr, &out.def(), extra);
            send(&inData, &host.out(), holes, &out.def(), extra);
            send(&inData, &host.out(), params.list(), nullptr, extra);
            send(&inData, &host.out(), params.list(), &out.def(), nullptr);
            PF_InData noSuiteFunctions = inData;
            noSuiteFunctions.pica_basicP = &noFunctions;
            send(&noSuiteFunctions, &host.out(), params.list(), &out.def(), extra);
            SendSmartExtrasWithHoles(cmd, call);
            EXPECT_EQ(call.paramsStillOut(), 0);
        }
        EXPECT_EQ(kvsim::LockedHandleCount(), 0);
        EXPECT_EQ(host.suitesHeld(), 0);
        for (const PF_ParamDef& def : host.addedParams()) {
            if (def.param_type == PF_Param_ARBITRARY_DATA) kvsim::DisposeHandle(def.u.arb_d.dephault);
        }
        kvsim::DisposeHandle(lut);
    }
}

}  // namespace
}  // namespace kvtest
