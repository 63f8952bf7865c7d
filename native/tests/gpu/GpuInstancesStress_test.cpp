// GPU filter instances created, rendered and disposed on several threads at
// once on a real OpenCL device, the way an editing host renders a timeline:
// instances of different effect nodes carry different LUTs, so the device's
// one LUT buffer and kernel are shared and switched between them, while
// another thread renders other effects' LUTs on the processor path, pushing
// the nodes' LUT objects out of the shared cache. Every frame must be byte for byte the
// frame the same instance renders alone, and the processor path's frames
// rendered meanwhile through EffectMain must be those it renders alone.
// Run under ThreadSanitizer in CI.
// Skips, saying why, where no OpenCL platform is installed.

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "OpenClFilterFixture.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace kvtest {
namespace {

ScratchUserFolder gScratch;

constexpr int kWidth = 67;  // odd sizes: partial work groups at both edges
constexpr int kHeight = 45;
constexpr int kThreads = 4;
constexpr int kFramesPerThread = 12;

// The LUTs the nodes cycle through: cubes of several sizes, a pattern, and
// one that leaves the frame as it is (amount applies, size 2 identity).
std::vector<std::string> NodeLuts() {
    return {WarmCubeText(17), WarmCubeText(33), "KVLUTP 5",
            CubeText(9, [](float r, float g, float b, float* out) {
                out[0] = b;
                out[1] = r * g;
                out[2] = 0.5f * (r + g);
            })};
}

struct Job {
    size_t lut;
    bool half;
    bool inPlace;
};

Job JobFor(int thread, int frame, size_t lutCount) {
    return Job{static_cast<size_t>(thread + frame) % lutCount, (thread + frame) % 3 == 1, frame % 4 == 3};
}

std::vector<unsigned char> InputBytes(bool half) {
    std::vector<unsigned char> bytes(static_cast<size_t>(kWidth) * kHeight * (half ? 8 : 16));
    unsigned state = half ? 17u : 5u;
    for (size_t i = 0; i < bytes.size(); i += half ? 2 : 4) {
        state = state * 1664525u + 1013904223u;
        const float v = static_cast<float>(state >> 8) / 16777216.0f * 1.2f - 0.1f;
        if (half) {
            // Halves between 0 and 1 (exponent 14 and below), no infinities.
            const std::uint16_t h = static_cast<std::uint16_t>(0x3000 + (state >> 20) % 0x0C00);
            std::memcpy(&bytes[i], &h, 2);
        } else {
            std::memcpy(&bytes[i], &v, 4);
        }
    }
    return bytes;
}

// Another effect's LUT, one of 40: red scaled by i / 40.
std::string OtherEffectLut(int i) {
    return CubeText(3, [i](float r, float g, float b, float* out) {
        out[0] = r * static_cast<float>(i) / 40.0f;
        out[1] = g;
        out[2] = b;
    });
}

// A small BGRA float frame rendered through EffectMain on the processor path.
std::vector<unsigned char> CpuRender(kvsim::FakeHost& host, const std::string& lutText) {
    kvsim::FakeWorld in(kv::kBgra32f, 33, 21);
    kvsim::FakeWorld out(kv::kBgra32f, 33, 21);
    in.FillTestPicture(3);
    PF_Handle lut = kvsim::MakeHandle8(lutText);
    kvsim::FakeParams params(&in, 80.0, lut);
    const PF_Err err = host.Call(PF_Cmd_RENDER, params.list(), &out.def());
    kvsim::DisposeHandle(lut);
    return err == PF_Err_NONE ? out.bytes() : std::vector<unsigned char>();
}

class GpuInstancesStressTest : public OpenClFilterTest {
protected:
    void SetUp() override {
        OpenClFilterTest::SetUp();
        if (IsSkipped()) return;
        host_.SetAmount(kPrParamType_Float64, 70.0);
    }

