// Runs the GPU filter through the real CUDA driver on a lent NVIDIA machine:
// 1080p and 2160p frames, float and half, 33- and 65-point LUTs and the
// pattern, each compared with the processor path (worst pixel with its
// input, processor and GPU values), and the kernel timed with CUDA events
// against a device-to-device copy of the same bytes. Prints a table last.
//
// Usage: kv_gpu_cuda_check [iterations]. Exit status: 0 all within bounds,
// 1 a mismatch or a failed render, 2 no CUDA driver or device.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "GpuFilterTestSupport.h"
#include "effect/LutCache.h"
#include "gpu/DriverLibrary.h"
#include "gpu/kernel/HalfFloat.h"
#include "lut_engine/LutRows.h"
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
        void* lib = LoadDriverLibrary(L"libcuda.so.1");
        if (lib == nullptr) {
            return false;
        }
        bool all = true;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(FindDriverSymbol(lib, name));
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

struct Worst {
    double excess = 0.0;  // beyond the bound; 0 when every pixel is within it
    int x = 0, y = 0, c = 0;
    float input = 0, cpu = 0, gpu = 0;
};

Worst Compare(const HostFrame& input, const HostFrame& gpu, const kv::Lut3D& lut, float amount) {
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
    } else {
        kv::LutRowsParams p{src, dst, w, table, 1.0f, &lut, amount, table};
        kv::ApplyLutRows32f(p, 0, h);
    }
    Worst worst;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 4; ++c) {
                const size_t at = (static_cast<size_t>(y) * w + x) * 4 + c;
                const float want = out[at];
                const float got = gpu.Get(x, y, c);
                double excess;
                if (exact) {
                    const float expected = gpu.half ? kv::gpu::HalfToFloat(kv::gpu::FloatToHalfRne(want)) : want;
                    excess = got == expected ? 0.0 : std::fabs(double(got) - expected) + 0x1p-149;
                } else {
                    const double scale = std::max({1.0, std::fabs(double(want)), std::fabs(double(in[at]))});
                    const double allowed =
                        gpu.half ? std::fabs(double(want)) * 0x1p-10 + 0x1p-24 : 16 * 0x1p-24 * scale;
                    excess = std::isnan(got) ? 1.0 : std::fabs(double(got) - want) - allowed;
                }
                if (excess > worst.excess) {
                    worst = Worst{excess, x, y, c, in[at], want, got};
                }
            }
        }
    }
    return worst;
}

struct Row {
    std::string name;
    bool ok = false;
    Worst worst;
    float kernelMs = 0;
    float copyMs = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
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
    GpuHostSim host;
    PrGPUDeviceInfo& info = host.Device(0);
    info.outDeviceFramework = PrGPUDeviceFramework_CUDA;
    info.outMeetsMinimumRequirementsForAcceleration = 1;
    info.outDeviceHandle = reinterpret_cast<void*>(static_cast<std::intptr_t>(device));
    info.outContextHandle = context;
    info.outCommandQueueHandle = stream;
    ResetCudaDriverTableForTesting();
    PrGPUFilter filter{};
    PrGPUFilterInfo filterInfo{};
    csSDK_int32 index = 0;
    GpuFilterEntry(2, &index, 1, host.Suites(), &filter, &filterInfo);

