// The "Change LUT" button's text, as the host receives it on
// UPDATE_PARAMS_UI, and its log line.

#include "panel_link/ButtonLabel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "host_sim/FakeHost.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;
using kvsim::FakeParams;
using kvsim::LogTail;

std::string LabelFor(PF_Handle lut) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    FakeParams params(nullptr, 100.0, lut);
    return kv::LutButtonLabel(&host.in(), params.list());
}

TEST(ButtonLabel, TextFollowsWhatIsStored) {
    struct Case {
        PF_Handle lut;
        const char* label;
    } cases[] = {
        {nullptr, "Choose a LUT"},
        {kvsim::MakeHandle16("KVLUT0"), "Choose a LUT"},
        {kvsim::MakeHandle8("garbage bytes for the label"), "Choose a LUT"},
        {kvsim::MakeHandle16(kvtest::PatternText(17)), "Calibrating"},
        {kvsim::MakeHandle16(kvtest::InvertRedText(1, "night")), "night.cube"},
        {kvsim::MakeHandle16(kvtest::InvertRedText(2, "night.grade")), "night.grade.cube"},
        {kvsim::MakeHandle8(kvtest::InvertRedText(3, "caf\xC3\xA9")), "caf\xC3\xA9.cube"},
        {kvsim::MakeHandle16(kvtest::InvertRedText(4, "")), "From Kromvale (Apply again to name it)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LabelFor(c.lut), c.label);
        kvsim::DisposeHandle(c.lut);
    }
}

// A value the host gives no way to read is no LUT: a record without one of
// the handle callbacks, or a lock that yields nothing (which is then not
// unlocked, so a lock held elsewhere survives).
TEST(ButtonLabel, AValueTheHostCannotOpenIsNoLut) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(8, "unseen"));
    FakeParams params(nullptr, 100.0, lut);
    ASSERT_EQ(kv::LutButtonLabel(&host.in(), params.list()), "unseen.cube");
    for (int missing = 0; missing < 3; ++missing) {
        SCOPED_TRACE(missing);
        PF_UtilCallbacks utils = *host.in().utils;
        if (missing == 0) utils.host_get_handle_size = nullptr;
        if (missing == 1) utils.host_lock_handle = nullptr;
        if (missing == 2) utils.host_unlock_handle = nullptr;
        PF_InData in = host.in();
        in.utils = &utils;
        EXPECT_EQ(kv::GetParamLut(&in, params.list()), nullptr);
        EXPECT_EQ(kv::LutButtonLabel(&in, params.list()), "Choose a LUT");
        EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    }
    const PF_UtilCallbacks& utils = *host.in().utils;
    ASSERT_NE(utils.host_lock_handle(lut), nullptr);
    host.SetFailLockHandle(true);
    EXPECT_EQ(kv::GetParamLut(&host.in(), params.list()), nullptr);
    host.SetFailLockHandle(false);
    EXPECT_EQ(kvsim::LockedHandleCount(), 1);
    utils.host_unlock_handle(lut);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    kvsim::DisposeHandle(lut);
}

TEST(ButtonLabel, UpdateHandsTheHostAStableText) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(5, "stable"));
    FakeParams params(nullptr, 100.0, lut);
    params.at(3).ui_flags = 0x40;  // whatever the host had set stays
    kv::UpdateLutButtonLabel(&host.in(), params.list(), "update");
    kv::UpdateLutButtonLabel(&host.in(), params.list(), "update");
    const std::vector<kvsim::UpdateParamUICall> calls = host.updateParamUICalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].index, 3);
    EXPECT_EQ(calls[0].name, "LUT ");
    EXPECT_EQ(calls[0].label, "stable.cube");
    EXPECT_EQ(calls[0].def.ui_flags, 0x40);
    EXPECT_EQ(calls[0].def.param_type, PF_Param_BUTTON);
    // The same text is one stored string: the host may keep the pointer.
    EXPECT_EQ(calls[0].def.u.button_d.u.namesptr, calls[1].def.u.button_d.u.namesptr);
    EXPECT_EQ(host.suitesHeld(), 0);
    kvsim::DisposeHandle(lut);
}

TEST(ButtonLabel, LogsOnlyWhenReasonTextOrResultChange) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(6, "logged"));
    FakeParams params(nullptr, 100.0, lut);
    LogTail log;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()), PF_Err_NONE);
    }
    kv::UpdateLutButtonLabel(&host.in(), params.list(), "picked");
    host.SetUpdateParamUIResult(-7);
    kv::UpdateLutButtonLabel(&host.in(), params.list(), "picked");
    kv::UpdateLutButtonLabel(&host.in(), params.list(), "picked");
    EXPECT_EQ(log.Take(), (std::vector<std::string>{
                              "LUT button: label \"logged.cube\" (update) -> err 0",
                              "LUT button: label \"logged.cube\" (picked) -> err 0",
                              "LUT button: label \"logged.cube\" (picked) -> err -7",
                          }));
    kvsim::DisposeHandle(lut);
}

TEST(ButtonLabel, WithoutTheSuiteEveryCallLogs) {
    for (int variant = 0; variant < 3; ++variant) {
        FakeHost host(kvsim::kApplAfterEffects, EffectMain);
        if (variant == 0) {
            host.SetBasicSuitePresent(false);
        } else if (variant == 1) {
            host.SetSuiteMissing("PF Param Utils Suite", true);
        } else {
            host.SetSuiteYieldsNull("PF Param Utils Suite", true);
        }
        FakeParams params(nullptr, 100.0, nullptr);
        LogTail log;
        EXPECT_EQ(host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()), PF_Err_NONE);
        EXPECT_EQ(host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()), PF_Err_NONE);
        kv::UpdateLutButtonLabel(&host.in(), params.list(), "picked");
        EXPECT_EQ(log.Take(), (std::vector<std::string>{"LUT button: no param utils suite (update)",
                                                        "LUT button: no param utils suite (update)",
                                                        "LUT button: no param utils suite (picked)"}));
        EXPECT_TRUE(host.updateParamUICalls().empty());
        EXPECT_EQ(host.suitesHeld(), 0);
    }
}

}  // namespace
