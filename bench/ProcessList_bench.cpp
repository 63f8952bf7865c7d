// Process lists on one 1920x1080 float frame on the calling thread, beside
// OpenColorIO's CPU processor applying the same CLF file: a camera log curve
// to linear then a gamut matrix, and the five-step list (Range, Log, Matrix,
// a half-domain 1D table, a 33^3 tetrahedral cube). The effect's side reads
// the file as "Change LUT" does and renders it through the float rows (RGBA
// order, as the library takes it). Compare within one run, with repetitions
// and random interleaving, so that the machine's load falls on both alike.
//
// Arguments: list (0 log + matrix, 1 five steps), row level (0 scalar,
// 1 avx2) for ours.

#include <benchmark/benchmark.h>

#include <OpenColorIO/OpenColorIO.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchInputs.h"
#include "TestClfText.h"
#include "TestProcessLists.h"
#include "lut_engine/LutFile.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/simd/RowLevel.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

using namespace kvbench;

// The list's CLF file, written once per list for the run.
std::string ClfPath(int64_t which) {
    const kv::ProcessList list = which == 0 ? kvtest::LogMatrixList() : kvtest::FiveStepList();
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kv-bench-" + std::to_string(::getpid()) + "-" + std::to_string(which) + ".clf");
    if (!std::filesystem::exists(path)) std::ofstream(path) << kvtest::ClfFileOf(list);
    return path.string();
}

const char* ListName(int64_t which) { return which == 0 ? "log + matrix" : "five steps"; }

std::vector<float> PhotoFrameRGBA() {
    std::vector<float> f(static_cast<size_t>(kFramePixels) * 4);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            float* px = &f[(static_cast<size_t>(y) * kFrameWidth + x) * 4];
            photoPixel(x, y, px);
            px[3] = 1.0f;
        }
    }
    return f;
}

void BM_ProcessListRows(benchmark::State& state) {
    const kv::RowLevel level = static_cast<kv::RowLevel>(state.range(1));
    if (level > kv::DetectedRowLevel()) {
        state.SkipWithError("row level not supported by this processor");
        return;
    }
    const std::string path = ClfPath(state.range(0));
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    kv::Lut3D lut;
    std::string error;
    if (!kv::ReadLutFile(path, text, lut, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<float> src = PhotoFrameRGBA();
    std::vector<float> dst(src.size());
    const kv::PixelFormat& format = kv::kArgb32f;
    kv::LutRowsParams p;
    const int32_t rowBytes = kFrameWidth * 16;
    p.src = kv::FrameView{reinterpret_cast<unsigned char*>(src.data()), kFrameWidth, kFrameHeight, rowBytes,
                          kv::kLayoutRGBA};
    p.dst = kv::FrameView{reinterpret_cast<unsigned char*>(dst.data()), kFrameWidth, kFrameHeight, rowBytes,
                          kv::kLayoutRGBA};
    p.width = kFrameWidth;
    p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutRGBA);
    p.lut = &lut;
    p.amount = 1.0f;
    const kv::LutRowsFn rows = kv::RowOpsAt(format, level).applyLut;
    for (auto _ : state) {
        rows(p, 0, kFrameHeight);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
    state.SetLabel(std::string(ListName(state.range(0))) + " " + kv::RowLevelName(level));
}

void BM_OcioProcessList(benchmark::State& state) {
    const OCIO::ConstConfigRcPtr config = OCIO::Config::CreateRaw();
    const OCIO::FileTransformRcPtr file = OCIO::FileTransform::Create();
    file->setSrc(ClfPath(state.range(0)).c_str());
    const OCIO::ConstCPUProcessorRcPtr cpu = config->getProcessor(file)->getDefaultCPUProcessor();
    std::vector<float> src = PhotoFrameRGBA();
    std::vector<float> dst(src.size());
    const OCIO::PackedImageDesc in(src.data(), kFrameWidth, kFrameHeight, 4);
    OCIO::PackedImageDesc out(dst.data(), kFrameWidth, kFrameHeight, 4);
    for (auto _ : state) {
        cpu->apply(in, out);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
    state.SetLabel(std::string(ListName(state.range(0))) + " OCIO");
}

}  // namespace

BENCHMARK(BM_ProcessListRows)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OcioProcessList)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
