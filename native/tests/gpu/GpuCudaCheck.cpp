// Runs the GPU filter through the real CUDA driver on a lent NVIDIA machine:
// 1080p and 2160p frames, float and half, 33- and 65-point LUTs, the pattern
// and a 4096-entry 1D stage before a 33-point cube (the shaped entry), and
// on the float frames the compositing host's GPU render (device setup, then
// SMART_RENDER_GPU through EffectMain) with the 33-point LUT and the
// pattern, each
// compared with the processor path (worst channel with its
// input, processor and GPU values), and the kernel timed with CUDA events
// against a device-to-device copy of the same bytes. Prints a table last.
//
// Usage: kv_gpu_cuda_check [iterations [seconds]]. Past `seconds` no further
// case is started, so the table still comes out within the borrowed
// machine's time. Exit status: 0 all within bounds, 1 a mismatch, a failed
// render or a case not run, 2 no CUDA driver or device.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "AeGpuTestSupport.h"
#include "GpuCheckCompare.h"
#include "GpuFilterTestSupport.h"
#include "TestLuts.h"
#include "host_link/LutCache.h"
#include "gpu/DriverLibrary.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuLaunch.h"
#include "gpu/LutUpload.h"
#include "gpu/PremiereDevice.h"
#include "lut_engine/LutSampling.h"
#include "gpu/kernel/HalfFloat.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProcessListText.h"
#include "TestProcessLists.h"
#include "host_sim/FakeSmartRender.h"
#include "lut_engine/ProbePattern.h"

namespace {

using kvtest::GpuHostSim;

// Driver calls the check needs beyond the module's own table.
struct CudaExtras {
    int (*cuInit)(unsigned) = nullptr;
    int (*cuDeviceGet)(int*, int) = nullptr;
    int (*cuDevicePrimaryCtxRetain)(void**, int) = nullptr;
    int (*cuCtxPushCurrent_v2)(void*) = nullptr;
    int (*cuStreamCreate)(void**, unsigned) = nullptr;
    int (*cuStreamSynchronize)(void*) = nullptr;
    int (*cuMemAlloc_v2)(std::uint64_t*, size_t) = nullptr;
    int (*cuMemFree_v2)(std::uint64_t) = nullptr;
    int (*cuMemcpyHtoD_v2)(std::uint64_t, const void*, size_t) = nullptr;
    int (*cuMemcpyDtoH_v2)(void*, std::uint64_t, size_t) = nullptr;
    int (*cuMemcpyDtoDAsync_v2)(std::uint64_t, std::uint64_t, size_t, void*) = nullptr;
    int (*cuEventCreate)(void**, unsigned) = nullptr;
    int (*cuEventRecord)(void*, void*) = nullptr;
    int (*cuEventSynchronize)(void*) = nullptr;
    int (*cuEventElapsedTime)(float*, void*, void*) = nullptr;

    bool Load() {
        void* lib = kv::gpu::LoadDriverLibrary(L"libcuda.so.1");
        if (lib == nullptr) {
            return false;
        }
        bool all = true;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(kv::gpu::FindDriverSymbol(lib, name));
            all = all && fn != nullptr;
        };
        get(cuInit, "cuInit");
        get(cuDeviceGet, "cuDeviceGet");
        get(cuDevicePrimaryCtxRetain, "cuDevicePrimaryCtxRetain");
        get(cuCtxPushCurrent_v2, "cuCtxPushCurrent_v2");
        get(cuStreamCreate, "cuStreamCreate");
        get(cuStreamSynchronize, "cuStreamSynchronize");
        get(cuMemAlloc_v2, "cuMemAlloc_v2");
        get(cuMemFree_v2, "cuMemFree_v2");
        get(cuMemcpyHtoD_v2, "cuMemcpyHtoD_v2");
        get(cuMemcpyDtoH_v2, "cuMemcpyDtoH_v2");
        get(cuMemcpyDtoDAsync_v2, "cuMemcpyDtoDAsync_v2");
        get(cuEventCreate, "cuEventCreate");
        get(cuEventRecord, "cuEventRecord");
        get(cuEventSynchronize, "cuEventSynchronize");
        get(cuEventElapsedTime, "cuEventElapsedTime");
        return all;
    }
};

