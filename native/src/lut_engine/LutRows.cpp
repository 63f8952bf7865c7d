#include "lut_engine/LutRows.h"

#include <cstddef>

#include "lut_engine/LutSampling.h"
#include "lut_engine/PixelChannels.h"

namespace kv {

namespace {

// One loop per depth and per set of LUT stages, chosen once per band. The
// whole pixel is read before any channel is written, so that a band run in
// place still sees its own input; alpha is copied as it is. Every result is
// written as CanonicalNaN gives it (only a float channel can hold a NaN).
template <LutStages Stages, class Channels>
void Rows(const LutRowsParams& p, int32_t y0, int32_t y1) {
    using Channel = typename Channels::Channel;
    constexpr std::ptrdiff_t kPixelBytes = 4 * sizeof(Channel);
    const Lut3D& lut = *p.lut;
    const ChannelTable& s = p.srcChannels;
    const ChannelTable& d = p.dstChannels;
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        for (int32_t x = 0; x < p.width; ++x) {
            const unsigned char* sp = src + kPixelBytes * x;
            unsigned char* dp = dst + kPixelBytes * x;
            const float in[3] = {Channels::Read(sp, s.r, p.scale), Channels::Read(sp, s.g, p.scale),
                                 Channels::Read(sp, s.b, p.scale)};
            const auto alpha = LoadChannel<Channel>(sp, s.a);
            float out[3];
            SampleStages<Stages>(lut, in, out);
            Channels::Write(dp, d.r, CanonicalNaN(BlendAmount(out[0], in[0], p.amount)));
            Channels::Write(dp, d.g, CanonicalNaN(BlendAmount(out[1], in[1], p.amount)));
            Channels::Write(dp, d.b, CanonicalNaN(BlendAmount(out[2], in[2], p.amount)));
            StoreChannel(dp, d.a, alpha);
        }
    }
}

template <class Channels>
void ApplyRows(const LutRowsParams& p, int32_t y0, int32_t y1) {
    WithStagesOf(*p.lut, [&](auto stages) { Rows<decltype(stages)::value, Channels>(p, y0, y1); });
}

}  // namespace

void ApplyLutRows32f(const LutRowsParams& p, int32_t y0, int32_t y1) { ApplyRows<FloatChannels>(p, y0, y1); }

void ApplyLutRows8(const LutRowsParams& p, int32_t y0, int32_t y1) { ApplyRows<ByteChannels>(p, y0, y1); }

void ApplyLutRows16(const LutRowsParams& p, int32_t y0, int32_t y1) { ApplyRows<Code16Channels>(p, y0, y1); }

}  // namespace kv
