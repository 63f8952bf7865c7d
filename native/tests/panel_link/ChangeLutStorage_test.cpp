// How "Change LUT" stores the picked text in the LUT parameter: in a handle
// of its own, whole, or not at all, whichever of the host's handle callbacks
// fail on the way.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ButtonTest.h"
#include "EffectTestLuts.h"
#include "host_link/LutParamBytes.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"
#include "platform/DialogScript.h"

namespace {

using kvsim::FakeParams;
using kvsim::HandleCall;

const char kCube[] = "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

class ChangeLutStorageTest : public kvtest::ButtonTest {
protected:
    void SetUp() override {
        ButtonTest::SetUp();
        path_ = WriteScratchFile(L"fine.cube", kCube);
        kv::Lut3D lut;
        ASSERT_TRUE(kv::ReadCubeFile(kCube, lut));
        const std::string stored = kv::WidenLutText(kv::FormatLutText(lut, 0, "fine"));
        newBytes_.assign(stored.begin(), stored.end());
    }
    void TearDown() override {
        kvsim::ResetHandleCallFailures();
        ButtonTest::TearDown();
    }

    std::wstring path_;
    std::vector<unsigned char> newBytes_;
};

// Every pair of refused calls (a call refused twice is a single refusal),
// over no old value, a shorter and a longer one: the press either answers 0
// with the new text whole in the parameter, or 4 with the old handle holding
// its bytes as they were. Refusing only calls that storing a new value does
// not need (resize, size, unlock, dispose) never costs the pick.
TEST_F(ChangeLutStorageTest, EveryPairOfRefusedHandleCallsKeepsTheOldValueOrStoresTheNewOneWhole) {
    struct Refusal {
        HandleCall kind;
        int number;
    };
    std::vector<Refusal> refusals;
    for (HandleCall kind : {HandleCall::New, HandleCall::Lock, HandleCall::Unlock, HandleCall::Dispose,
                            HandleCall::Size, HandleCall::Resize}) {
        for (int number = 0; number < 3; ++number) refusals.push_back({kind, number});
    }
    const std::string oldTexts[] = {"", "KVLUT0", kvtest::InvertRedText(8, "a much longer name than the new one")};
    ASSERT_LT(oldTexts[1].size() * 2, newBytes_.size());
    ASSERT_GT(oldTexts[2].size() * 2, newBytes_.size());
    const char* kKinds[] = {"new", "lock", "unlock", "dispose", "size", "resize"};
    for (const std::string& oldText : oldTexts) {
        for (size_t i = 0; i < refusals.size(); ++i) {
            for (size_t j = i; j < refusals.size(); ++j) {
                const Refusal pair[] = {refusals[i], refusals[j]};
                SCOPED_TRACE("old value of " + std::to_string(oldText.size()) + " characters; refused: " +
                             kKinds[static_cast<int>(pair[0].kind)] + " " + std::to_string(pair[0].number) + ", " +
                             kKinds[static_cast<int>(pair[1].kind)] + " " + std::to_string(pair[1].number));
                bool storeRefused = false;   // a call that storing needs
                bool cleanupRefused = false; // an unlock or dispose, which leave something behind
                for (const Refusal& r : pair) {
                    storeRefused |= r.kind == HandleCall::New || r.kind == HandleCall::Lock;
                    cleanupRefused |= r.kind == HandleCall::Unlock || r.kind == HandleCall::Dispose;
                }
                PF_Handle old = oldText.empty() ? nullptr : kvsim::MakeHandle16(oldText);
                FakeParams params(nullptr, 100.0, old);
                const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
                const long handles = kvsim::LiveHandleCount();

                kvsim::ResetHandleCallFailures();
                for (const Refusal& r : pair) kvsim::FailHandleCall(r.kind, r.number);
                kv::platform::QueueOpenFileAnswer(path_);
                const PF_Err err = Press(params, 3);
                kvsim::ResetHandleCallFailures();

                if (err == PF_Err_NONE) {
                    EXPECT_EQ(kvsim::HandleBytes(params.lut()), newBytes_);
                    EXPECT_EQ(params.at(2).uu.change_flags, PF_ChangeFlag_CHANGED_VALUE);
                    EXPECT_EQ(host_.out().out_flags, 0x420000);
                } else {
                    EXPECT_EQ(err, PF_Err_OUT_OF_MEMORY);
                    EXPECT_TRUE(storeRefused) << "refused only what storing does not need";
                    EXPECT_EQ(params.lut(), old);
                    EXPECT_EQ(kvsim::HandleBytes(params.lut()), oldBytes);
                    EXPECT_EQ(params.at(2).uu.change_flags & PF_ChangeFlag_CHANGED_VALUE, 0);
                    EXPECT_EQ(host_.out().out_flags, 0);
                    EXPECT_TRUE(host_.updateParamUICalls().empty());
                    EXPECT_EQ(log_.Take().size(), 2u) << "nothing past the dialog line";
                }
                if (!cleanupRefused) {
                    // A new value in place of none adds a handle; one in place
                    // of an old value leaves the count, the host disposing the old.
                    const bool added = err == PF_Err_NONE && old == nullptr;
                    EXPECT_EQ(kvsim::LiveHandleCount(), handles + (added ? 1 : 0));
                    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
                }
                EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
                log_.Take();
                kvsim::DisposeHandle(params.lut());
                kvsim::FreeRefusedDisposals();
            }
        }
    }
}

// The old value is never written: the new text goes into a handle of its own,
// and the old handle is left, bytes unchanged, for the host to dispose.
TEST_F(ChangeLutStorageTest, TheNewValueGetsAHandleOfItsOwn) {
    PF_Handle old = kvsim::MakeHandle16(kvtest::PatternText(9));
    const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
    FakeParams params(nullptr, 100.0, old);
    const long handles = kvsim::LiveHandleCount();
    kv::platform::QueueOpenFileAnswer(path_);
    PF_UserChangedParamExtra extra{3};
    host_.ResetOutData();
    // Straight into the effect, so that nothing plays the host's part afterwards.
    EXPECT_EQ(EffectMain(PF_Cmd_USER_CHANGED_PARAM, &host_.in(), &host_.out(), params.list(), nullptr, &extra),
              PF_Err_NONE);
    ASSERT_NE(params.lut(), old);
    EXPECT_EQ(kvsim::HandleBytes(params.lut()), newBytes_);
    EXPECT_EQ(kvsim::HandleBytes(old), oldBytes);
    EXPECT_EQ(kvsim::LiveHandleCount(), handles + 1);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    kvsim::DisposeHandle(params.lut());
    kvsim::DisposeHandle(old);
}

}  // namespace