struct HostFrame {
    int width = 0;
    int height = 0;
    bool half = false;
    int rowBytes = 0;
    std::vector<unsigned char> bytes;

    HostFrame(int w, int h, bool isHalf, int padding)
        : width(w), height(h), half(isHalf), rowBytes(w * (isHalf ? 8 : 16) + padding),
          bytes(static_cast<size_t>(rowBytes) * h) {}
    float Get(int x, int y, int c) const {
        const unsigned char* p = bytes.data() + static_cast<size_t>(y) * rowBytes;
        if (half) {
            std::uint16_t v;
            std::memcpy(&v, p + x * 8 + c * 2, 2);
            return kv::gpu::HalfToFloat(v);
        }
        float f;
        std::memcpy(&f, p + x * 16 + c * 4, 4);
        return f;
    }
    void Set(int x, int y, int c, float v) {
        unsigned char* p = bytes.data() + static_cast<size_t>(y) * rowBytes;
        if (half) {
            const std::uint16_t h = kv::gpu::FloatToHalfRne(v);
            std::memcpy(p + x * 8 + c * 2, &h, 2);
        } else {
            std::memcpy(p + x * 16 + c * 4, &v, 4);
        }
    }
};

// The processor's result for `input` with `lut` at `amount`, compared with
// the GPU's frame channel by channel.
kvtest::FrameVerdict Compare(const HostFrame& input, const HostFrame& gpu, const kv::Lut3D& lut, float amount) {
    const int w = input.width;
    const int h = input.height;
    std::vector<float> in(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) in[(static_cast<size_t>(y) * w + x) * 4 + c] = input.Get(x, y, c);
    std::vector<float> out = in;
    const kv::ChannelTable table = kv::ChannelTableFor(kv::kLayoutBGRA);
    kv::FrameView src{reinterpret_cast<unsigned char*>(in.data()), w, h, w * 16, kv::kLayoutBGRA};
    kv::FrameView dst{reinterpret_cast<unsigned char*>(out.data()), w, h, w * 16, kv::kLayoutBGRA};
    const bool exact = lut.probe > 0;
    if (exact) {
        kv::ProbeRowsParams p{dst, lut.probe, kv::ProbeGeometryFor(lut, w, h), table};
        kv::DrawProbeRows32f(p, 0, h);
    } else if (lut.shaperSize > 0) {
        // The 1D stage and cube by the processor's reference, pixel by pixel.
        for (size_t at = 0; at < in.size(); at += 4) {
            const float rgb[3] = {in[at + 2], in[at + 1], in[at]};
            float sampled[3];
            kv::SampleLut(lut, rgb, sampled);
            for (int c = 0; c < 3; ++c) {
                out[at + 2 - c] = kv::BlendAmount(sampled[c], rgb[c], amount);
            }
        }
    } else {
        kv::LutRowsParams p{src, dst, w, table, 1.0f, &lut, amount, table};
        kv::ApplyLutRows32f(p, 0, h);
    }
    kvtest::FrameVerdict verdict(exact, gpu.half, lut.steps != nullptr);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 4; ++c) {
                const size_t at = (static_cast<size_t>(y) * w + x) * 4 + c;
                verdict.Add(x, y, c, in[at], out[at], gpu.Get(x, y, c));
            }
        }
    }
    return verdict;
}

struct Row {
    std::string name;
    std::string failure;  // why the case failed before its comparison, if it did
    bool run = false;
    bool ok = false;
    kvtest::WorstChannel worst;
    float kernelMs = 0;
    float copyMs = 0;
};

