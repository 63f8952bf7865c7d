#include "lut_engine/LutRows.h"

#include <cstddef>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/LutSampling.h"

namespace kv {

void ApplyLutRows32f(const LutRowsParams& p, int32_t y0, int32_t y1) {
    const Lut3D& lut = *p.lut;
    const ChannelTable& s = p.srcChannels;
    const ChannelTable& d = p.dstChannels;
    for (int32_t y = y0; y < y1; ++y) {
        const float* src = reinterpret_cast<const float*>(RowPointer(p.src, y));
        float* dst = reinterpret_cast<float*>(RowPointer(p.dst, y));
        for (int32_t x = 0; x < p.width; ++x) {
            const float* sp = src + 4 * static_cast<std::ptrdiff_t>(x);
            float* dp = dst + 4 * static_cast<std::ptrdiff_t>(x);
            const float in[3] = {sp[s.r], sp[s.g], sp[s.b]};
            const float alpha = sp[s.a];
            float out[3];
            sampleTetra(lut, in, out);
            dp[d.r] = BlendAmount(out[0], in[0], p.amount);
            dp[d.g] = BlendAmount(out[1], in[1], p.amount);
            dp[d.b] = BlendAmount(out[2], in[2], p.amount);
            dp[d.a] = alpha;
        }
    }
}

void ApplyLutRows8(const LutRowsParams& p, int32_t y0, int32_t y1) {
    const Lut3D& lut = *p.lut;
    const ChannelTable& s = p.srcChannels;
    const ChannelTable& d = p.dstChannels;
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* src = RowPointer(p.src, y);
        uint8_t* dst = RowPointer(p.dst, y);
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* sp = src + 4 * static_cast<std::ptrdiff_t>(x);
            uint8_t* dp = dst + 4 * static_cast<std::ptrdiff_t>(x);
            // Read the whole pixel before writing, so that a band run in
            // place still sees its own input.
            const float in[3] = {static_cast<float>(sp[s.r]) * p.scale,
                                 static_cast<float>(sp[s.g]) * p.scale,
                                 static_cast<float>(sp[s.b]) * p.scale};
            const uint8_t alpha = sp[s.a];
            float out[3];
            sampleTetra(lut, in, out);
            dp[d.r] = ByteFromUnit(BlendAmount(out[0], in[0], p.amount));
            dp[d.g] = ByteFromUnit(BlendAmount(out[1], in[1], p.amount));
            dp[d.b] = ByteFromUnit(BlendAmount(out[2], in[2], p.amount));
            dp[d.a] = alpha;
        }
    }
}

void ApplyLutRows16(const LutRowsParams& p, int32_t y0, int32_t y1) {
    const Lut3D& lut = *p.lut;
    const ChannelTable& s = p.srcChannels;
    const ChannelTable& d = p.dstChannels;
    for (int32_t y = y0; y < y1; ++y) {
        const uint16_t* src = reinterpret_cast<const uint16_t*>(RowPointer(p.src, y));
        uint16_t* dst = reinterpret_cast<uint16_t*>(RowPointer(p.dst, y));
        for (int32_t x = 0; x < p.width; ++x) {
            const uint16_t* sp = src + 4 * static_cast<std::ptrdiff_t>(x);
            uint16_t* dp = dst + 4 * static_cast<std::ptrdiff_t>(x);
            // The whole pixel is read before any channel is written, as in
            // the 8-bit rows, so that a band can run in place.
            const float in[3] = {static_cast<float>(sp[s.r]) * p.scale,
                                 static_cast<float>(sp[s.g]) * p.scale,
                                 static_cast<float>(sp[s.b]) * p.scale};
            const uint16_t alpha = sp[s.a];
            float out[3];
            sampleTetra(lut, in, out);
            dp[d.r] = Code16FromUnit(BlendAmount(out[0], in[0], p.amount));
            dp[d.g] = Code16FromUnit(BlendAmount(out[1], in[1], p.amount));
            dp[d.b] = Code16FromUnit(BlendAmount(out[2], in[2], p.amount));
            dp[d.a] = alpha;
        }
    }
}

}  // namespace kv
