// A whole RENDER through EffectMain (pixel format query, handle lock, cache
// hit, render line, band job) against the band job alone on the same 1080p
// frame and LUT: what the host-facing path costs per frame in steady state.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "BenchInputs.h"
#include "host_sim/FakeHost.h"
#include "effect/BandJobs.h"
#include "host_link/LutCache.h"
#include "lut_engine/LutText.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using namespace kvbench;

struct RenderSetup {
    kvsim::FakeHost host;
    kvsim::FakeWorld in;
    kvsim::FakeWorld out;
    PF_Handle lut;
    std::unique_ptr<kvsim::FakeParams> params;
    std::shared_ptr<const kv::Lut3D> parsed;

    RenderSetup(bool isFloat, int32_t n)
        : host(isFloat ? kvsim::kApplPremiere : kvsim::kApplAfterEffects, EffectMain),
          in(isFloat ? kv::kBgra32f : kv::kArgb8, kFrameWidth, kFrameHeight),
          out(in.format(), kFrameWidth, kFrameHeight) {
        host.SetPixelFormat(PrPixelFormat_BGRA_4444_32f);
        if (isFloat) {
            const std::vector<float> frame = photoFrameBGRA32f();
            std::memcpy(in.bytes().data(), frame.data(), in.bytes().size());
        } else {
            const std::vector<uint8_t> frame = photoFrame8(0);
            std::memcpy(in.bytes().data(), frame.data(), in.bytes().size());
        }
        // Stored as the panel stores it: UTF-16 LUT text.
        const std::string text = kv::FormatLutText(warmGradeLut(n), 1, "bench");
        lut = kvsim::MakeHandle16(text);
        params = std::make_unique<kvsim::FakeParams>(&in, 100.0, lut);
        const std::vector<unsigned char> bytes = kvsim::HandleBytes(lut);
        parsed = kv::GetLutForParam(bytes.data(), bytes.size());
    }
    ~RenderSetup() { kvsim::DisposeHandle(lut); }

};

void CountPixels(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * kFramePixels); }

void RenderThroughEffectMain(benchmark::State& state, bool isFloat) {
    RenderSetup s(isFloat, static_cast<int32_t>(state.range(0)));
    if (s.host.Call(PF_Cmd_RENDER, s.params->list(), &s.out.def()) != PF_Err_NONE) {
        state.SkipWithError("render failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.host.Call(PF_Cmd_RENDER, s.params->list(), &s.out.def()));
        benchmark::ClobberMemory();
    }
    CountPixels(state);
}

void BandJobAlone(benchmark::State& state, bool isFloat) {
    RenderSetup s(isFloat, static_cast<int32_t>(state.range(0)));
    const kv::FrameView in = s.in.View();
    const kv::FrameView out = s.out.View();
    for (auto _ : state) {
        if (isFloat) {
            kv::RunLutJob(kv::kBgra32f, *s.parsed, in, out, 1.0f);
        } else {
            kv::RunLutJob(kv::kArgb8, *s.parsed, in, out, 1.0f);
        }
        benchmark::ClobberMemory();
    }
    CountPixels(state);
}

void BM_EffectRender_ARGB8(benchmark::State& state) { RenderThroughEffectMain(state, false); }
void BM_EffectRender_BGRA32f(benchmark::State& state) { RenderThroughEffectMain(state, true); }
void BM_EffectBandJob_ARGB8(benchmark::State& state) { BandJobAlone(state, false); }
void BM_EffectBandJob_BGRA32f(benchmark::State& state) { BandJobAlone(state, true); }

}  // namespace

BENCHMARK(BM_EffectRender_ARGB8)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EffectBandJob_ARGB8)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EffectRender_BGRA32f)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EffectBandJob_BGRA32f)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