// The time one call of `step` takes on `stream`, averaged over `iterations`
// calls; 0 where the events fail.
template <class Step>
float TimeOnStream(CudaExtras& cu, void* stream, int iterations, Step step) {
    void* start = nullptr;
    void* stop = nullptr;
    float ms = 0;
    if (cu.cuEventCreate(&start, 0) != 0 || cu.cuEventCreate(&stop, 0) != 0) {
        return 0;
    }
    cu.cuEventRecord(start, stream);
    for (int i = 0; i < iterations; ++i) step();
    cu.cuEventRecord(stop, stream);
    if (cu.cuEventSynchronize(stop) != 0 || cu.cuEventElapsedTime(&ms, start, stop) != 0) {
        return 0;
    }
    return ms / static_cast<float>(iterations);
}

// The module's log lines since the last call: the scratch folder that holds
// the log is gone once the check ends.
void PrintLog(kvsim::LogTail& log) {
    const std::vector<std::string> lines = log.Take();
    const size_t shown = std::min<size_t>(lines.size(), 12);
    for (size_t i = 0; i < shown; ++i) std::printf("  log: %s\n", lines[i].c_str());
    if (shown < lines.size()) std::printf("  log: (%zu more lines)\n", lines.size() - shown);
}

void PrintTable(const std::vector<Row>& rows) {
    // The kernel reads and writes the frame once, as the copy does: the copy's
    // time over the kernel's is the share of the copy's bandwidth it reaches.
    std::printf("\n%-24s %-5s %-16s %12s %12s %12s %9s %10s %10s %8s\n", "case", "match", "worst (x,y,ch)",
                "input", "CPU", "GPU", "bound", "kernel ms", "copy ms", "% copy");
    for (const Row& row : rows) {
        if (!row.run) {
            std::printf("%-24s %-5s %s\n", row.name.c_str(), "-", row.failure.c_str());
            continue;
        }
        const kvtest::WorstChannel& w = row.worst;
        char at[48];
        std::snprintf(at, sizeof at, "(%d,%d,%d)", w.x, w.y, w.c);
        char bound[24];
        if (std::isinf(w.boundUsed)) {
            std::snprintf(bound, sizeof bound, "off");
        } else {
            std::snprintf(bound, sizeof bound, "%.0f%%", w.boundUsed * 100);
        }
        std::printf("%-24s %-5s %-16s %12.9g %12.9g %12.9g %9s %10.4f %10.4f %7.1f%%\n", row.name.c_str(),
                    row.ok ? "yes" : "NO", at, w.input, w.cpu, w.gpu, bound, row.kernelMs,
                    row.copyMs, row.kernelMs > 0 ? 100.0f * row.copyMs / row.kernelMs : 0.0f);
        if (!row.failure.empty()) {
            std::printf("%-24s       %s\n", "", row.failure.c_str());
        }
    }
}

