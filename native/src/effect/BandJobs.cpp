#include "effect/BandJobs.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

#include "effect/BandSplitter.h"
#include "lut_engine/ByteChannel.h"

namespace kv {

namespace {

// Sampling reads whole cells without bounds checks, so a record that breaks
// the cube invariant must not reach the row operations.
void RequireCube(const Lut3D& lut) {
    const uint64_t n = lut.size >= 2 ? static_cast<uint64_t>(lut.size) : 0;
    if (n == 0 || lut.data.size() != n * n * n * 3) {
        throw std::invalid_argument("LUT without a complete cube");
    }
}

ProbeRowsParams PatternParams(int32_t n, const ProbeGeometry& geometry, const FrameView& out) {
    ProbeRowsParams p;
    p.dst = out;
    p.n = n;
    p.geometry = geometry;
    p.dstChannels = ChannelTableFor(out.channelOrder);
    return p;
}

}  // namespace

void RunLutJob32f(const Lut3D& lut, const FrameView& in, const FrameView& out, float amount) {
    RequireCube(lut);
    LutRows32fParams p;
    p.src = in;
    p.dst = out;
    p.width = std::min(in.width, out.width);
    p.srcChannels = ChannelTableFor(in.channelOrder);
    p.lut = &lut;
    p.amount = amount;
    p.dstChannels = ChannelTableFor(out.channelOrder);
    const LutRows32fFn rows = ActiveRowOps().lutRows32f;
    Split(std::min(in.height, out.height), [p, rows](int32_t first, int32_t last) { rows(p, first, last); });
}

void RunLutJob8(const Lut3D& lut, const FrameView& in, const FrameView& out, float amount) {
    RequireCube(lut);
    LutRows8Params p;
    p.src = in;
    p.dst = out;
    p.width = std::min(in.width, out.width);
    p.srcChannels = ChannelTableFor(in.channelOrder);
    p.scale = kByteScale;
    p.lut = &lut;
    p.amount = amount;
    p.dstChannels = ChannelTableFor(out.channelOrder);
    const LutRows8Fn rows = ActiveRowOps().lutRows8;
    Split(std::min(in.height, out.height), [p, rows](int32_t first, int32_t last) { rows(p, first, last); });
}

void RunPatternJob32f(int32_t n, const ProbeGeometry& geometry, const FrameView& out) {
    const ProbeRowsParams p = PatternParams(n, geometry, out);
    const ProbeRowsFn rows = ActiveRowOps().probeRows32f;
    Split(out.height, [p, rows](int32_t first, int32_t last) { rows(p, first, last); });
}

void RunPatternJob8(int32_t n, const ProbeGeometry& geometry, const FrameView& out) {
    const ProbeRowsParams p = PatternParams(n, geometry, out);
    const ProbeRowsFn rows = ActiveRowOps().probeRows8;
    Split(out.height, [p, rows](int32_t first, int32_t last) { rows(p, first, last); });
}

}  // namespace kv
