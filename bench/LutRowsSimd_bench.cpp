// Scalar against vectorised row operations on one 1920x1080 frame, through
// the band splitter told to use 1 or 2 threads (1: the calling thread does
// the whole frame). Arguments: row level (0 scalar, 1 avx2), cube size,
// threads. Levels the processor lacks are skipped.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "BenchInputs.h"
#include "effect/BandSplitter.h"
#include "lut_engine/ByteChannel.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/simd/RowLevel.h"

namespace {

using namespace kvbench;

kv::FrameView FrameOf(void* data, int32_t bytesPerPixel, int32_t order) {
    kv::FrameView v;
    v.data = static_cast<unsigned char*>(data);
    v.width = kFrameWidth;
    v.height = kFrameHeight;
    v.rowBytes = kFrameWidth * bytesPerPixel;
    v.channelOrder = order;
    return v;
}

// Sets the level for one benchmark and puts the previous one back after it.
class LevelScope {
public:
    explicit LevelScope(benchmark::State& state)
        : previous_(kv::activeRowLevel()), ok_(kv::setRowLevel(static_cast<kv::RowLevel>(state.range(0)))) {
        if (!ok_) state.SkipWithError("row level not supported by this processor");
        state.SetLabel(kv::rowLevelName(static_cast<kv::RowLevel>(state.range(0))));
    }
    ~LevelScope() { kv::setRowLevel(previous_); }
    bool ok() const { return ok_; }

private:
    kv::RowLevel previous_;
    bool ok_;
};

void CountPixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kFramePixels);
}

// Runs `rows` over the whole frame in the splitter's bands for the thread
// count of argument 2.
template <class Params, class Fn>
void RunBands(benchmark::State& state, const Params& p, Fn rows) {
    const unsigned threads = static_cast<unsigned>(state.range(2));
    const kv::BandBody body = [&p, rows](int32_t first, int32_t last) { rows(p, first, last); };
    const kv::ThreadStarter start = [](std::function<void()> task) { return std::thread(std::move(task)); };
    for (auto _ : state) {
        kv::Split(kFrameHeight, body, threads, start);
        benchmark::ClobberMemory();
    }
    CountPixels(state);
}

// 8-bit frames; order 1 is the compositing host's ARGB8, 0 the editing
// host's BGRA8u.
template <int32_t Order>
void BM_SimdLutRows8(benchmark::State& state) {
    LevelScope level(state);
    if (!level.ok()) return;
    const kv::Lut3D lut = warmGradeLut(static_cast<int32_t>(state.range(1)));
    std::vector<uint8_t> src = photoFrame8(Order == kv::kLayoutARGB ? 0 : 3);
    std::vector<uint8_t> dst(src.size());
    kv::LutRowsParams p;
    p.src = FrameOf(src.data(), 4, Order);
    p.dst = FrameOf(dst.data(), 4, Order);
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(Order);
    p.scale = kv::kByteScale;
    p.lut = &lut;
    p.amount = 1.0f;
    RunBands(state, p, kv::ActiveRowOps(kv::kArgb8).applyLut);
}

void BM_SimdLutRows32f_BGRA32f(benchmark::State& state) {
    LevelScope level(state);
    if (!level.ok()) return;
    const kv::Lut3D lut = warmGradeLut(static_cast<int32_t>(state.range(1)));
    std::vector<float> src = photoFrameBGRA32f();
    std::vector<float> dst(src.size());
    kv::LutRowsParams p;
    p.src = FrameOf(src.data(), 16, kv::kLayoutBGRA);
    p.dst = FrameOf(dst.data(), 16, kv::kLayoutBGRA);
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutBGRA);
    p.lut = &lut;
    p.amount = 1.0f;
    RunBands(state, p, kv::ActiveRowOps(kv::kBgra32f).applyLut);
}

// The pattern on one thread; the second argument is the pattern size.
void BM_SimdProbeRows8_BGRA8(benchmark::State& state) {
    LevelScope level(state);
    if (!level.ok()) return;
    const int32_t n = static_cast<int32_t>(state.range(1));
    kv::Lut3D request;
    request.probe = n;
    std::vector<uint8_t> dst(static_cast<size_t>(kFramePixels) * 4);
    kv::ProbeRowsParams p;
    p.dst = FrameOf(dst.data(), 4, kv::kLayoutBGRA);
    p.n = n;
    p.geometry = kv::ProbeGeometryFor(request, kFrameWidth, kFrameHeight);
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutBGRA);
    const kv::ProbeRowsFn rows = kv::ActiveRowOps(kv::kArgb8).drawProbe;
    for (auto _ : state) {
        rows(p, 0, kFrameHeight);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

// What the splitter itself costs per 1080-row frame: starting and joining
// the threads for the bands of argument 0 threads around bodies that do
// nothing.
void BM_SplitterEmptyBands1080(benchmark::State& state) {
    const kv::BandBody body = [](int32_t first, int32_t last) { benchmark::DoNotOptimize(first + last); };
    const kv::ThreadStarter start = [](std::function<void()> task) { return std::thread(std::move(task)); };
    for (auto _ : state) {
        kv::Split(kFrameHeight, body, static_cast<unsigned>(state.range(0)), start);
    }
}

void LevelsSizesThreads(benchmark::internal::Benchmark* b) {
    for (const int64_t level : {0, 1}) {
        for (const int64_t size : {33, 65}) {
            for (const int64_t threads : {1, 2}) b->Args({level, size, threads});
        }
    }
}

}  // namespace

BENCHMARK(BM_SimdLutRows8<kv::kLayoutARGB>)->Apply(LevelsSizesThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SimdLutRows8<kv::kLayoutBGRA>)->Apply(LevelsSizesThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SimdLutRows32f_BGRA32f)->Apply(LevelsSizesThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SimdProbeRows8_BGRA8)->Args({0, 17})->Args({1, 17})->Args({0, 64})->Args({1, 64})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitterEmptyBands1080)->Arg(2)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond)->UseRealTime();
