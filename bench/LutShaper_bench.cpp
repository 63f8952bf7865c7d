// What a 1D stage costs: a 4096-entry curve per channel before the 33^3
// grade, against the same grade alone, in every pixel format, on one
// 1920x1080 frame on the calling thread; beside them, a general
// colour-management library's CPU processor applying the same 1D + 3D LUT
// (linear 1D, tetrahedral 3D) to frames of the same depth.
//
// Arguments: format (index into AllPixelFormats: ARGB8, BGRA8u, BGRA32f,
// ARGB16, ARGB32f), LUT (0: 3D only, 1: 1D + 3D), row level (0 scalar,
// 1 avx2), row tables (0: the rows read the LUT's own tables, 1: the LUT
// carries its row tables, as the LUT cache gives it to a render). Compare the two LUT kinds within one run, with repetitions and
// random interleaving (--benchmark_enable_random_interleaving=true) so that
// the machine's load falls on both alike.

#include <benchmark/benchmark.h>

#include <OpenColorIO/OpenColorIO.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "BenchInputs.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/simd/RowLevel.h"
#include "lut_engine/simd/RowTables.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

using namespace kvbench;

constexpr int32_t kShaperSize = 4096;
constexpr int32_t kCubeSize = 33;

// A log-like curve per channel (a little different on each), the kind of
// shaper that spreads a cube's nodes over the darks.
float shaperValue(int32_t i, int channel) {
    const float t = static_cast<float>(i) / static_cast<float>(kShaperSize - 1);
    const float k = 6.0f + 2.0f * static_cast<float>(channel);
    return std::log1p(k * t) / std::log1p(k);
}

kv::Lut3D benchLut(bool withShaper) {
    kv::Lut3D lut = warmGradeLut(kCubeSize);
    if (withShaper) {
        lut.shaperSize = kShaperSize;
        lut.shaper.resize(static_cast<size_t>(kShaperSize) * 3);
        for (int32_t i = 0; i < kShaperSize; ++i) {
            for (int c = 0; c < 3; ++c) lut.shaper[3 * static_cast<size_t>(i) + c] = shaperValue(i, c);
        }
    }
    return lut;
}

// The photo frame in `format`'s depth and channel order.
std::vector<unsigned char> frameIn(const kv::PixelFormat& format) {
    std::vector<unsigned char> bytes(static_cast<size_t>(kFramePixels) * format.pixelBytes);
    const kv::ChannelTable t = kv::ChannelTableFor(format.channelOrder);
    const int32_t at[4] = {t.r, t.g, t.b, t.a};
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            float rgba[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            photoPixel(x, y, rgba);
            unsigned char* px = &bytes[(static_cast<size_t>(y) * kFrameWidth + x) * format.pixelBytes];
            for (int c = 0; c < 4; ++c) {
                switch (format.depth) {
                    case kv::ChannelDepth::k8u:
                        px[at[c]] = kv::ByteFromUnit(rgba[c]);
                        break;
                    case kv::ChannelDepth::k16u:
                        kv::StoreChannel(px, at[c], kv::Code16FromUnit(rgba[c]));
                        break;
                    case kv::ChannelDepth::k32f:
                        kv::StoreChannel(px, at[c], rgba[c]);
                        break;
                }
            }
        }
    }
    return bytes;
}

