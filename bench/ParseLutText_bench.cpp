// Reading LUT text on a render thread after a cache miss: a 65-point cube is
// about 2.2 MB of base64 after a short header. The second argument widens the
// values past a span of 1, which stores them as float bits (twice the text)
// instead of 16-bit codes.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "lut_engine/Lut3D.h"
#include "lut_engine/LutText.h"

namespace {

std::string cubeText(int n, bool wide) {
    const float amplitude = wide ? 0.55f : 0.45f;
    kv::Lut3D lut;
    lut.size = n;
    lut.data.resize(static_cast<size_t>(n) * n * n * 3);
    for (size_t i = 0; i < lut.data.size(); ++i) {
        lut.data[i] = 0.5f + amplitude * std::sin(static_cast<float>(i) * 0.001f);
    }
    return kv::FormatLutText(lut, 12345, "bench match");
}

void BM_ParseLutText(benchmark::State& state) {
    const std::string text = cubeText(static_cast<int>(state.range(0)), state.range(1) != 0);
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
    kv::ParseLutText(cubeText(n, false), lut);
    for (auto _ : state) {
        std::string text = kv::FormatLutText(lut, 1, "bench match");
        benchmark::DoNotOptimize(text.data());
    }
}

}  // namespace

BENCHMARK(BM_ParseLutText)->ArgsProduct({{33, 65}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatLutText)->Arg(65)->Unit(benchmark::kMillisecond);