    // Creates an instance of `node`, renders one frame of `job` with it and
    // disposes it; the frame's bytes, or an empty vector after a failure
    // (which the test reports).
    std::vector<unsigned char> RenderOnce(csSDK_int32 node, const std::string& lutText, const Job& job) {
        OpenClTestDevice& d = OpenClTestDevice::Get();
        host_.SetNodeLutBytes(node, lutText);
        PrGPUFilterInstance instance = host_.MakeInstance(0, node);
        if (filter_.CreateInstance(&instance) != 0) return {};
        std::vector<unsigned char> in = InputBytes(job.half);
        std::vector<unsigned char> out(in.size(), 0xCD);
        kv::gpu::test::cl_int err = 0;
        void* inBuffer = d.CopyToDevice(in, &err);
        void* outBuffer = job.inPlace ? inBuffer : d.CopyToDevice(out, &err);
        const PrPixelFormat format = job.half ? PrPixelFormat_GPU_BGRA_4444_16f : PrPixelFormat_GPU_BGRA_4444_32f;
        const int rowBytes = kWidth * (job.half ? 8 : 16);
        PPixHand inFrame = host_.AddFrame(inBuffer, format, kWidth, kHeight, rowBytes);
        PPixHand outFrame = job.inPlace ? inFrame : host_.AddFrame(outBuffer, format, kWidth, kHeight, rowBytes);
        PrGPUFilterRenderParams params{};
        const bool rendered = filter_.Render(&instance, &params, &inFrame, 1, &outFrame) == 0;
        const bool read = d.ReadBack(outBuffer, out) == 0;
        filter_.DisposeInstance(&instance);
        d.cl.clReleaseMemObject(inBuffer);
        if (!job.inPlace) d.cl.clReleaseMemObject(outBuffer);
        if (!rendered || !read) return {};
        return out;
    }
};

TEST_F(GpuInstancesStressTest, ConcurrentInstancesRenderAsAlone) {
    const std::vector<std::string> luts = NodeLuts();
    // The single-threaded reference for every LUT, format and placement.
    std::vector<std::vector<unsigned char>> reference(luts.size() * 4);
    auto slot = [](const Job& job) { return job.lut * 4 + (job.half ? 2 : 0) + (job.inPlace ? 1 : 0); };
    for (size_t lut = 0; lut < luts.size(); ++lut) {
        for (const bool half : {false, true}) {
            for (const bool inPlace : {false, true}) {
                const Job job{lut, half, inPlace};
                reference[slot(job)] = RenderOnce(100, luts[lut], job);
                ASSERT_FALSE(reference[slot(job)].empty()) << testing::PrintToString(log_.Take());
            }
        }
    }

    kvsim::FakeHost cpuHost(kvsim::kApplPremiere, EffectMain);
    cpuHost.SetPixelFormat(PrPixelFormat_BGRA_4444_32f);
    std::vector<std::vector<unsigned char>> cpuReference;
    for (int i = 0; i < 40; ++i) cpuReference.push_back(CpuRender(cpuHost, OtherEffectLut(i)));

    std::atomic<int> mismatches{0};
    std::atomic<int> failures{0};
    std::atomic<bool> rendering{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int frame = 0; frame < kFramesPerThread; ++frame) {
                const Job job = JobFor(t, frame, luts.size());
                const std::vector<unsigned char> out = RenderOnce(200 + t, luts[job.lut], job);
                if (out.empty()) {
                    ++failures;
                } else if (out != reference[slot(job)]) {
                    ++mismatches;
                }
            }
        });
    }
    // Other effects render on the processor meanwhile; their LUTs pass
    // through the cache and push the nodes' LUT objects out of it while
    // instances still hold them.
    std::thread processor([&] {
        for (int i = 0; rendering.load(); i = (i + 1) % 40) {
            const std::vector<unsigned char> out = CpuRender(cpuHost, OtherEffectLut(i));
            if (out.empty()) {
                ++failures;
            } else if (out != cpuReference[static_cast<size_t>(i)]) {
                ++mismatches;
            }
        }
    });
    for (std::thread& thread : threads) thread.join();
    rendering.store(false);
    processor.join();

    EXPECT_EQ(failures.load(), 0) << testing::PrintToString(log_.Take());
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(host_.BlocksAllocated(), host_.BlocksDisposed());
}

}  // namespace
}  // namespace kvtest