void RunShapedCase(Row& row, CudaExtras& cu, void* stream, const PrGPUDeviceInfo& info, int iterations,
                   std::uint64_t src, std::uint64_t dst, const HostFrame& input, HostFrame& output) {
    kv::Lut3D built = kvtest::RandomCube(33, 41, -0.2f, 1.2f);
    kvtest::AddRandomShaper(built, 4096, 42, -0.1f, 1.5f);
    const auto lut = std::make_shared<const kv::Lut3D>(std::move(built));
    kv::gpu::GpuFrames frames;
    frames.src = reinterpret_cast<void*>(src);
    frames.dst = reinterpret_cast<void*>(dst);
    frames.is32f = !input.half;
    frames.width = input.width;
    frames.height = input.height;
    frames.srcRowBytes = input.rowBytes;
    frames.dstRowBytes = output.rowBytes;
    constexpr float kShapedAmount = 0.6f;
    const kv::gpu::GpuLaunch launch = kv::gpu::PlanLaunch(lut, kShapedAmount, frames);
    kv::gpu::GpuDeviceState& state = kv::gpu::GetGpuDeviceState(0);
    auto launchOnce = [&] {
        std::lock_guard<std::mutex> lock(state.mutex);
        const kv::gpu::DeviceHandles handles = kv::gpu::PremiereDeviceHandles(info);
        return state.ready && kv::gpu::UploadLut(state, handles, launch.lut) &&
               state.backend->Launch(handles, frames.src, frames.dst, launch.params);
    };
    row.run = true;
    std::fill(output.bytes.begin(), output.bytes.end(), 0xFF);
    cu.cuMemcpyHtoD_v2(dst, output.bytes.data(), output.bytes.size());
    const bool launched = launchOnce();
    const int synced = cu.cuStreamSynchronize(stream);
    const int read = cu.cuMemcpyDtoH_v2(output.bytes.data(), dst, output.bytes.size());
    const kvtest::FrameVerdict verdict = Compare(input, output, *lut, kShapedAmount);
    row.worst = verdict.Worst();
    row.ok = launched && synced == 0 && read == 0 && verdict.Matches();
    if (!launched || synced != 0 || read != 0) {
        row.failure = std::string("launch ") + (launched ? "ok" : "failed") + ", cuStreamSynchronize " +
                      std::to_string(synced) + ", cuMemcpyDtoH " + std::to_string(read);
    }
    row.kernelMs = TimeOnStream(cu, stream, iterations, launchOnce);
    row.copyMs = TimeOnStream(cu, stream, iterations, [&] {
        cu.cuMemcpyDtoDAsync_v2(dst, src, output.bytes.size(), stream);
    });
    const kvtest::WorstChannel& w = row.worst;
    std::printf("%s: %s, worst (%d, %d) channel %d: input %.9g CPU %.9g GPU %.9g; kernel %.4f ms, copy %.4f ms%s%s\n",
                row.name.c_str(), row.ok ? "match" : "MISMATCH", w.x, w.y, w.c, w.input, w.cpu, w.gpu, row.kernelMs,
                row.copyMs, row.failure.empty() ? "" : "; ", row.failure.c_str());
}

}  // namespace

