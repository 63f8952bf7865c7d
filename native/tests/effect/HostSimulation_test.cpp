// The host simulation answers as the hosts do, no more leniently: what its
// worlds say of their depth, which layer pixels it hands out, and parameter
// arrays that agree with what PARAMS_SETUP registers without being copied
// from it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;
using kvsim::FakeWorld;
using kvsim::SmartRenderCall;

TEST(HostSimulation, OnlySixteenBitWorldsAreFlaggedDeep) {
    struct Case {
        const kv::PixelFormat& format;
        PF_WorldFlags flags;
    };
    const Case cases[] = {
        {kv::kArgb8, PF_WorldFlag_WRITEABLE},  {kv::kArgb16, PF_WorldFlag_WRITEABLE | PF_WorldFlag_DEEP},
        {kv::kArgb32f, PF_WorldFlag_WRITEABLE}, {kv::kBgra8u, PF_WorldFlag_WRITEABLE},
        {kv::kBgra32f, PF_WorldFlag_WRITEABLE},
    };
    for (const Case& c : cases) {
        FakeWorld world(c.format, 3, 2);
        EXPECT_EQ(world.def().world_flags, c.flags) << c.format.name;
    }
}

TEST(HostSimulation, LayerPixelsOnlyForALayerCheckedOutAtPreRender) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    FakeWorld in(kv::kArgb8, 4, 4);
    FakeWorld out(kv::kArgb8, 4, 4);
    in.FillTestPicture(5);
    out.FillBytes(0xCD);
    const std::vector<unsigned char> untouched = out.bytes();

    SmartRenderCall withoutPreRender(host, &in, &out, 100.0, nullptr);
    EXPECT_EQ(withoutPreRender.Render(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(out.bytes(), untouched);

    SmartRenderCall refused(host, &in, &out, 100.0, nullptr);
    refused.FailCheckoutLayer(PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(refused.PreRender(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(refused.Render(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(out.bytes(), untouched);

    SmartRenderCall checkedOut(host, &in, &out, 100.0, nullptr);
    ASSERT_EQ(checkedOut.PreRender(), PF_Err_NONE);
    const A_long effectsId = checkedOut.layerCheckouts().at(0).checkoutId;
    const PF_SmartRenderCallbacks& cb = *checkedOut.renderExtra()->cb;
    PF_EffectWorld* pixels = &out.def();
    EXPECT_EQ(cb.checkout_layer_pixels(checkedOut.in().effect_ref, effectsId + 1, &pixels), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(cb.checkout_layer_pixels(checkedOut.in().effect_ref, effectsId, &pixels), PF_Err_NONE);
    EXPECT_EQ(pixels, &in.def());
    EXPECT_EQ(checkedOut.Render(), PF_Err_NONE);
    EXPECT_EQ(out.bytes(), in.bytes());
}

// The simulation's arrays describe the parameters on their own; PARAMS_SETUP
// must register the same ones at the same places.
TEST(HostSimulation, ParameterArraysAgreeWithWhatParamsSetupRegisters) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    ASSERT_EQ(host.Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    EXPECT_EQ(host.out().num_params, kvsim::kParamArrayCount);
    const std::vector<PF_ParamDef> registered = host.addedParams();
    ASSERT_EQ(registered.size(), static_cast<size_t>(kvsim::kParamArrayCount - 1));
    kvsim::FakeParams params(nullptr, 100.0, nullptr);
    EXPECT_EQ(params.at(kvsim::kParamArrayInput).param_type, PF_Param_LAYER);
    for (int i = 1; i < kvsim::kParamArrayCount; ++i) {
        const PF_ParamDef& ours = params.at(i);
        const PF_ParamDef& theirs = registered[static_cast<size_t>(i - 1)];
        SCOPED_TRACE(ours.name);
        EXPECT_EQ(theirs.param_type, ours.param_type);
        EXPECT_EQ(theirs.uu.id, ours.uu.id);
        EXPECT_STREQ(theirs.name, ours.name);
        if (ours.param_type == PF_Param_FLOAT_SLIDER) {
            EXPECT_EQ(theirs.u.fs_d.dephault, ours.u.fs_d.dephault);
            EXPECT_EQ(theirs.u.fs_d.valid_max, ours.u.fs_d.valid_max);
            EXPECT_EQ(theirs.u.fs_d.slider_max, ours.u.fs_d.slider_max);
        } else if (ours.param_type == PF_Param_ARBITRARY_DATA) {
            EXPECT_EQ(theirs.u.arb_d.id, ours.u.arb_d.id);
            kvsim::DisposeHandle(theirs.u.arb_d.dephault);
        } else {
            EXPECT_STREQ(theirs.u.button_d.u.namesptr, ours.u.button_d.u.namesptr);
        }
    }
    EXPECT_EQ(params.list()[kvsim::kParamArrayCount], nullptr);
}

}  // namespace
