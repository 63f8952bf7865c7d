// Renders on several host threads at once, with more distinct LUTs than the
// cache keeps, while the UI thread updates the button and the host runs the
// LUT parameter's callbacks; and smart renders at every depth at once. Every frame must match its single-threaded
// render; run under ThreadSanitizer this also checks the locking.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EffectTestLuts.h"
#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;
using kvsim::FakeParams;
using kvsim::FakeWorld;

constexpr int kLutCount = 11;
constexpr int kRenderThreads = 4;
constexpr int kFramesPerThread = 24;

std::string LutTextNumber(int i) {
    if (i % 4 == 3) {
        return kvtest::PatternText(2 + i);
    }
    std::string name = std::to_string(i);
    name.insert(name.begin(), 't');
    return kvtest::InvertRedText(7000 + i, name);
}

TEST(EffectConcurrency, RendersUpdatesAndCallbacksAtOnce) {
    FakeHost host(kvsim::kApplPremiere, EffectMain);
    host.SetPixelFormat(PrPixelFormat_BGRA_4444_8u);
    FakeWorld input(kv::kBgra8u, 96, 70);
    input.FillTestPicture(5);

    std::vector<PF_Handle> luts;
    std::vector<std::vector<unsigned char>> expected;
    for (int i = 0; i < kLutCount; ++i) {
        luts.push_back(kvsim::MakeHandle16(LutTextNumber(i)));
        FakeWorld out(kv::kBgra8u, 96, 70);
        FakeParams params(&input, 80.0, luts.back());
        ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
        expected.push_back(out.bytes());
    }

    std::atomic<int> mismatches{0};
    std::atomic<int> failures{0};
    std::atomic<bool> rendering{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < kRenderThreads; ++t) {
        threads.emplace_back([&, t] {
            FakeWorld out(kv::kBgra8u, 96, 70);
            for (int frame = 0; frame < kFramesPerThread; ++frame) {
                const int i = (t * 5 + frame) % kLutCount;
                FakeParams params(&input, 80.0, luts[i]);
                if (host.Call(PF_Cmd_RENDER, params.list(), &out.def()) != PF_Err_NONE) {
                    ++failures;
                }
                if (out.bytes() != expected[i]) {
                    ++mismatches;
                }
            }
        });
    }
    std::thread ui([&] {
        int round = 0;
        while (rendering.load()) {
            FakeParams params(nullptr, 100.0, luts[round % kLutCount]);
            if (host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()) != PF_Err_NONE) {
                ++failures;
            }
            PF_ArbitraryH copy = nullptr;
            A_u_long size = 0;
            PF_ArbCompareResult same = -1;
            if (host.ArbCopy(luts[round % kLutCount], &copy) != PF_Err_NONE ||
                host.ArbPrintSize(copy, &size) != PF_Err_NONE ||
                host.ArbCompare(copy, luts[round % kLutCount], &same) != PF_Err_NONE || same != 0) {
                ++failures;
            }
            host.ArbDispose(copy);
            ++round;
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    rendering = false;
    ui.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    for (PF_Handle lut : luts) {
        kvsim::DisposeHandle(lut);
    }
}

// The compositing host's smart render, every depth at once: each render
// thread plays its own pre-render and render, as the host's threads do.
TEST(EffectConcurrency, SmartRendersAtEveryDepthAtOnce) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    const kv::PixelFormat* const formats[] = {&kv::kArgb8, &kv::kArgb16, &kv::kArgb32f};
    std::vector<std::unique_ptr<FakeWorld>> inputs;
    for (const kv::PixelFormat* format : formats) {
        inputs.push_back(std::make_unique<FakeWorld>(*format, 64, 48));
        inputs.back()->FillTestPicture(9);
    }
    std::vector<PF_Handle> luts;
    std::vector<std::vector<unsigned char>> expected;  // by LUT, then format
    for (int i = 0; i < kLutCount; ++i) {
        luts.push_back(kvsim::MakeHandle16(LutTextNumber(i)));
        for (size_t f = 0; f < 3; ++f) {
            FakeWorld out(*formats[f], 64, 48);
            kvsim::SmartRenderCall call(host, inputs[f].get(), &out, 70.0, luts.back());
            ASSERT_EQ(call.PreRender(), PF_Err_NONE);
            ASSERT_EQ(call.Render(), PF_Err_NONE);
            expected.push_back(out.bytes());
        }
    }

    std::atomic<int> mismatches{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kRenderThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int frame = 0; frame < kFramesPerThread; ++frame) {
                const int i = (t * 3 + frame) % kLutCount;
                const size_t f = static_cast<size_t>(t + frame) % 3;
                FakeWorld out(*formats[f], 64, 48);
                kvsim::SmartRenderCall call(host, inputs[f].get(), &out, 70.0, luts[i]);
                if (call.PreRender() != PF_Err_NONE || call.Render() != PF_Err_NONE || call.paramsStillOut() != 0) {
                    ++failures;
                }
                if (out.bytes() != expected[static_cast<size_t>(i) * 3 + f]) {
                    ++mismatches;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    for (PF_Handle lut : luts) {
        kvsim::DisposeHandle(lut);
    }
}

}  // namespace
