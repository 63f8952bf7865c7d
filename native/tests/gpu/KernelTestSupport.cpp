#include "KernelTestSupport.h"

#include <limits>
#include <utility>

#include "TestProcessLists.h"
#include "gpu/kernel/KromvaleLutTwin.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv::gpu::test {

namespace {

void RunGrid(const void* src, void* dst, const float* lut, const float* shaper, const kv::gpu::KernelParams& k) {
    const int gridW = (k.width + 15) / 16 * 16;
    const int gridH = (k.height + 15) / 16 * 16;
    const bool shaped = kv::gpu::UsesShapedEntry(k);
    for (int y = 0; y < gridH; ++y) {
        for (int x = 0; x < gridW; ++x) {
            if (shaped) {
                KromvaleLutShapedTwin(x, y, src, dst, lut, shaper, k);
            } else {
                KromvaleLutTwin(x, y, src, dst, lut, k);
            }
        }
    }
}

}  // namespace

void RunTwin(const GpuFrame& src, GpuFrame& dst, const float* lut, const kv::gpu::KernelParams& k,
             const float* shaper) {
    RunGrid(src.bytes.data(), dst.bytes.data(), lut, shaper, k);
}

void RunTwinInPlace(GpuFrame& frame, const float* lut, const kv::gpu::KernelParams& k, const float* shaper) {
    RunGrid(frame.bytes.data(), frame.bytes.data(), lut, shaper, k);
}

kv::gpu::KernelParams StepsParams(const Lut3D& lut, int is16f, float amount) {
    kv::gpu::KernelParams k;
    k.stepCount = static_cast<int>(lut.steps->records.size());
    k.amount = amount;
    k.is16f = is16f;
    k.width = 37;
    k.height = 23;
    k.srcPitch = 41;
    k.dstPitch = 39;
    return k;
}

void RunStepsTwin(const GpuFrame& src, GpuFrame& dst, const Lut3D& lut, const kv::gpu::KernelParams& k) {
    for (int y = 0; y < (k.height + 15) / 16 * 16; ++y) {
        for (int x = 0; x < (k.width + 15) / 16 * 16; ++x) {
            KromvaleLutStepsTwin(x, y, src.bytes.data(), dst.bytes.data(), lut.steps->records.data(),
                                 lut.steps->tables.data(), k);
        }
    }
}

void ProcessorRows(const GpuFrame& src, GpuFrame& dst, const Lut3D& lut, float amount,
                   const kv::gpu::KernelParams& k) {
    // The rows read and write float frames; halves go through float copies.
    GpuFrame in(0, src.pitch, src.rows);
    GpuFrame out(0, dst.pitch, dst.rows);
    for (int y = 0; y < src.rows; ++y) {
        for (int x = 0; x < src.pitch; ++x) {
            float v[4];
            src.Get(x, y, v);
            in.Set(x, y, v);
        }
    }
    LutRowsParams p;
    p.src = FrameView{in.bytes.data(), k.width, k.height, in.RowBytes(), kLayoutBGRA};
    p.dst = FrameView{out.bytes.data(), k.width, k.height, out.RowBytes(), kLayoutBGRA};
    p.width = k.width;
    p.srcChannels = ChannelTableFor(kLayoutBGRA);
    p.dstChannels = p.srcChannels;
    p.lut = &lut;
    p.amount = amount;
    ApplyLutRows32f(p, 0, k.height);
    for (int y = 0; y < k.height; ++y) {
        for (int x = 0; x < k.width; ++x) {
            float v[4];
            out.Get(x, y, v);
            dst.Set(x, y, v);
        }
    }
}

std::vector<StepListLut> StepListLuts() {
    std::vector<std::pair<std::string, ProcessList>> lists;
    for (kvtest::NamedStep& named : kvtest::EveryStepKind()) {
        ProcessList list;
        list.format = "CLF";
        list.steps.push_back(std::move(named.step));
        lists.emplace_back(named.name, std::move(list));
    }
    lists.emplace_back("log then matrix", kvtest::LogMatrixList());
    lists.emplace_back("five steps", kvtest::FiveStepList());
    std::vector<StepListLut> luts;
    for (auto& [name, list] : lists) {
        StepListLut entry{name, Lut3D{}};
        MakeProcessLut(entry.lut, std::move(list));  // the tests check HasProcessSteps()
        luts.push_back(std::move(entry));
    }
    return luts;
}

GpuFrame StepInputFrame(std::mt19937& rng, int is16f, int pitch, int rows, bool specials) {
    std::uniform_real_distribution<float> unit(-0.25f, 1.25f);
    std::uniform_real_distribution<float> exponent(-24.0f, 12.0f);
    std::uniform_int_distribution<int> kind(0, 19);
    const float special[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 0.0f, -0.0f};
    GpuFrame f(is16f, pitch, rows);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < pitch; ++x) {
            float px[4];
            for (float& v : px) {
                const int which = kind(rng);
                v = which == 0 && specials ? special[rng() % 5]
                    : which < 4  ? (rng() % 2 != 0 ? 1.0f : -1.0f) * std::exp2(exponent(rng))
                                 : unit(rng);
            }
            f.Set(x, y, px);
        }
    }
    return f;
}

void CpuPixel(const Lut3D& lut, float amount, const float inBgra[4], float outBgra[4]) {
    const float in[3] = {inBgra[2], inBgra[1], inBgra[0]};
    float sampled[3];
    SampleLut(lut, in, sampled);
    outBgra[2] = BlendAmount(sampled[0], in[0], amount);
    outBgra[1] = BlendAmount(sampled[1], in[1], amount);
    outBgra[0] = BlendAmount(sampled[2], in[2], amount);
    outBgra[3] = inBgra[3];
}

}  // namespace kv::gpu::test
