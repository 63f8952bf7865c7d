// Process lists on the OpenCL device (PoCL on the processor where there is no
// GPU) beside a 3D-only LUT on the same 1920x1080 float frame: the device
// layer's plan, upload (once) and launch, each frame waited for. On PoCL a
// process list is expected to cost no more than three times the cube: the
// same memory traffic and a few dozen operations a pixel more, so a frame
// that costs much more points at a runaway loop per pixel.
//
// Argument: 0 a 33^3 cube alone, 1 a camera log curve then a matrix, 2 the
// five-step list (Range, Log, Matrix, half-domain 1D, 33^3 cube). Compare
// within one run, with repetitions and random interleaving.

#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>
#include <vector>

#include "BenchInputs.h"
#include "OpenClTestDevice.h"
#include "TestProcessLists.h"
#include "gpu/DeviceRender.h"
#include "gpu/GpuLaunch.h"
#include "lut_engine/process/PreparedSteps.h"

namespace {

using namespace kvbench;

std::shared_ptr<const kv::Lut3D> BenchLut(int64_t which) {
    if (which == 0) return std::make_shared<const kv::Lut3D>(warmGradeLut(33));
    kv::Lut3D lut;
    kv::MakeProcessLut(lut, which == 1 ? kvtest::LogMatrixList() : kvtest::FiveStepList());
    return std::make_shared<const kv::Lut3D>(std::move(lut));
}

void BM_OpenClFrame(benchmark::State& state) {
    kvtest::OpenClTestDevice& d = kvtest::OpenClTestDevice::Get();
    if (!d.usable()) {
        state.SkipWithError(d.why.c_str());
        return;
    }
    const kv::gpu::DeviceHandles device{kv::gpu::GpuFramework::OpenCl, d.device, d.context, d.queue};
    kv::gpu::GpuDeviceState gpu;
    if (!kv::gpu::PrepareDevice(gpu, device)) {
        state.SkipWithError("kernel not prepared");
        return;
    }
    std::vector<float> pixels = photoFrameBGRA32f();
    std::vector<unsigned char> bytes(reinterpret_cast<unsigned char*>(pixels.data()),
                                     reinterpret_cast<unsigned char*>(pixels.data() + pixels.size()));
    kv::gpu::test::cl_int err = 0;
    void* src = d.CopyToDevice(bytes, &err);
    void* dst = d.CopyToDevice(bytes, &err);
    kv::gpu::GpuFrames frames;
    frames.src = src;
    frames.dst = dst;
    frames.is32f = true;
    frames.width = kFrameWidth;
    frames.height = kFrameHeight;
    frames.srcRowBytes = frames.dstRowBytes = kFrameWidth * 16;
    const kv::gpu::GpuLaunch launch = kv::gpu::PlanLaunch(BenchLut(state.range(0)), 1.0f, frames);
    for (auto _ : state) {
        if (!kv::gpu::RenderOnDevice(gpu, device, launch, src, dst, false) || d.cl.clFinish(d.queue) != 0) {
            state.SkipWithError("launch failed");
            break;
        }
    }
    kv::gpu::ReleaseDevice(gpu, device);
    d.cl.clReleaseMemObject(src);
    d.cl.clReleaseMemObject(dst);
    state.SetItemsProcessed(state.iterations() * kFramePixels);
    state.SetLabel(state.range(0) == 0 ? "33^3 cube" : state.range(0) == 1 ? "log + matrix" : "five steps");
}

}  // namespace

BENCHMARK(BM_OpenClFrame)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
