// AVX2 rows for process lists: eight pixels at a time through the very step
// body the scalar rows run (process/StepBody.h on AVX2 lanes), so they give
// the scalar rows' bits. Pixels come in and go out through the scalar
// channel reads and writes, eight at a time, so every depth, channel order
// and alignment reads and rounds exactly as the scalar rows do; the steps,
// which cost far more, run on all eight at once.

#include "lut_engine/simd/LutRowsAvx2.h"

#include <cstddef>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/FrameView.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/process/PreparedSteps.h"
#include "lut_engine/simd/Avx2Lanes.h"

namespace kv::avx2 {
#include "lut_engine/process/StepMath.h"
#include "lut_engine/process/StepBody.h"
}  // namespace kv::avx2

namespace kv {

namespace {

constexpr int32_t kLanes = 8;

struct FloatPixels {
    using Channel = float;
    static float Read(const unsigned char* pixel, int32_t position, float) {
        return LoadChannel<float>(pixel, position);
    }
    static void Write(unsigned char* pixel, int32_t position, float v) { StoreChannel(pixel, position, v); }
};

struct BytePixels {
    using Channel = uint8_t;
    static float Read(const unsigned char* pixel, int32_t position, float scale) {
        return static_cast<float>(pixel[position]) * scale;
    }
    static void Write(unsigned char* pixel, int32_t position, float v) { pixel[position] = ByteFromUnit(v); }
};

struct Code16Pixels {
    using Channel = uint16_t;
    static float Read(const unsigned char* pixel, int32_t position, float scale) {
        return static_cast<float>(LoadChannel<uint16_t>(pixel, position)) * scale;
    }
    static void Write(unsigned char* pixel, int32_t position, float v) {
        StoreChannel(pixel, position, Code16FromUnit(v));
    }
};

// Up to eight pixels from x: their channels in, the steps and the blend on
// all eight lanes, the results out. Lanes past `count` hold zeros and are
// not written.
template <class Pixels>
KV_AVX2_INLINE void Block(const LutRowsParams& p, const PreparedSteps& steps, const unsigned char* src,
                          unsigned char* dst, int32_t count) {
    using Channel = typename Pixels::Channel;
    constexpr std::ptrdiff_t kPixelBytes = 4 * sizeof(Channel);
    alignas(32) float in[3][kLanes] = {};
    Channel alpha[kLanes];
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char* sp = src + kPixelBytes * i;
        in[0][i] = Pixels::Read(sp, p.srcChannels.r, p.scale);
        in[1][i] = Pixels::Read(sp, p.srcChannels.g, p.scale);
        in[2][i] = Pixels::Read(sp, p.srcChannels.b, p.scale);
        alpha[i] = LoadChannel<Channel>(sp, p.srcChannels.a);
    }
    avx2::F8 c[3];
    for (int k = 0; k < 3; ++k) c[k] = avx2::F8(_mm256_load_ps(in[k]));
    avx2::kvApplySteps(steps.records.data(), static_cast<int>(steps.records.size()), steps.tables.data(), c);
    alignas(32) float out[3][kLanes];
    const avx2::F8 amount(p.amount);
    for (int k = 0; k < 3; ++k) {
        const avx2::F8 input(_mm256_load_ps(in[k]));
        // BlendAmount, then CanonicalNaN, on every lane.
        avx2::F8 blended = (c[k] - input) * amount + input;
        blended = avx2::kvSelect(blended == blended, blended, avx2::kvAsFloat(avx2::kvInt(0x7FC00000)));
        _mm256_store_ps(out[k], blended.v);
    }
    for (int32_t i = 0; i < count; ++i) {
        unsigned char* dp = dst + kPixelBytes * i;
        Pixels::Write(dp, p.dstChannels.r, out[0][i]);
        Pixels::Write(dp, p.dstChannels.g, out[1][i]);
        Pixels::Write(dp, p.dstChannels.b, out[2][i]);
        StoreChannel(dp, p.dstChannels.a, alpha[i]);
    }
}

template <class Pixels>
KV_AVX2 void ProcessRows(const LutRowsParams& p, int32_t y0, int32_t y1) {
    constexpr std::ptrdiff_t kPixelBytes = 4 * sizeof(typename Pixels::Channel);
    const PreparedSteps& steps = *p.lut->steps;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        for (int32_t x = 0; x < p.width; x += kLanes) {
            const int32_t count = p.width - x < kLanes ? p.width - x : kLanes;
            Block<Pixels>(p, steps, src + kPixelBytes * x, dst + kPixelBytes * x, count);
        }
    }
}

}  // namespace

void ApplyProcessRows32fAvx2(const LutRowsParams& p, int32_t y0, int32_t y1) { ProcessRows<FloatPixels>(p, y0, y1); }

void ApplyProcessRows8Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) { ProcessRows<BytePixels>(p, y0, y1); }

void ApplyProcessRows16Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    ProcessRows<Code16Pixels>(p, y0, y1);
}

}  // namespace kv
