// What the system around the effect can refuse, through EffectMain: the log
// file and its folder, the host's suites and utility callbacks, and memory.
// In every case the effect answers the host with the stated code and keeps
// working; nothing it was handed is damaged.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "FailingAllocation.h"
#include "host_link/LutCache.h"
#include "RenderFormats.h"
#include "../panel_link/PanelFiles.h"
#include "../platform/ScratchFolder.h"
#include "panel_link/Log.h"
#include "platform/DialogScript.h"
#include "platform/FaultInjection.h"

namespace kvtest {
namespace {

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Only the log is refused: the effect's other files still open.
std::FILE* RefuseLogFile(const std::wstring& path, const char* mode) {
    return EndsWith(path, L"effect.log") ? nullptr : kv::platform::SystemOpenSharedFile(path, mode);
}
bool RefuseFolder(const std::wstring&) { return false; }

// Drives the commands a session sends: setup, a LUT render, a UI update and
// the parameter's callbacks; returns how many answers were not the expected.
int RunSession(kvsim::FakeHost& host, PF_Handle lut) {
    int wrong = 0;
    host.ResetOutData();
    wrong += host.Call(PF_Cmd_GLOBAL_SETUP) != PF_Err_NONE;
    wrong += host.Call(PF_Cmd_PARAMS_SETUP) != PF_Err_NONE;
    for (const PF_ParamDef& def : host.addedParams()) {
        if (def.param_type == PF_Param_ARBITRARY_DATA) kvsim::DisposeHandle(def.u.arb_d.dephault);
    }
    host.ClearRecords();

    // The editing host's default answer for the pixel format is 8-bit BGRA.
    const kv::PixelFormat& layout = host.in().appl_id == kvsim::kApplPremiere ? kv::kBgra8u : kv::kArgb8;
    kvsim::FakeWorld in(layout, 40, 40);
    kvsim::FakeWorld out(layout, 40, 40);
    in.FillTestPicture(11);
    kvsim::FakeParams params(&in, 100.0, lut);
    wrong += host.Call(PF_Cmd_RENDER, params.list(), &out.def()) != PF_Err_NONE;
    wrong += !InvertsRed(in, out, 39, 39);
    wrong += host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()) != PF_Err_NONE;

    PF_ArbitraryH copy = nullptr;
    wrong += host.ArbCopy(lut, &copy) != PF_Err_NONE;
    wrong += kvsim::HandleBytes(copy) != kvsim::HandleBytes(lut);
    PF_ArbitraryH scanned = nullptr;
    wrong += host.ArbScan("KVLUT2 x", 8, &scanned) != PF_Err_CANNOT_PARSE_KEYFRAME_TEXT;
    wrong += scanned != nullptr;
    host.ArbDispose(copy);
    return wrong;
}

class LogUnavailable : public ::testing::Test {
protected:
    void TearDown() override {
        kv::platform::SetOpenFileOverride(nullptr);
        kv::platform::SetCreateFolderOverride(nullptr);
    }
};

TEST_F(LogUnavailable, LinesAreDroppedAndTheEffectGoesOn) {
    PF_Handle lut = kvsim::MakeHandle16(InvertRedText(71, "nolog"));

    kvsim::LogTail log;  // reads the file through the same seam, so before the outage
    kv::platform::SetOpenFileOverride(&RefuseLogFile);
    kv::platform::SetCreateFolderOverride(&RefuseFolder);
    const uint64_t droppedBefore = kv::LogDroppedLineCount();
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    EXPECT_EQ(RunSession(host, lut), 0);
    EXPECT_GT(kv::LogDroppedLineCount(), droppedBefore);

    // No known folder either: the paths start at the root, and still fail.
    const kv::platform::KnownFolderFn previous =
        kv::platform::SetKnownFolderOverride([](kv::platform::KnownFolder) { return std::wstring(); });
    const uint64_t droppedWithoutFolder = kv::LogDroppedLineCount();
    EXPECT_EQ(RunSession(host, lut), 0);
    EXPECT_GT(kv::LogDroppedLineCount(), droppedWithoutFolder);
    kv::platform::SetKnownFolderOverride(previous);

    // With the file back, nothing from the outage is in it and the next line
    // is written as usual.
    kv::platform::SetOpenFileOverride(nullptr);
    kv::platform::SetCreateFolderOverride(nullptr);
    EXPECT_TRUE(log.Take().empty());
    kv::LogPrintf("after the outage");
    EXPECT_EQ(log.Take(), std::vector<std::string>{"after the outage"});
    kvsim::DisposeHandle(lut);
}

// The buttons work without a log or a data folder: Change LUT stores the
// picked cube, Edit LUT answers 0 (its request file has nowhere to go).
TEST_F(LogUnavailable, ButtonsStillWork) {
    kv::platform::SetDialogsScripted(true);
    kv::platform::ClearDialogScript();
    ScratchFolder scratch;
    const std::wstring cube = JoinPath(scratch.wide(), L"picked.cube");
    ASSERT_TRUE(WriteFileBytes(cube, "# Kromvale match 7\nLUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n"
                                     "0 0 1\n1 0 1\n0 1 1\n1 1 1\n"));
    kv::platform::SetOpenFileOverride(&RefuseLogFile);
    kv::platform::SetCreateFolderOverride(&RefuseFolder);

    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    kvsim::FakeParams params(nullptr, 100.0, nullptr);
    kv::platform::QueueOpenFileAnswer(cube);
    PF_UserChangedParamExtra changeLut{3};
    EXPECT_EQ(host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &changeLut), PF_Err_NONE);
    const std::vector<unsigned char> stored = kvsim::HandleBytes(params.lut());
    const auto lut = kv::GetLutForParam(stored.data(), stored.size());
    ASSERT_NE(lut, nullptr);
    EXPECT_EQ(lut->id, 7);
    EXPECT_EQ(lut->name, "picked");

