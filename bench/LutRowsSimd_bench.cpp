// Scalar against vectorised row operations on one 1920x1080 frame, through
// the band splitter told to use 1 or 2 threads (1: the calling thread does
// the whole frame). Arguments: row level (0 scalar, 1 avx2), cube size,
// threads. Levels the processor lacks are skipped. Beside them, plain copies
// of the same frame bytes on 1 and 2 threads: the floor a memory-bound row
// operation cannot beat.
//
// The processor time shown is the whole process's (every band's thread), so
// on a busy machine a row operation's cost per frame can still be read from
// it; the wall time of two-thread runs needs two idle cores. With
// repetitions, a "min" statistic beside the median gives the repetition that
// was disturbed least.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "BenchInputs.h"
#include "effect/BandSplitter.h"
#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/simd/RowLevel.h"
#include "lut_engine/simd/RowTables.h"

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
        : previous_(kv::ActiveRowLevel()), ok_(kv::SetRowLevel(static_cast<kv::RowLevel>(state.range(0)))) {
        if (!ok_) state.SkipWithError("row level not supported by this processor");
        state.SetLabel(kv::RowLevelName(static_cast<kv::RowLevel>(state.range(0))));
    }
    ~LevelScope() { kv::SetRowLevel(previous_); }
    bool ok() const { return ok_; }

private:
    kv::RowLevel previous_;
    bool ok_;
};

// The grade with its row tables, as the LUT cache hands it to a render.
kv::Lut3D preparedWarmGradeLut(int32_t n) {
    kv::Lut3D lut = warmGradeLut(n);
    kv::PrepareRowTables(lut);
    return lut;
}

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
    const kv::Lut3D lut = preparedWarmGradeLut(static_cast<int32_t>(state.range(1)));
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

// 16-bit frame in the compositing host's A, R, G, B order.
void BM_SimdLutRows16_ARGB16(benchmark::State& state) {
    LevelScope level(state);
    if (!level.ok()) return;
    const kv::Lut3D lut = preparedWarmGradeLut(static_cast<int32_t>(state.range(1)));
    std::vector<uint16_t> src = photoFrameARGB16();
    std::vector<uint16_t> dst(src.size());
    kv::LutRowsParams p;
    p.src = FrameOf(src.data(), 8, kv::kLayoutARGB);
    p.dst = FrameOf(dst.data(), 8, kv::kLayoutARGB);
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutARGB);
    p.scale = kv::kArgb16.codeScale;
    p.lut = &lut;
    p.amount = 1.0f;
    RunBands(state, p, kv::ActiveRowOps(kv::kArgb16).applyLut);
}

// Float frames: the editing host's B, G, R, A and the compositing host's
// A, R, G, B, the same pixels either way.
template <int32_t Order>
void BM_SimdLutRows32f(benchmark::State& state) {
    LevelScope level(state);
    if (!level.ok()) return;
    const kv::Lut3D lut = preparedWarmGradeLut(static_cast<int32_t>(state.range(1)));
    std::vector<float> src = Order == kv::kLayoutARGB ? photoFrameARGB32f() : photoFrameBGRA32f();
    std::vector<float> dst(src.size());
    kv::LutRowsParams p;
    p.src = FrameOf(src.data(), 16, Order);
    p.dst = FrameOf(dst.data(), 16, Order);
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(Order);
    p.lut = &lut;
    p.amount = 1.0f;
    RunBands(state, p, kv::ActiveRowOps(Order == kv::kLayoutARGB ? kv::kArgb32f : kv::kBgra32f).applyLut);
}

// Copies the frame's bytes (argument 0 bytes a pixel) from one buffer to
// another in the splitter's bands for argument 1 threads: each band as one
// memcpy of its rows (argument 2 = 0; the C library may then write around
// the cache) or row by row, as the render's copy path does (argument 2 = 1).
void BM_CopyFrame(benchmark::State& state) {
    const size_t rowBytes = static_cast<size_t>(kFrameWidth) * static_cast<size_t>(state.range(0));
    const unsigned threads = static_cast<unsigned>(state.range(1));
    const bool byRow = state.range(2) != 0;
    std::vector<unsigned char> src(rowBytes * kFrameHeight, 0x3C);
    std::vector<unsigned char> dst(src.size(), 0);
    const kv::BandBody body = [&](int32_t first, int32_t last) {
        if (!byRow) {
            std::memcpy(dst.data() + first * rowBytes, src.data() + first * rowBytes, (last - first) * rowBytes);
            return;
        }
        for (int32_t y = first; y < last; ++y) {
            std::memcpy(dst.data() + y * rowBytes, src.data() + y * rowBytes, rowBytes);
        }
    };
    const kv::ThreadStarter start = [](std::function<void()> task) { return std::thread(std::move(task)); };
    for (auto _ : state) {
        kv::Split(kFrameHeight, body, threads, start);
        benchmark::ClobberMemory();
    }
    CountPixels(state);
    // Read and written: twice the frame.
    state.SetBytesProcessed(state.iterations() * 2 * static_cast<int64_t>(src.size()));
    state.SetLabel(byRow ? "by row" : "by band");
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

// Milliseconds of wall time, processor time of all threads, and the fastest
// repetition.
void FrameTimes(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->ComputeStatistics(
        "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

}  // namespace

BENCHMARK(BM_SimdLutRows8<kv::kLayoutARGB>)->Apply(LevelsSizesThreads)->Apply(FrameTimes);
BENCHMARK(BM_SimdLutRows8<kv::kLayoutBGRA>)->Apply(LevelsSizesThreads)->Apply(FrameTimes);
BENCHMARK(BM_SimdLutRows16_ARGB16)->Apply(LevelsSizesThreads)->Apply(FrameTimes);
BENCHMARK(BM_SimdLutRows32f<kv::kLayoutBGRA>)->Apply(LevelsSizesThreads)->Apply(FrameTimes);
BENCHMARK(BM_SimdLutRows32f<kv::kLayoutARGB>)->Apply(LevelsSizesThreads)->Apply(FrameTimes);
BENCHMARK(BM_CopyFrame)->ArgsProduct({{4, 8, 16}, {1, 2}, {0, 1}})->Apply(FrameTimes);
BENCHMARK(BM_SimdProbeRows8_BGRA8)->Args({0, 17})->Args({1, 17})->Args({0, 64})->Args({1, 64})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitterEmptyBands1080)->Arg(2)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond)->UseRealTime();
