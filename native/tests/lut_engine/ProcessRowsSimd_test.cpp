// Process lists on the vector rows against the scalar rows: every step kind
// and style alone, the two lists of the speed goals, and all of them in one
// list, on every pixel format, odd widths and amounts, with awkward float
// inputs. The bytes must be the same, NaN bits included.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "TestLuts.h"
#include "TestProcessLists.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/process/PreparedSteps.h"

namespace {

kv::Lut3D ProcessLut(std::vector<kv::ProcessStep> steps) {
    kv::ProcessList list;
    list.steps = std::move(steps);
    kv::Lut3D lut;
    EXPECT_TRUE(kv::MakeProcessLut(lut, std::move(list)));
    return lut;
}

struct Frame {
    std::vector<unsigned char> bytes;
    kv::FrameView view;
};

// Rows `pad` bytes longer than their pixels and starting `offset` bytes in,
// so that no channel need be aligned; the source filled with random
// channels around 0..1 and, in float frames, the awkward values.
Frame SourceFrame(const kv::PixelFormat& f, int32_t width, int32_t height, int32_t offset, uint32_t seed) {
    Frame fr;
    const int32_t rowBytes = f.pixelBytes * width + 3;
    fr.bytes.assign(static_cast<size_t>(rowBytes) * height + offset, 0);
    fr.view = kv::FrameView{fr.bytes.data() + offset, width, height, rowBytes, f.channelOrder};
    const float inf = std::numeric_limits<float>::infinity();
    const float awkward[] = {std::numeric_limits<float>::quiet_NaN(), std::bit_cast<float>(0xFFC12345u), inf, -inf,
                             0.0f, -0.0f, 1e-40f, -1.0f, 1.0f, 2.0f, 65504.0f, 65520.0f, 1e30f, 6.1e-5f};
    std::mt19937 gen(seed);
    kvtest::FloatSource src(seed);
    for (int32_t y = 0; y < height; ++y) {
        unsigned char* row = kv::RowPointer(fr.view, y);
        for (int32_t i = 0; i < f.pixelBytes * width; ++i) row[i] = static_cast<unsigned char>(gen());
        if (f.depth != kv::ChannelDepth::k32f) continue;
        for (int32_t i = 0; i < 4 * width; ++i) {
            const float v = gen() % 5 == 0 ? awkward[gen() % std::size(awkward)] : src.Next(-0.25f, 1.25f);
            std::memcpy(row + 4 * i, &v, 4);
        }
    }
    return fr;
}

::testing::AssertionResult SameBytes(const std::vector<unsigned char>& want, const std::vector<unsigned char>& got) {
    for (size_t i = 0; i < want.size(); ++i) {
        if (want[i] != got[i]) {
            return ::testing::AssertionFailure() << "byte " << i << ": scalar " << int{want[i]} << ", vector "
                                                 << int{got[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(ProcessRowsSimd, VectorRowsGiveTheScalarBitsForEveryStepAndFormat) {
    if (kv::DetectedRowLevel() < kv::RowLevel::kAvx2) GTEST_SKIP() << "no AVX2 here";
    std::vector<std::pair<std::string, kv::Lut3D>> luts;
    std::vector<kv::ProcessStep> everything;
    for (const kvtest::NamedStep& s : kvtest::EveryStepKind()) {
        luts.emplace_back(s.name, ProcessLut({s.step}));
        everything.push_back(s.step);
    }
    luts.emplace_back("log and matrix", ProcessLut(kvtest::LogMatrixList().steps));
    luts.emplace_back("five steps", ProcessLut(kvtest::FiveStepList().steps));
    luts.emplace_back("every step in one list", ProcessLut(everything));
    const float amounts[] = {1.0f, 0.5f, 0.0f, std::numeric_limits<float>::quiet_NaN()};
    uint32_t seed = 77;
    for (const auto& [name, lut] : luts) {
        for (const kv::PixelFormat* format : kv::AllPixelFormats()) {
            // 1030: rows wide enough that the float rows stream their writes.
            const bool wide = name == "five steps" || name == "log and matrix";
            for (const int32_t width : {1, 8, 13, 67, wide ? 1030 : 1}) {
                const Frame src = SourceFrame(*format, width, 3, width % 3, ++seed);
                for (const float amount : amounts) {
                    SCOPED_TRACE(::testing::Message() << name << ", " << format->name << ", width " << width
                                                      << ", amount " << amount);
                    kv::LutRowsParams p;
                    p.src = src.view;
                    p.width = width;
                    p.srcChannels = p.dstChannels = kv::ChannelTableFor(format->channelOrder);
                    p.scale = format->codeScale;
                    p.lut = &lut;
                    p.amount = amount;
                    Frame want = SourceFrame(*format, width, 3, 1, 5);
                    Frame got = want;
                    p.dst = want.view;
                    kv::RowOpsAt(*format, kv::RowLevel::kScalar).applyLut(p, 0, 3);
                    p.dst.data = got.bytes.data() + 1;
                    kv::RowOpsAt(*format, kv::RowLevel::kAvx2).applyLut(p, 0, 3);
                    ASSERT_TRUE(SameBytes(want.bytes, got.bytes));
                }
            }
        }
    }
}

}  // namespace
