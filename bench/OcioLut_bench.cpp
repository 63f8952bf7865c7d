// The same frame and grade through a general colour-management library's CPU
// processor (tetrahedral 3D LUT), as a yardstick for the row operations.

#include <benchmark/benchmark.h>

#include <OpenColorIO/OpenColorIO.h>

#include <cstdint>
#include <vector>

#include "BenchInputs.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

using namespace kvbench;

OCIO::ConstCPUProcessorRcPtr GradeProcessor(int32_t n, OCIO::BitDepth depth) {
    const kv::Lut3D lut = warmGradeLut(n);
    OCIO::Lut3DTransformRcPtr transform = OCIO::Lut3DTransform::Create(static_cast<unsigned long>(n));
    transform->setInterpolation(OCIO::INTERP_TETRAHEDRAL);
    for (int32_t b = 0; b < n; ++b) {
        for (int32_t g = 0; g < n; ++g) {
            for (int32_t r = 0; r < n; ++r) {
                const float* v = &lut.data[3 * (static_cast<size_t>(r) + n * (g + static_cast<size_t>(n) * b))];
                transform->setValue(r, g, b, v[0], v[1], v[2]);
            }
        }
    }
    OCIO::ConstConfigRcPtr config = OCIO::Config::CreateRaw();
    OCIO::ConstProcessorRcPtr processor = config->getProcessor(transform);
    return processor->getOptimizedCPUProcessor(depth, depth, OCIO::OPTIMIZATION_DEFAULT);
}

void BM_Ocio8_RGBA8(benchmark::State& state) {
    const OCIO::ConstCPUProcessorRcPtr cpu =
        GradeProcessor(static_cast<int32_t>(state.range(0)), OCIO::BIT_DEPTH_UINT8);
    std::vector<uint8_t> src = photoFrame8(3);
    std::vector<uint8_t> dst(src.size());
    const OCIO::PackedImageDesc in(src.data(), kFrameWidth, kFrameHeight, OCIO::CHANNEL_ORDERING_RGBA,
                                   OCIO::BIT_DEPTH_UINT8, 1, 4, kFrameWidth * 4);
    OCIO::PackedImageDesc out(dst.data(), kFrameWidth, kFrameHeight, OCIO::CHANNEL_ORDERING_RGBA,
                              OCIO::BIT_DEPTH_UINT8, 1, 4, kFrameWidth * 4);
    for (auto _ : state) {
        cpu->apply(in, out);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
}

// 16-bit codes on the library's own scale (0..65535); the cost per pixel is
// what compares.
void BM_Ocio16_RGBA16(benchmark::State& state) {
    const OCIO::ConstCPUProcessorRcPtr cpu =
        GradeProcessor(static_cast<int32_t>(state.range(0)), OCIO::BIT_DEPTH_UINT16);
    const std::vector<uint8_t> frame8 = photoFrame8(3);
    std::vector<uint16_t> src(frame8.size());
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(frame8[i] * 257);
    std::vector<uint16_t> dst(src.size());
    const OCIO::PackedImageDesc in(src.data(), kFrameWidth, kFrameHeight, OCIO::CHANNEL_ORDERING_RGBA,
                                   OCIO::BIT_DEPTH_UINT16, 2, 8, kFrameWidth * 8);
    OCIO::PackedImageDesc out(dst.data(), kFrameWidth, kFrameHeight, OCIO::CHANNEL_ORDERING_RGBA,
                              OCIO::BIT_DEPTH_UINT16, 2, 8, kFrameWidth * 8);
    for (auto _ : state) {
        cpu->apply(in, out);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
}

void BM_Ocio32f_RGBA32f(benchmark::State& state) {
    const OCIO::ConstCPUProcessorRcPtr cpu =
        GradeProcessor(static_cast<int32_t>(state.range(0)), OCIO::BIT_DEPTH_F32);
    std::vector<float> src = photoFrameRGBA32f();
    std::vector<float> dst(src.size());
    const OCIO::PackedImageDesc in(src.data(), kFrameWidth, kFrameHeight, 4);
    OCIO::PackedImageDesc out(dst.data(), kFrameWidth, kFrameHeight, 4);
    for (auto _ : state) {
        cpu->apply(in, out);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
}

}  // namespace

BENCHMARK(BM_Ocio8_RGBA8)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ocio16_RGBA16)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ocio32f_RGBA32f)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond);