// One compositing-host case: the frame through SMART_RENDER_GPU on the
// device setup accepted, compared and timed like the editing host's.
void RunAeCase(Row& row, CudaExtras& cu, void* stream, kvsim::FakeHost& host, void* gpuData, const std::string& text,
               double amount, int iterations, std::uint64_t src, std::uint64_t dst, const HostFrame& input,
               HostFrame& output) {
    PF_LayerDef in = kvtest::GpuWorld(input.width, input.height, input.rowBytes);
    PF_LayerDef out = kvtest::GpuWorld(output.width, output.height, output.rowBytes);
    kvsim::FakeGpuDevices::Get().AddWorld(&in, reinterpret_cast<void*>(src));
    kvsim::FakeGpuDevices::Get().AddWorld(&out, reinterpret_cast<void*>(dst));
    PF_Handle lutHandle = kvsim::MakeHandle16(text);
    kvsim::SmartRenderCall call(host, &in, &out, 32, amount, lutHandle);
    call.PlanOnGpu(PF_GPU_Framework_CUDA, 0, gpuData);
    const PF_Err planned = call.PreRender();
    row.run = true;
    std::fill(output.bytes.begin(), output.bytes.end(), 0xFF);
    cu.cuMemcpyHtoD_v2(dst, output.bytes.data(), output.bytes.size());
    const PF_Err rendered = planned == PF_Err_NONE ? call.RenderGpu() : planned;
    const int read = cu.cuMemcpyDtoH_v2(output.bytes.data(), dst, output.bytes.size());
    const auto lut = kv::GetLutForParam(text.data(), text.size());
    const kvtest::FrameVerdict verdict = Compare(input, output, *lut, static_cast<float>(amount) * 0.01f);
    row.worst = verdict.Worst();
    row.ok = rendered == PF_Err_NONE && read == 0 && verdict.Matches();
    if (rendered != PF_Err_NONE || read != 0) {
        row.failure = "SMART_RENDER_GPU " + std::to_string(rendered) + ", cuMemcpyDtoH " + std::to_string(read);
    }
    // Each render waits for its stream, as the compositing host's path does.
    row.kernelMs = TimeOnStream(cu, stream, iterations, [&] { call.RenderGpu(); });
    row.copyMs = TimeOnStream(cu, stream, iterations,
                              [&] { cu.cuMemcpyDtoDAsync_v2(dst, src, output.bytes.size(), stream); });
    kvsim::DisposeHandle(lutHandle);
    const kvtest::WorstChannel& w = row.worst;
    std::printf("%s: %s, worst (%d, %d) channel %d: input %.9g CPU %.9g GPU %.9g; kernel %.4f ms, "
                "copy %.4f ms%s%s\n",
                row.name.c_str(), row.ok ? "match" : "MISMATCH", w.x, w.y, w.c, w.input, w.cpu, w.gpu, row.kernelMs,
                row.copyMs, row.failure.empty() ? "" : "; ", row.failure.c_str());
}

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 0.0;
    const auto began = std::chrono::steady_clock::now();
    auto outOfTime = [&] {
        return seconds > 0 &&
               std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() > seconds;
    };

    CudaExtras cu;
    if (!cu.Load() || cu.cuInit(0) != 0) {
        std::printf("no usable CUDA driver (libcuda.so.1)\n");
        return 2;
    }
    int device = 0;
    void* context = nullptr;
    void* stream = nullptr;
    if (cu.cuDeviceGet(&device, 0) != 0 || cu.cuDevicePrimaryCtxRetain(&context, device) != 0 ||
        cu.cuCtxPushCurrent_v2(context) != 0 || cu.cuStreamCreate(&stream, 0) != 0) {
        std::printf("no CUDA device\n");
        return 2;
    }

    kvtest::ScratchUserFolder scratch;
    kvsim::LogTail log;
    GpuHostSim host;
    PrGPUDeviceInfo& info = host.Device(0);
    info.outDeviceFramework = PrGPUDeviceFramework_CUDA;
    info.outMeetsMinimumRequirementsForAcceleration = 1;
    info.outDeviceHandle = reinterpret_cast<void*>(static_cast<std::intptr_t>(device));
    info.outContextHandle = context;
    info.outCommandQueueHandle = stream;
    kv::gpu::ResetCudaDriverTableForTesting();
    PrGPUFilter filter{};
    PrGPUFilterInfo filterInfo{};
    csSDK_int32 index = 0;
    if (const prSuiteError entry = kv::gpu::GpuFilterEntry(2, &index, 1, host.Suites(), &filter, &filterInfo); entry != 0) {
        std::printf("GpuFilterEntry failed: %d\n", entry);
        PrintLog(log);
        return 1;
    }

    // The compositing host on the same device: its setup prepares a kernel
    // of its own for the host's context.
    kvsim::FakeHost aeHost(kvsim::kApplAfterEffects, EffectMain);
    PF_GPUDeviceInfo aeInfo{};
    aeInfo.device_framework = PF_GPU_Framework_CUDA;
    aeInfo.devicePV = info.outDeviceHandle;
    aeInfo.contextPV = context;
    aeInfo.command_queuePV = stream;
    kvsim::FakeGpuDevices::Get().SetDevice(0, aeInfo);
    const kvtest::SetupAnswer aeDevice = kvtest::SetUpDevice(aeHost, PF_GPU_Framework_CUDA, 0);
    PrintLog(log);

    struct Size {
        int w, h;
    };
    constexpr double kAmount = 60.0;
    std::vector<Row> rows;
    bool allOk = true;
    for (Size size : {Size{1920, 1080}, Size{3840, 2160}}) {
        for (bool half : {false, true}) {
            const std::string frameName =
                std::to_string(size.w) + "x" + std::to_string(size.h) + (half ? " 16f " : " 32f ");
            // One input for the three LUTs: colours beyond the unit range,
            // rows padded as a host's may be.
            HostFrame input(size.w, size.h, half, 64);
            std::mt19937 random(11);
            std::uniform_real_distribution<float> colour(-0.1f, 1.1f);
            for (int y = 0; y < size.h; ++y)
                for (int x = 0; x < size.w; ++x)
                    for (int c = 0; c < 4; ++c) input.Set(x, y, c, c == 3 ? 0.5f : colour(random));
            HostFrame output(size.w, size.h, half, 0);
            std::uint64_t src = 0;
            std::uint64_t dst = 0;
            std::string frameFailure;
            if (cu.cuMemAlloc_v2(&src, input.bytes.size()) != 0 || cu.cuMemAlloc_v2(&dst, output.bytes.size()) != 0) {
                frameFailure = "cuMemAlloc failed";
            } else if (cu.cuMemcpyHtoD_v2(src, input.bytes.data(), input.bytes.size()) != 0) {
                frameFailure = "cuMemcpyHtoD failed";
            }
            const PrPixelFormat format = half ? PrPixelFormat_GPU_BGRA_4444_16f : PrPixelFormat_GPU_BGRA_4444_32f;
            PPixHand in = host.AddFrame(reinterpret_cast<void*>(src), format, size.w, size.h, input.rowBytes);
            PPixHand out = host.AddFrame(reinterpret_cast<void*>(dst), format, size.w, size.h, output.rowBytes);

            // Cases 6..9 are process lists (the steps entry): a camera log
            // curve then a gamut matrix, and the five-step list, in each host.
            const std::string logMatrix = kv::FormatProcessListText(kvtest::LogMatrixList(), 0, "log-matrix");
            const std::string fiveSteps = kv::FormatProcessListText(kvtest::FiveStepList(), 0, "five-steps");
            for (int lutCase = 0; lutCase < 10; ++lutCase) {
                const bool ae = lutCase == 4 || lutCase == 5 || lutCase >= 8;
                const std::string text = lutCase == 0 || lutCase == 4 ? kvtest::WarmCubeText(33)
                                         : lutCase == 1               ? kvtest::WarmCubeText(65)
                                         : lutCase == 6 || lutCase == 8 ? logMatrix
                                         : lutCase == 7 || lutCase == 9 ? fiveSteps
                                                                      : std::string("KVLUTP 17");
                Row row;
                row.name = frameName + (lutCase == 0   ? "33^3"
                                        : lutCase == 1 ? "65^3"
                                        : lutCase == 2 ? "pattern 17"
                                        : lutCase == 3 ? "4096 + 33^3"
                                        : lutCase == 4 ? "AE 33^3"
                                        : lutCase == 5 ? "AE pattern 17"
                                        : lutCase == 6 ? "CLF log + matrix"
                                        : lutCase == 7 ? "CLF five steps"
                                        : lutCase == 8 ? "AE CLF log + matrix"
                                                       : "AE CLF five steps");
                if (ae && half) {
                    continue;  // the compositing host's GPU worlds are float only
                }
                if (ae && frameFailure.empty() && !outOfTime()) {
                    if (!aeDevice.accepted) {
                        row.failure = "not run: device setup declined";
                        allOk = false;
                    } else {
                        RunAeCase(row, cu, stream, aeHost, aeDevice.gpuData, text, kAmount, iterations, src, dst,
                                  input, output);
                        allOk = allOk && row.ok;
                    }
                    PrintLog(log);
                    std::fflush(stdout);
                    rows.push_back(row);
                    continue;
                }
                if (lutCase == 3 && frameFailure.empty() && !outOfTime()) {
                    // A LUT with a 1D stage, built here, straight through the
                    // render's plan, upload and launch on the device the
                    // earlier cases prepared.
                    RunShapedCase(row, cu, stream, info, iterations, src, dst, input, output);
                    PrintLog(log);
                    std::fflush(stdout);
                    allOk = allOk && row.ok;
                    rows.push_back(row);
                    continue;
                }
                if (!frameFailure.empty() || outOfTime()) {
                    row.failure = frameFailure.empty() ? "not run: out of time" : "not run: " + frameFailure;
                    std::printf("%s: %s\n", row.name.c_str(), row.failure.c_str());
                    std::fflush(stdout);
                    rows.push_back(row);
                    allOk = false;
                    continue;
                }
                host.SetLutBytes(text);
                host.SetAmount(kPrParamType_Float64, kAmount);
                PrGPUFilterInstance instance = host.MakeInstance(0);
                if (filter.CreateInstance(&instance) != 0) {
                    row.failure = "not run: CreateInstance failed";
                    std::printf("%s: %s\n", row.name.c_str(), row.failure.c_str());
                    PrintLog(log);
                    std::fflush(stdout);
                    rows.push_back(row);
                    allOk = false;
                    continue;
                }
                row.run = true;
                // All ones is NaN in float and half: a render that writes
                // nothing cannot pass on what an earlier case left there.
                std::fill(output.bytes.begin(), output.bytes.end(), 0xFF);
                cu.cuMemcpyHtoD_v2(dst, output.bytes.data(), output.bytes.size());
                PrGPUFilterRenderParams params{};
                const prSuiteError rendered = filter.Render(&instance, &params, &in, 1, &out);
                const int synced = cu.cuStreamSynchronize(stream);
                const int read = cu.cuMemcpyDtoH_v2(output.bytes.data(), dst, output.bytes.size());
                const auto lut = kv::GetLutForParam(text.data(), text.size());
                const kvtest::FrameVerdict verdict =
                    Compare(input, output, *lut, static_cast<float>(kAmount) * 0.01f);  // as the filter scales it
                row.worst = verdict.Worst();
                row.ok = rendered == 0 && synced == 0 && read == 0 && verdict.Matches();
                if (rendered != 0 || synced != 0 || read != 0) {
                    row.failure = "Render " + std::to_string(rendered) + ", cuStreamSynchronize " +
                                  std::to_string(synced) + ", cuMemcpyDtoH " + std::to_string(read);
                }

                row.kernelMs = TimeOnStream(cu, stream, iterations,
                                            [&] { filter.Render(&instance, &params, &in, 1, &out); });
                row.copyMs = TimeOnStream(cu, stream, iterations, [&] {
                    cu.cuMemcpyDtoDAsync_v2(dst, src, output.bytes.size(), stream);
                });
                filter.DisposeInstance(&instance);

                const kvtest::WorstChannel& w = row.worst;
                std::printf("%s: %s, worst (%d, %d) channel %d: input %.9g CPU %.9g GPU %.9g; kernel %.4f ms, "
                            "copy %.4f ms%s%s\n",
                            row.name.c_str(), row.ok ? "match" : "MISMATCH", w.x, w.y, w.c, w.input, w.cpu, w.gpu,
                            row.kernelMs, row.copyMs, row.failure.empty() ? "" : "; ", row.failure.c_str());
                PrintLog(log);
                std::fflush(stdout);
                allOk = allOk && row.ok;
                rows.push_back(row);
            }
            if (src != 0) cu.cuMemFree_v2(src);
            if (dst != 0) cu.cuMemFree_v2(dst);
        }
    }

    if (aeDevice.gpuData != nullptr) {
        kvtest::SetDownDevice(aeHost, aeDevice.gpuData, PF_GPU_Framework_CUDA, 0);
    }
    PrintTable(rows);
    return allOk ? 0 : 1;
}
