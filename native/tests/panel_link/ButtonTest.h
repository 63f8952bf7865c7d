#pragma once
// A fixture that presses the effect's buttons through EffectMain on the fake
// host, with the dialogs scripted (on Windows too) and the log followed.

#include <gtest/gtest.h>

#include <string>

#include "host_sim/FakeHost.h"
#include "PanelFiles.h"
#include "ScratchFolder.h"
#include "platform/DialogScript.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace kvtest {

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        kv::platform::SetDialogsScripted(true);
        kv::platform::ClearDialogScript();
        log_.Take();
    }
    void TearDown() override {
        kv::platform::ClearDialogScript();
        kv::platform::SetDialogsScripted(false);
    }

    PF_Err Press(kvsim::FakeParams& params, PF_ParamIndex index) {
        PF_UserChangedParamExtra extra{index};
        host_.ResetOutData();
        host_.ClearRecords();
        return host_.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &extra);
    }

    // A file in this test's scratch folder.
    std::wstring WriteScratchFile(const std::wstring& leaf, const std::string& bytes) {
        const std::wstring path = JoinPath(scratch_.wide(), leaf);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }

    kvsim::FakeHost host_{kvsim::kApplAfterEffects, EffectMain};
    kvsim::LogTail log_;
    ScratchFolder scratch_;
};

}  // namespace kvtest
