#include "lut_engine/LutRows.h"

#include <cstddef>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/LutSampling.h"

namespace kv {

namespace {

// One loop per depth and per set of LUT stages, chosen once per band. Every
// channel is read and written through LoadChannel / StoreChannel, since row
// bytes may leave a row at any byte. The whole pixel is read before any
// channel is written, so that a band run in place still sees its own input.

template <LutStages Stages>
void Rows32f(const LutRowsParams& p, int32_t y0, int32_t y1) {
    const Lut3D& lut = *p.lut;
    const ChannelTable& s = p.srcChannels;
    const ChannelTable& d = p.dstChannels;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        for (int32_t x = 0; x < p.width; ++x) {
            const unsigned char* sp = src + 16 * static_cast<std::ptrdiff_t>(x);
            unsigned char* dp = dst + 16 * static_cast<std::ptrdiff_t>(x);
            const float in[3] = {LoadChannel<float>(sp, s.r), LoadChannel<float>(sp, s.g),
                                 LoadChannel<float>(sp, s.b)};
            const float alpha = LoadChannel<float>(sp, s.a);
            float out[3];
            SampleStages<Stages>(lut, in, out);
            StoreChannel(dp, d.r, BlendAmount(out[0], in[0], p.amount));
            StoreChannel(dp, d.g, BlendAmount(out[1], in[1], p.amount));
            StoreChannel(dp, d.b, BlendAmount(out[2], in[2], p.amount));
            StoreChannel(dp, d.a, alpha);
        }
    }
}

template <LutStages Stages>
void Rows8(const LutRowsParams& p, int32_t y0, int32_t y1) {
    const Lut3D& lut = *p.lut;
    const ChannelTable& s = p.srcChannels;
    const ChannelTable& d = p.dstChannels;
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* src = RowPointer(p.src, y);
        uint8_t* dst = RowPointer(p.dst, y);
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* sp = src + 4 * static_cast<std::ptrdiff_t>(x);
            uint8_t* dp = dst + 4 * static_cast<std::ptrdiff_t>(x);
            const float in[3] = {static_cast<float>(sp[s.r]) * p.scale,
                                 static_cast<float>(sp[s.g]) * p.scale,
                                 static_cast<float>(sp[s.b]) * p.scale};
            const uint8_t alpha = sp[s.a];
            float out[3];
            SampleStages<Stages>(lut, in, out);
            dp[d.r] = ByteFromUnit(BlendAmount(out[0], in[0], p.amount));
            dp[d.g] = ByteFromUnit(BlendAmount(out[1], in[1], p.amount));
            dp[d.b] = ByteFromUnit(BlendAmount(out[2], in[2], p.amount));
            dp[d.a] = alpha;
        }
    }
}

template <LutStages Stages>
void Rows16(const LutRowsParams& p, int32_t y0, int32_t y1) {
    const Lut3D& lut = *p.lut;
    const ChannelTable& s = p.srcChannels;
    const ChannelTable& d = p.dstChannels;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        for (int32_t x = 0; x < p.width; ++x) {
            const unsigned char* sp = src + 8 * static_cast<std::ptrdiff_t>(x);
            unsigned char* dp = dst + 8 * static_cast<std::ptrdiff_t>(x);
            const float in[3] = {static_cast<float>(LoadChannel<uint16_t>(sp, s.r)) * p.scale,
                                 static_cast<float>(LoadChannel<uint16_t>(sp, s.g)) * p.scale,
                                 static_cast<float>(LoadChannel<uint16_t>(sp, s.b)) * p.scale};
            const uint16_t alpha = LoadChannel<uint16_t>(sp, s.a);
            float out[3];
            SampleStages<Stages>(lut, in, out);
            StoreChannel(dp, d.r, Code16FromUnit(BlendAmount(out[0], in[0], p.amount)));
            StoreChannel(dp, d.g, Code16FromUnit(BlendAmount(out[1], in[1], p.amount)));
            StoreChannel(dp, d.b, Code16FromUnit(BlendAmount(out[2], in[2], p.amount)));
            StoreChannel(dp, d.a, alpha);
        }
    }
}

}  // namespace

void ApplyLutRows32f(const LutRowsParams& p, int32_t y0, int32_t y1) {
    WithStagesOf(*p.lut, [&](auto stages) { Rows32f<decltype(stages)::value>(p, y0, y1); });
}

void ApplyLutRows8(const LutRowsParams& p, int32_t y0, int32_t y1) {
    WithStagesOf(*p.lut, [&](auto stages) { Rows8<decltype(stages)::value>(p, y0, y1); });
}

void ApplyLutRows16(const LutRowsParams& p, int32_t y0, int32_t y1) {
    WithStagesOf(*p.lut, [&](auto stages) { Rows16<decltype(stages)::value>(p, y0, y1); });
}

}  // namespace kv