    struct Size {
        int w, h;
    };
    std::vector<Row> rows;
    bool allOk = true;
    for (Size size : {Size{1920, 1080}, Size{3840, 2160}}) {
        for (bool half : {false, true}) {
            for (int lutCase = 0; lutCase < 3; ++lutCase) {
                const std::string text = lutCase == 0   ? kvtest::WarmCubeText(33)
                                         : lutCase == 1 ? kvtest::WarmCubeText(65)
                                                        : std::string("KVLUTP 17");
                Row row;
                row.name = std::to_string(size.w) + "x" + std::to_string(size.h) + (half ? " 16f " : " 32f ") +
                           (lutCase == 0 ? "33^3" : lutCase == 1 ? "65^3" : "pattern 17");
                host.SetLutBytes(text);
                host.SetAmount(kPrParamType_Float64, 60.0);
                PrGPUFilterInstance instance = host.MakeInstance(0);
                if (filter.CreateInstance(&instance) != 0) {
                    std::printf("%s: CreateInstance failed (see effect.log)\n", row.name.c_str());
                    rows.push_back(row);
                    allOk = false;
                    continue;
                }
                HostFrame input(size.w, size.h, half, 64);
                std::mt19937 random(11);
                std::uniform_real_distribution<float> colour(-0.1f, 1.1f);
                for (int y = 0; y < size.h; ++y)
                    for (int x = 0; x < size.w; ++x)
                        for (int c = 0; c < 4; ++c) input.Set(x, y, c, c == 3 ? 0.5f : colour(random));
                HostFrame output(size.w, size.h, half, 0);
                std::uint64_t src = 0;
                std::uint64_t dst = 0;
                cu.cuMemAlloc_v2(&src, input.bytes.size());
                cu.cuMemAlloc_v2(&dst, output.bytes.size());
                cu.cuMemcpyHtoD_v2(src, input.bytes.data(), input.bytes.size());
                const PrPixelFormat format =
                    half ? PrPixelFormat_GPU_BGRA_4444_16f : PrPixelFormat_GPU_BGRA_4444_32f;
                PPixHand in = host.AddFrame(reinterpret_cast<void*>(src), format, size.w, size.h, input.rowBytes);
                PPixHand out = host.AddFrame(reinterpret_cast<void*>(dst), format, size.w, size.h, output.rowBytes);
                PrGPUFilterRenderParams params{};
                const prSuiteError rendered = filter.Render(&instance, &params, &in, 1, &out);
                cu.cuStreamSynchronize(stream);
                cu.cuMemcpyDtoH_v2(output.bytes.data(), dst, output.bytes.size());
                const auto lut = GetLutForParam(text.data(), text.size());
                row.worst = Compare(input, output, *lut, 60.0f * 0.01f);  // as the filter scales it
                row.ok = rendered == 0 && row.worst.excess == 0.0;

                void* start = nullptr;
                void* stop = nullptr;
                cu.cuEventCreate(&start, 0);
                cu.cuEventCreate(&stop, 0);
                cu.cuEventRecord(start, stream);
                for (int i = 0; i < iterations; ++i) filter.Render(&instance, &params, &in, 1, &out);
                cu.cuEventRecord(stop, stream);
                cu.cuEventSynchronize(stop);
                cu.cuEventElapsedTime(&row.kernelMs, start, stop);
                row.kernelMs /= static_cast<float>(iterations);
                cu.cuEventRecord(start, stream);
                for (int i = 0; i < iterations; ++i) cu.cuMemcpyDtoDAsync_v2(dst, src, output.bytes.size(), stream);
                cu.cuEventRecord(stop, stream);
                cu.cuEventSynchronize(stop);
                cu.cuEventElapsedTime(&row.copyMs, start, stop);
                row.copyMs /= static_cast<float>(iterations);

                filter.DisposeInstance(&instance);
                cu.cuMemFree_v2(src);
                cu.cuMemFree_v2(dst);
                if (!row.ok) {
                    std::printf("%s: render %d, worst pixel (%d, %d) channel %d: input %.9g CPU %.9g GPU %.9g\n",
                                row.name.c_str(), rendered, row.worst.x, row.worst.y, row.worst.c,
                                row.worst.input, row.worst.cpu, row.worst.gpu);
                }
                allOk = allOk && row.ok;
                rows.push_back(row);
            }
        }
    }

    std::printf("\n%-26s %-5s %12s %12s %8s\n", "case", "match", "kernel ms", "d2d copy ms", "ratio");
    for (const Row& row : rows) {
        std::printf("%-26s %-5s %12.4f %12.4f %8.2f\n", row.name.c_str(), row.ok ? "yes" : "NO", row.kernelMs,
                    row.copyMs, row.copyMs > 0 ? row.kernelMs / row.copyMs : 0.0f);
    }
    return allOk ? 0 : 1;
}
