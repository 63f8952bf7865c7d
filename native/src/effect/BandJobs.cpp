#include "effect/BandJobs.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

#include "effect/BandSplitter.h"

namespace kv {

namespace {

// A record with no table, or with a table that breaks its invariant, must
// not reach the row operations: they read cells and curve entries without
// bounds checks.
void RequireTables(const Lut3D& lut) {
    if (!lut.HasCompleteTables()) {
        throw std::invalid_argument("LUT without complete tables");
    }
}

}  // namespace

void RunLutJob(const PixelFormat& format, const Lut3D& lut, const FrameView& in, const FrameView& out,
               float amount) {
    RequireTables(lut);
    LutRowsParams p;
    p.src = in;
    p.dst = out;
    p.width = std::min(in.width, out.width);
    p.srcChannels = ChannelTableFor(in.channelOrder);
    p.scale = format.codeScale;
    p.lut = &lut;
    p.amount = amount;
    p.dstChannels = ChannelTableFor(out.channelOrder);
    const LutRowsFn rows = ActiveRowOps(format).applyLut;
    Split(std::min(in.height, out.height), [p, rows](int32_t first, int32_t last) { rows(p, first, last); });
}

void RunPatternJob(const PixelFormat& format, int32_t n, const ProbeGeometry& geometry, const FrameView& out) {
    ProbeRowsParams p;
    p.dst = out;
    p.n = n;
    p.geometry = geometry;
    p.dstChannels = ChannelTableFor(out.channelOrder);
    const ProbeRowsFn rows = ActiveRowOps(format).drawProbe;
    Split(out.height, [p, rows](int32_t first, int32_t last) { rows(p, first, last); });
}

}  // namespace kv
