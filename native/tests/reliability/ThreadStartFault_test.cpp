// A band thread that cannot be started after k bands already run, through
// EffectMain: the host gets 512, every thread that did start has ended before
// the call returns, no handle or suite is left held, and the next render of
// the same frame is whole. The band count is forced to 16 so that a small
// machine reaches the later starts too; LeakSanitizer checks the rest.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "EffectTestLuts.h"
#include "RenderFormats.h"
#include "effect/BandSplitter.h"

namespace kvtest {
namespace {

std::atomic<int> gAllowedStarts{0};
std::atomic<int> gStarts{0};
std::atomic<int> gRunning{0};

std::thread StartUntilRefused(std::function<void()> task) {
    if (gStarts.load() >= gAllowedStarts.load()) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    ++gStarts;
    ++gRunning;
    return std::thread([task = std::move(task)] {
        task();
        --gRunning;
    });
}

class ThreadStartFault : public ::testing::Test {
protected:
    void SetUp() override { previousThreads_ = kv::SetHardwareThreads(16); }
    void TearDown() override {
        kv::SetThreadStarter(nullptr);
        kv::SetHardwareThreads(previousThreads_);
    }

    unsigned previousThreads_ = 0;
};

TEST_F(ThreadStartFault, RenderFailsWholeAndTheNextOneWorks) {
    // 512 rows: 16 bands of 32 rows, 15 of them on started threads.
    constexpr int32_t kWidth = 24, kHeight = 512;
    PF_Handle embedded = kvsim::MakeHandle16(InvertRedText(61, "threads"));
    PF_Handle pattern = kvsim::MakeHandle16(PatternText(4));
    for (const FormatCase& f : kFormats) {
        for (PF_Handle lut : {embedded, pattern}) {
            kvsim::FakeHost host(f.host, EffectMain);
            host.SetPixelFormat(f.hostFormat);
            kvsim::FakeWorld in(f.pixelFormat, kWidth, kHeight);
            in.FillTestPicture(17);
            kvsim::FakeWorld reference(f.pixelFormat, kWidth, kHeight);
            kvsim::FakeParams params(&in, 75.0, lut);
            ASSERT_EQ(RenderAs(f, host, params, reference.def()), PF_Err_NONE);

            for (int k : {0, 1, 5}) {
                SCOPED_TRACE(std::string(f.name) + (lut == embedded ? " lut" : " pattern") + " k=" +
                             std::to_string(k));
                gAllowedStarts = k;
                gStarts = 0;
                kv::SetThreadStarter(&StartUntilRefused);
                kvsim::FakeWorld out(f.pixelFormat, kWidth, kHeight);
                EXPECT_EQ(RenderAs(f, host, params, out.def()), PF_Err_INTERNAL_STRUCT_DAMAGED);
                EXPECT_EQ(gStarts.load(), k);
                EXPECT_EQ(gRunning.load(), 0);  // joined before EffectMain returned
                EXPECT_EQ(kvsim::LockedHandleCount(), 0);
                EXPECT_EQ(host.suitesHeld(), 0);

                kv::SetThreadStarter(nullptr);
                EXPECT_EQ(RenderAs(f, host, params, out.def()), PF_Err_NONE);
                EXPECT_EQ(out.bytes(), reference.bytes());
            }
        }
    }
    kvsim::DisposeHandle(embedded);
    kvsim::DisposeHandle(pattern);
}

// Frames of fewer than 32 rows stay on the calling thread, so a machine out
// of threads still renders them.
TEST_F(ThreadStartFault, SmallFramesNeedNoThread) {
    PF_Handle lut = kvsim::MakeHandle16(InvertRedText(62, "small"));
    gAllowedStarts = 0;
    gStarts = 0;
    kv::SetThreadStarter(&StartUntilRefused);
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    kvsim::FakeWorld in(kv::kArgb8, 300, 31);
    kvsim::FakeWorld out(kv::kArgb8, 300, 31);
    in.FillTestPicture(3);
    kvsim::FakeParams params(&in, 100.0, lut);
    EXPECT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    EXPECT_EQ(gStarts.load(), 0);
    EXPECT_TRUE(InvertsRed(in, out, 299, 30));
    kvsim::DisposeHandle(lut);
}

}  // namespace
}  // namespace kvtest
