// The buttons with nothing scripted: the system's own dialogs. Under Wine
// without a display they return at once (the file dialog as if cancelled,
// the message box with -1), so the whole flow runs through the real calls;
// on Linux the stand-in cancels when no answer is queued.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "host_sim/FakeHost.h"
#include "LogLines.h"
#include "PanelFiles.h"
#include "platform/DialogScript.h"

#ifdef _WIN32
#include <windows.h>
#endif

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

// Real dialogs return at once only under Wine with no display; anywhere else
// they would wait for a user.
bool DialogsReturnAtOnce() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    return wine && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0;
#else
    return true;
#endif
}

TEST(UnscriptedDialogs, CancelledPickAndUnshownBoxChangeNothing) {
    if (!DialogsReturnAtOnce()) GTEST_SKIP() << "real dialogs would wait for a user here";
    kv::platform::SetDialogsScripted(false);
    kv::platform::ClearDialogScript();
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(0, "kept"));
    kvsim::FakeParams params(nullptr, 100.0, lut);
    kvsim::LogTail log;

    PF_UserChangedParamExtra change{3};
    EXPECT_EQ(host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &change), PF_Err_NONE);
    PF_UserChangedParamExtra edit{4};
    EXPECT_EQ(host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &edit), PF_Err_NONE);

    const std::vector<std::string> lines = log.Take();
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_TRUE(kvtest::HasLinesInOrder(lines, {"USER_CHANGED_PARAM index 3", "LUT button: cancelled",
                                                "USER_CHANGED_PARAM index 4", "Edit LUT: no match ID"}));
    EXPECT_EQ(params.lut(), lut);
    EXPECT_EQ(host.out().out_flags, 0);
#ifdef _WIN32
    EXPECT_TRUE(kv::platform::TakeOpenFileDialogs().empty()) << "the system's dialog, not the stand-in";
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
#else
    EXPECT_EQ(kv::platform::TakeOpenFileDialogs().size(), 1u);
    EXPECT_EQ(kv::platform::TakeMessageBoxes().size(), 1u);
#endif
    kvsim::DisposeHandle(lut);
}

}  // namespace