    PF_UserChangedParamExtra editLut{4};
    EXPECT_EQ(host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &editLut), PF_Err_NONE);
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
    kvsim::DisposeHandle(params.lut());
    kv::platform::ClearDialogScript();
    kv::platform::SetDialogsScripted(false);
}

// A host without the basic suite, or with no utility callbacks at all: every
// command still answers 0 (or 518 for bad scan text), renders copy or apply
// what they can read, and no suite stays held.
TEST(HostWithoutServices, CommandsStillAnswer) {
    PF_Handle lut = kvsim::MakeHandle16(InvertRedText(72, "nosuites"));
    for (A_long appl : {kvsim::kApplAfterEffects, kvsim::kApplPremiere}) {
        kvsim::FakeHost host(appl, EffectMain);
        host.SetBasicSuitePresent(false);
        EXPECT_EQ(RunSession(host, lut), 0) << appl;
        EXPECT_EQ(host.suitesHeld(), 0);
    }

    kvsim::FakeHost host(kvsim::kApplPremiere, EffectMain);
    host.in().utils = nullptr;
    kvsim::FakeWorld in(kv::kBgra8u, 20, 20);
    kvsim::FakeWorld out(kv::kBgra8u, 20, 20);
    in.FillTestPicture(2);
    kvsim::FakeParams params(&in, 100.0, lut);
    EXPECT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    EXPECT_EQ(out.bytes(), in.bytes());  // the LUT cannot be read without the callbacks
    EXPECT_EQ(host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()), PF_Err_NONE);
    PF_ArbitraryH made = lut;
    EXPECT_EQ(host.ArbNew(&made), PF_Err_NONE);
    EXPECT_EQ(made, nullptr);
    A_u_long size = 99;
    EXPECT_EQ(host.ArbFlatSize(lut, &size), PF_Err_NONE);
    EXPECT_EQ(host.ArbPrintSize(lut, &size), PF_Err_NONE);
    EXPECT_EQ(host.suitesHeld(), 0);
    kvsim::DisposeHandle(lut);
}

// Memory running out while LUT text is parsed: SCAN answers 512 and leaves
// the host's value as it was; a render of text not seen before answers 512
// without touching the output, and renders again once memory is back.
TEST(MemoryExhausted, ValuesKeepTheirOldContent) {
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_Handle old = kvsim::MakeHandle16(InvertRedText(73, "old"));
    const std::string fresh = InvertRedText(74, "fresh");
    PF_ArbitraryH value = old;
    PF_Handle freshHandle = kvsim::MakeHandle16(InvertRedText(75, "unseen"));
    kvsim::FakeWorld in(kv::kArgb8, 16, 16);
    kvsim::FakeWorld out(kv::kArgb8, 16, 16);
    in.FillTestPicture(4);
    out.FillBytes(kUntouched);
    kvsim::FakeParams params(&in, 100.0, freshHandle);
    const long liveHandles = kvsim::LiveHandleCount();
    PF_Err scan, render;
    {
        AllocationFailure failing;
        scan = host.ArbScan(fresh.data(), static_cast<A_u_long>(fresh.size()), &value);
        render = host.Call(PF_Cmd_RENDER, params.list(), &out.def());
    }
    EXPECT_EQ(scan, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(value, old);
    EXPECT_EQ(render, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(PixelUntouched(out, 0, 0) && PixelUntouched(out, 15, 15));
    EXPECT_EQ(kvsim::LiveHandleCount(), liveHandles);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);

    EXPECT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    EXPECT_TRUE(InvertsRed(in, out, 15, 15));
    kvsim::DisposeHandle(old);
    kvsim::DisposeHandle(freshHandle);
}

// The host giving no new handle: the value-making callbacks answer 0 with a
// null handle, the reading ones are unaffected.
TEST(NoNewHandle, CallbacksAnswerWithANullHandle) {
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_Handle lut = kvsim::MakeHandle16(InvertRedText(76, "nonew"));
    const std::string text = InvertRedText(77, "scan");
    host.SetFailNewHandle(true);
    PF_ArbitraryH made[4] = {lut, lut, lut, lut};
    EXPECT_EQ(host.ArbNew(&made[0]), PF_Err_NONE);
    EXPECT_EQ(host.ArbCopy(lut, &made[1]), PF_Err_NONE);
    EXPECT_EQ(host.ArbUnflatten("junk", 4, &made[2]), PF_Err_NONE);
    EXPECT_EQ(host.ArbScan(text.data(), static_cast<A_u_long>(text.size()), &made[3]), PF_Err_NONE);
    for (PF_ArbitraryH h : made) EXPECT_EQ(h, nullptr);
    A_u_long size = 0;
    EXPECT_EQ(host.ArbPrintSize(lut, &size), PF_Err_NONE);
    EXPECT_EQ(size, InvertRedText(76, "nonew").size() + 1);
    host.SetFailNewHandle(false);
    kvsim::DisposeHandle(lut);
}

}  // namespace
}  // namespace kvtest
