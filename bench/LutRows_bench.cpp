// The CPU row operations on one 1920x1080 frame: on one thread, and split
// into bands the way the render runs them.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "BenchInputs.h"
#include "effect/BandJobs.h"
#include "lut_engine/ByteChannel.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"

namespace {

using namespace kvbench;

kv::FrameView View(void* data, int32_t bytesPerPixel, int32_t order) {
    kv::FrameView v;
    v.data = static_cast<unsigned char*>(data);
    v.width = kFrameWidth;
    v.height = kFrameHeight;
    v.rowBytes = kFrameWidth * bytesPerPixel;
    v.channelOrder = order;
    return v;
}

void CountPixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kFramePixels);
}

void BM_LutRows8_ARGB8(benchmark::State& state) {
    const kv::Lut3D lut = warmGradeLut(static_cast<int32_t>(state.range(0)));
    std::vector<uint8_t> src = photoFrame8(0);
    std::vector<uint8_t> dst(src.size());
    kv::LutRowsParams p;
    p.src = View(src.data(), 4, kv::kLayoutARGB);
    p.dst = View(dst.data(), 4, kv::kLayoutARGB);
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutARGB);
    p.scale = kv::kByteScale;
    p.lut = &lut;
    p.amount = 1.0f;
    for (auto _ : state) {
        kv::ApplyLutRows8(p, 0, kFrameHeight);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

void BM_LutRows32f_BGRA32f(benchmark::State& state) {
    const kv::Lut3D lut = warmGradeLut(static_cast<int32_t>(state.range(0)));
    std::vector<float> src = photoFrameBGRA32f();
    std::vector<float> dst(src.size());
    kv::LutRowsParams p;
    p.src = View(src.data(), 16, kv::kLayoutBGRA);
    p.dst = View(dst.data(), 16, kv::kLayoutBGRA);
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutBGRA);
    p.lut = &lut;
    p.amount = 1.0f;
    for (auto _ : state) {
        kv::ApplyLutRows32f(p, 0, kFrameHeight);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

void BM_LutJob8_ARGB8(benchmark::State& state) {
    const kv::Lut3D lut = warmGradeLut(static_cast<int32_t>(state.range(0)));
    std::vector<uint8_t> src = photoFrame8(0);
    std::vector<uint8_t> dst(src.size());
    const kv::FrameView in = View(src.data(), 4, kv::kLayoutARGB);
    const kv::FrameView out = View(dst.data(), 4, kv::kLayoutARGB);
    for (auto _ : state) {
        kv::RunLutJob(kv::kArgb8, lut, in, out, 1.0f);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

void BM_LutJob32f_BGRA32f(benchmark::State& state) {
    const kv::Lut3D lut = warmGradeLut(static_cast<int32_t>(state.range(0)));
    std::vector<float> src = photoFrameBGRA32f();
    std::vector<float> dst(src.size());
    const kv::FrameView in = View(src.data(), 16, kv::kLayoutBGRA);
    const kv::FrameView out = View(dst.data(), 16, kv::kLayoutBGRA);
    for (auto _ : state) {
        kv::RunLutJob(kv::kBgra32f, lut, in, out, 1.0f);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

kv::ProbeRowsParams PatternParams(void* data, int32_t bytesPerPixel, int32_t n) {
    kv::Lut3D request;
    request.probe = n;
    kv::ProbeRowsParams p;
    p.dst = View(data, bytesPerPixel, kv::kLayoutBGRA);
    p.n = n;
    p.geometry = kv::ProbeGeometryFor(request, kFrameWidth, kFrameHeight);
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutBGRA);
    return p;
}

void BM_ProbeRows8_BGRA8(benchmark::State& state) {
    std::vector<uint8_t> dst(static_cast<size_t>(kFramePixels) * 4);
    const kv::ProbeRowsParams p = PatternParams(dst.data(), 4, static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        kv::DrawProbeRows8(p, 0, kFrameHeight);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

void BM_ProbeRows32f_BGRA32f(benchmark::State& state) {
    std::vector<float> dst(static_cast<size_t>(kFramePixels) * 4);
    const kv::ProbeRowsParams p = PatternParams(dst.data(), 16, static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        kv::DrawProbeRows32f(p, 0, kFrameHeight);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

void BM_PatternJob8_BGRA8(benchmark::State& state) {
    std::vector<uint8_t> dst(static_cast<size_t>(kFramePixels) * 4);
    const kv::ProbeRowsParams p = PatternParams(dst.data(), 4, static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        kv::RunPatternJob(kv::kArgb8, p.n, p.geometry, p.dst);
        benchmark::DoNotOptimize(dst.data());
    }
    CountPixels(state);
}

}  // namespace

BENCHMARK(BM_LutRows8_ARGB8)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LutRows32f_BGRA32f)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LutJob8_ARGB8)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LutJob32f_BGRA32f)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProbeRows8_BGRA8)->Arg(17)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProbeRows32f_BGRA32f)->Arg(17)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternJob8_BGRA8)->Arg(17)->Unit(benchmark::kMillisecond)->UseRealTime();