void BM_LutShaperRows(benchmark::State& state) {
    const kv::PixelFormat& format = *kv::AllPixelFormats()[static_cast<size_t>(state.range(0))];
    const kv::RowLevel level = static_cast<kv::RowLevel>(state.range(2));
    if (level > kv::DetectedRowLevel()) {
        state.SkipWithError("row level not supported by this processor");
        return;
    }
    kv::Lut3D lut = benchLut(state.range(1) != 0);
    if (state.range(3) != 0) kv::PrepareRowTables(lut);
    std::vector<unsigned char> src = frameIn(format);
    std::vector<unsigned char> dst(src.size());
    kv::LutRowsParams p;
    p.src = kv::FrameView{src.data(), kFrameWidth, kFrameHeight, kFrameWidth * format.pixelBytes, format.channelOrder};
    p.dst = kv::FrameView{dst.data(), kFrameWidth, kFrameHeight, kFrameWidth * format.pixelBytes, format.channelOrder};
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(format.channelOrder);
    p.scale = format.codeScale;
    p.lut = &lut;
    p.amount = 1.0f;
    const kv::LutRowsFn rows = kv::RowOpsAt(format, level).applyLut;
    for (auto _ : state) {
        rows(p, 0, kFrameHeight);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
    state.SetLabel(std::string(format.name) + (state.range(1) != 0 ? " 1D+3D " : " 3D ") +
                   kv::RowLevelName(level) + (state.range(3) != 0 ? " row tables" : ""));
}

// The same LUT as a 1D transform then a 3D transform; the library's 1D
// domain is 0..1, as the curve's range here.
OCIO::ConstCPUProcessorRcPtr shaperProcessor(OCIO::BitDepth depth) {
    const kv::Lut3D lut = benchLut(true);
    OCIO::Lut1DTransformRcPtr curve = OCIO::Lut1DTransform::Create(kShaperSize, false);
    curve->setInterpolation(OCIO::INTERP_LINEAR);
    for (int32_t i = 0; i < kShaperSize; ++i) {
        const float* e = &lut.shaper[3 * static_cast<size_t>(i)];
        curve->setValue(static_cast<unsigned long>(i), e[0], e[1], e[2]);
    }
    OCIO::Lut3DTransformRcPtr cube = OCIO::Lut3DTransform::Create(kCubeSize);
    cube->setInterpolation(OCIO::INTERP_TETRAHEDRAL);
    for (int32_t b = 0; b < kCubeSize; ++b) {
        for (int32_t g = 0; g < kCubeSize; ++g) {
            for (int32_t r = 0; r < kCubeSize; ++r) {
                const float* v =
                    &lut.data[3 * (static_cast<size_t>(r) + kCubeSize * (g + static_cast<size_t>(kCubeSize) * b))];
                cube->setValue(r, g, b, v[0], v[1], v[2]);
            }
        }
    }
    OCIO::GroupTransformRcPtr group = OCIO::GroupTransform::Create();
    group->appendTransform(curve);
    group->appendTransform(cube);
    OCIO::ConstConfigRcPtr config = OCIO::Config::CreateRaw();
    return config->getProcessor(group)->getOptimizedCPUProcessor(depth, depth, OCIO::OPTIMIZATION_DEFAULT);
}

// Argument: format index as above. The library has no A, R, G, B order; its
// R, G, B, A (or B, G, R, A for BGRA frames) at the same depth stands in.
void BM_OcioShaperCube(benchmark::State& state) {
    const kv::PixelFormat& format = *kv::AllPixelFormats()[static_cast<size_t>(state.range(0))];
    OCIO::BitDepth depth = OCIO::BIT_DEPTH_F32;
    int32_t channelBytes = 4;
    if (format.depth == kv::ChannelDepth::k8u) {
        depth = OCIO::BIT_DEPTH_UINT8;
        channelBytes = 1;
    } else if (format.depth == kv::ChannelDepth::k16u) {
        depth = OCIO::BIT_DEPTH_UINT16;
        channelBytes = 2;
    }
    const OCIO::ChannelOrdering order =
        format.channelOrder == kv::kLayoutBGRA ? OCIO::CHANNEL_ORDERING_BGRA : OCIO::CHANNEL_ORDERING_RGBA;
    const OCIO::ConstCPUProcessorRcPtr cpu = shaperProcessor(depth);
    std::vector<unsigned char> src = frameIn(format);
    std::vector<unsigned char> dst(src.size());
    const OCIO::PackedImageDesc in(src.data(), kFrameWidth, kFrameHeight, order, depth, channelBytes,
                                   4 * channelBytes, kFrameWidth * 4 * channelBytes);
    OCIO::PackedImageDesc out(dst.data(), kFrameWidth, kFrameHeight, order, depth, channelBytes, 4 * channelBytes,
                              kFrameWidth * 4 * channelBytes);
    for (auto _ : state) {
        cpu->apply(in, out);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
    state.SetLabel(std::string(format.name) + " 1D+3D OCIO");
}

}  // namespace

BENCHMARK(BM_LutShaperRows)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}, {1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LutShaperRows)->ArgsProduct({{0, 2, 3}, {0, 1}, {0}, {0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OcioShaperCube)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
