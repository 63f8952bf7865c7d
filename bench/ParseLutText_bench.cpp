// Reading LUT text on a render thread after a cache miss: a 65-point cube is
// about 2.2 MB of base64 after a short header.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "lut_engine/Lut3D.h"
#include "lut_engine/LutText.h"

namespace {

std::string cubeText(int n) {
    kv::Lut3D lut;
    lut.size = n;
    lut.data.resize(static_cast<size_t>(n) * n * n * 3);
    for (size_t i = 0; i < lut.data.size(); ++i) {
        lut.data[i] = 0.5f + 0.55f * std::sin(static_cast<float>(i) * 0.001f);
    }
    return kv::FormatLutText(lut, 12345, "bench match");
}

void BM_ParseLutText(benchmark::State& state) {
    const std::string text = cubeText(static_cast<int>(state.range(0)));
    kv::Lut3D lut;
    for (auto _ : state) {
        const bool ok = kv::ParseLutText(text, lut);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(lut.data.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_FormatLutText(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    kv::Lut3D lut;
    kv::ParseLutText(cubeText(n), lut);
    for (auto _ : state) {
        std::string text = kv::FormatLutText(lut, 1, "bench match");
        benchmark::DoNotOptimize(text.data());
    }
}

}  // namespace

BENCHMARK(BM_ParseLutText)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatLutText)->Arg(65)->Unit(benchmark::kMillisecond);
