// Eight host render threads with the LUT changing every few frames, over more
// distinct LUTs than the cache keeps, while another thread updates the button
// and runs the parameter's callbacks (save, reload, print, scan). Every frame
// must equal its single-threaded render; under ThreadSanitizer this also
// checks the locking of the cache, the render log and the log file.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "EffectTestLuts.h"
#include "RenderFormats.h"
#include "effect/BandSplitter.h"

namespace kvtest {
namespace {

constexpr int kLuts = 13;
constexpr int kThreads = 8;
constexpr int kFrames = 60;
constexpr int kFramesPerLut = 3;
constexpr int32_t kWidth = 40, kHeight = 80;

std::string LutText(int i) {
    if (i % 5 == 4) return PatternText(2 + i);
    if (i % 7 == 6) return "KVLUT3 broken";
    return InvertRedText(9000 + i, "stress" + std::to_string(i));
}

// The callbacks a host runs on its UI thread while frames render; returns the
// number of wrong answers.
int RunCallbacks(kvsim::FakeHost& host, PF_Handle value, const std::string& text) {
    int wrong = 0;
    PF_ArbitraryH copy = nullptr, reloaded = nullptr, scanned = nullptr;
    A_u_long size = 0;
    wrong += host.ArbCopy(value, &copy) != PF_Err_NONE;
    wrong += host.ArbFlatSize(copy, &size) != PF_Err_NONE;
    std::vector<unsigned char> flat(size);
    wrong += host.ArbFlatten(copy, flat.data(), size) != PF_Err_NONE;
    wrong += host.ArbUnflatten(flat.data(), size, &reloaded) != PF_Err_NONE;
    PF_ArbCompareResult same = -1;
    wrong += host.ArbCompare(value, reloaded, &same) != PF_Err_NONE || same != PF_ArbCompare_EQUAL;
    wrong += host.ArbPrintSize(value, &size) != PF_Err_NONE || size != text.size() + 1;
    std::string printed(size, '\0');
    wrong += host.ArbPrint(value, printed.data(), size) != PF_Err_NONE || printed != text + '\0';
    const PF_Err scan = host.ArbScan(text.data(), static_cast<A_u_long>(text.size()), &scanned);
    wrong += scan != PF_Err_NONE && scan != PF_Err_CANNOT_PARSE_KEYFRAME_TEXT;
    for (PF_ArbitraryH h : {copy, reloaded, scanned}) host.ArbDispose(h);
    return wrong;
}

TEST(RenderStress, EightRenderThreadsMatchTheSingleThreadedFrames) {
    // Five bands per frame however small the machine: band threads of
    // several renders run at once too.
    const unsigned previousThreads = kv::SetHardwareThreads(8);
    kvsim::FakeHost host(kvsim::kApplPremiere, EffectMain);
    host.SetPixelFormat(PrPixelFormat_BGRA_4444_32f);
    kvsim::FakeWorld input(kv::kBgra32f, kWidth, kHeight);
    input.FillTestPicture(8);

    std::vector<std::string> texts;
    std::vector<PF_Handle> luts;
    std::vector<std::vector<unsigned char>> expected;
    for (int i = 0; i < kLuts; ++i) {
        texts.push_back(LutText(i));
        // Both storages; 8-bit values shorter than 10 bytes are not kept by
        // a copy, so those stay UTF-16.
        const bool eightBit = i % 2 == 1 && texts.back().size() >= 10;
        luts.push_back(eightBit ? kvsim::MakeHandle8(texts.back()) : kvsim::MakeHandle16(texts.back()));
        kvsim::FakeWorld out(kv::kBgra32f, kWidth, kHeight);
        kvsim::FakeParams params(&input, 60.0, luts.back());
        ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
        expected.push_back(out.bytes());
    }

    std::atomic<int> mismatches{0}, failures{0};
    std::atomic<int> rendering{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            kvsim::FakeWorld out(kv::kBgra32f, kWidth, kHeight);
            for (int frame = 0; frame < kFrames; ++frame) {
                const int i = (t * 3 + frame / kFramesPerLut) % kLuts;
                kvsim::FakeParams params(&input, 60.0, luts[i]);
                failures += host.Call(PF_Cmd_RENDER, params.list(), &out.def()) != PF_Err_NONE;
                mismatches += out.bytes() != expected[i];
            }
            --rendering;
        });
    }
    int rounds = 0;
    while (rendering.load() > 0 || rounds < kLuts) {
        const int i = rounds % kLuts;
        kvsim::FakeParams params(nullptr, 100.0, luts[i]);
        failures += host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()) != PF_Err_NONE;
        failures += RunCallbacks(host, luts[i], texts[i]);
        ++rounds;
    }
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    EXPECT_EQ(host.suitesHeld(), 0);
    for (PF_Handle lut : luts) kvsim::DisposeHandle(lut);
    kv::SetHardwareThreads(previousThreads);
}

}  // namespace
}  // namespace kvtest
