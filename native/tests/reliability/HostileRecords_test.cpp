// Records a host should never send, but a damaged one might: every command
// with each of its records missing, and parameter arrays with holes. The
// effect must answer (any code) without touching what is not there.

#include <gtest/gtest.h>

#include "EffectTestLuts.h"
#include "RenderFormats.h"

namespace kvtest {
namespace {

const PF_Cmd kCommands[] = {PF_Cmd_ABOUT,       PF_Cmd_GLOBAL_SETUP,         PF_Cmd_PARAMS_SETUP,
                            PF_Cmd_RENDER,      PF_Cmd_USER_CHANGED_PARAM,   PF_Cmd_UPDATE_PARAMS_UI,
                            PF_Cmd_ARBITRARY_CALLBACK};

TEST(HostileRecords, MissingRecordsAreAnsweredWithoutACrash) {
    kvsim::FakeHost host(kvsim::kApplPremiere, EffectMain);
    kvsim::FakeWorld in(kv::kBgra8u, 8, 8);
    kvsim::FakeWorld out(kv::kBgra8u, 8, 8);
    PF_Handle lut = kvsim::MakeHandle16(InvertRedText(91, "hostile"));
    kvsim::FakeParams params(&in, 100.0, lut);
    PF_ParamDef* holes[6] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    PF_UserChangedParamExtra pressed{4};
    PF_ArbParamsExtra arb{};
    arb.which_function = PF_Arbitrary_PRINT_SIZE_FUNC;  // with no place for the answer

    for (PF_Cmd cmd : kCommands) {
        SCOPED_TRACE(cmd);
        void* extra = cmd == PF_Cmd_USER_CHANGED_PARAM ? static_cast<void*>(&pressed)
                      : cmd == PF_Cmd_ARBITRARY_CALLBACK ? static_cast<void*>(&arb)
                                                         : nullptr;
        EffectMain(cmd, nullptr, nullptr, nullptr, nullptr, nullptr);
        EffectMain(cmd, nullptr, &host.out(), params.list(), &out.def(), extra);
        EffectMain(cmd, &host.in(), nullptr, params.list(), &out.def(), extra);
        EffectMain(cmd, &host.in(), &host.out(), nullptr, &out.def(), extra);
        EffectMain(cmd, &host.in(), &host.out(), holes, &out.def(), extra);
        EffectMain(cmd, &host.in(), &host.out(), params.list(), nullptr, extra);
        EffectMain(cmd, &host.in(), &host.out(), params.list(), &out.def(), nullptr);
    }
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    EXPECT_EQ(host.suitesHeld(), 0);
    for (const PF_ParamDef& def : host.addedParams()) {
        if (def.param_type == PF_Param_ARBITRARY_DATA) kvsim::DisposeHandle(def.u.arb_d.dephault);
    }
    kvsim::DisposeHandle(lut);
}

}  // namespace
}  // namespace kvtest
