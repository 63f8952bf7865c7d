#include "effect/RenderFrame.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string>

#include "effect/BandJobs.h"
#include "host_link/HostBytes.h"
#include "host_link/LutCache.h"
#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/ProbePattern.h"
#include "panel_link/Log.h"

namespace kv {

namespace {

FrameView ViewOf(const PF_LayerDef& world, const PixelFormat& format) {
    FrameView view;
    if (world.data == nullptr) {
        return view;  // no pixels: an empty frame
    }
    view.data = static_cast<unsigned char*>(world.data);
    view.width = std::max<int32_t>(world.width, 0);
    view.height = std::max<int32_t>(world.height, 0);
    view.rowBytes = world.rowbytes;
    view.channelOrder = format.channelOrder;
    return view;
}

struct ChannelStats {
    double min[3] = {1e9, 1e9, 1e9};
    double mean[3] = {0.0, 0.0, 0.0};
    double max[3] = {-1e9, -1e9, -1e9};
};

// Minimum, mean and maximum of red, green and blue over a sparse grid of
// about 36 x 64 samples laid over `grid` (layer positions); the samples that
// fall inside the input, whose pixel (0, 0) lies at (inX, inY), are read.
ChannelStats InputStats(const FrameView& in, const PixelFormat& format, const PF_LRect& grid, int64_t inX,
                        int64_t inY) {
    ChannelStats stats;
    const ChannelTable channels = ChannelTableFor(format.channelOrder);
    const int32_t positions[3] = {channels.r, channels.g, channels.b};
    const int64_t gridWidth = static_cast<int64_t>(grid.right) - grid.left;
    const int64_t gridHeight = static_cast<int64_t>(grid.bottom) - grid.top;
    const int64_t rowStep = std::max<int64_t>(1, gridHeight / 36);
    const int64_t columnStep = std::max<int64_t>(1, gridWidth / 64);
    double sum[3] = {0.0, 0.0, 0.0};
    long long count = 0;
    for (int64_t y = grid.top; y < grid.bottom; y += rowStep) {
        const int64_t inRow = y - inY;
        if (inRow < 0 || inRow >= in.height) {
            continue;
        }
        const unsigned char* row = RowPointer(in, static_cast<int32_t>(inRow));
        for (int64_t x = grid.left; x < grid.right; x += columnStep) {
            const int64_t inColumn = x - inX;
            if (inColumn < 0 || inColumn >= in.width) {
                continue;
            }
            const unsigned char* pixel = row + static_cast<ptrdiff_t>(inColumn) * format.pixelBytes;
            for (int c = 0; c < 3; ++c) {
                const double v = format.readChannel(pixel, positions[c]);
                stats.min[c] = std::min(stats.min[c], v);
                stats.max[c] = std::max(stats.max[c], v);
                sum[c] += v;
            }
            ++count;
        }
    }
    // An empty input has no samples; its mean is shown as 0 rather than NaN.
    const double scale = count > 0 ? 1.0 / static_cast<double>(count) : 0.0;
    for (int c = 0; c < 3; ++c) {
        stats.mean[c] = sum[c] * scale;
    }
    return stats;
}

// The last render line logged by any render in the process, so that a
// steady stream of identical frames logs once.
struct RenderLog {
    std::mutex mutex;
    std::string lastLine;
};

RenderLog& TheRenderLog() {
    static RenderLog log;
    return log;
}

void LogIfChanged(const char* line, const FrameView& in, const PixelFormat& format, const FramePlacement& placement) {
    RenderLog& log = TheRenderLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    if (log.lastLine == line) {
        return;
    }
    log.lastLine = line;
    const ChannelStats s = InputStats(in, format, placement.sampled, placement.inputX, placement.inputY);
    LogPrintf("%s in r %.3f/%.3f/%.3f g %.3f/%.3f/%.3f b %.3f/%.3f/%.3f", line, s.min[0], s.mean[0], s.max[0],
              s.min[1], s.mean[1], s.max[1], s.min[2], s.mean[2], s.max[2]);
}

void CopyOverlap(const FrameView& in, const FrameView& out, int32_t pixelBytes) {
    const int32_t rows = std::min(in.height, out.height);
    const int32_t width = std::min(in.width, out.width);
    if (rows <= 0 || width <= 0) {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(pixelBytes);
    for (int32_t y = 0; y < rows; ++y) {
        std::memcpy(RowPointer(out, y), RowPointer(in, y), rowBytes);
    }
}

// The part of `view` from column x, row y on, `width` x `height` pixels.
FrameView PartOf(const FrameView& view, int64_t x, int64_t y, int32_t width, int32_t height, int32_t pixelBytes) {
    FrameView part = view;
    part.data = RowPointer(view, static_cast<int32_t>(y)) + static_cast<ptrdiff_t>(x) * pixelBytes;
    part.width = width;
    part.height = height;
    return part;
}

// The pixels the input and the output both cover, as two views of the same
// size; empty views when they do not meet.
void OverlapInLayer(const FrameView& in, const FrameView& out, const FramePlacement& placement,
                    int32_t pixelBytes, FrameView& inPart, FrameView& outPart) {
    const int64_t inX = placement.inputX, inY = placement.inputY;
    const int64_t outX = placement.outputX, outY = placement.outputY;
    const int64_t left = std::max(inX, outX);
    const int64_t top = std::max(inY, outY);
    const int64_t right = std::min(inX + in.width, outX + out.width);
    const int64_t bottom = std::min(inY + in.height, outY + out.height);
    inPart = FrameView{};
    outPart = FrameView{};
    if (right <= left || bottom <= top) {
        return;
    }
    // Both spans lie inside a world, so they fit in 32 bits.
    const auto width = static_cast<int32_t>(right - left);
    const auto height = static_cast<int32_t>(bottom - top);
    inPart = PartOf(in, left - inX, top - inY, width, height, pixelBytes);
    outPart = PartOf(out, left - outX, top - outY, width, height, pixelBytes);
}

// One axis of the pattern's area moved by `shift` pixels (area [a0, a1) of
// the layer becomes [a0 - shift, a1 - shift) of a world `extent` pixels long
// that starts `shift` pixels into the layer). False when the moved area does
// not fit in 32 bits although the world meets it; a world that does not meet
// it gets an area before its first pixel, so that it is all black.
bool ShiftSpan(int32_t& a0, int32_t& a1, int64_t shift, int32_t extent) {
    const int64_t b0 = static_cast<int64_t>(a0) - shift;
    const int64_t b1 = static_cast<int64_t>(a1) - shift;
    const int64_t lowest = std::numeric_limits<int32_t>::min();
    const int64_t highest = std::numeric_limits<int32_t>::max();
    if (b0 >= lowest && b1 <= highest) {
        a0 = static_cast<int32_t>(b0);
        a1 = static_cast<int32_t>(b1);
        return true;
    }
    if (b1 <= 0 || b0 >= extent) {
        a0 = -2;
        a1 = -1;
        return true;
    }
    return false;
}

}  // namespace

// The handle stays locked only for the lookup, and is unlocked even when the
// lookup throws.
std::shared_ptr<const Lut3D> LutOfParam(const PF_InData* in_data, const PF_ParamDef& param) {
    const HostBytes bytes = HostBytes::LockHandle(in_data, param.u.arb_d.value);
    std::string error;
    std::shared_ptr<const Lut3D> lut = GetLutForParam(bytes.Data(), bytes.Size(), &error);
    if (lut == nullptr && !error.empty()) {
        LogPrintf("Embedded LUT: %s", error.c_str());
    }
    return lut;
}


// The pattern of the whole layer as the output world sees it: the same
// geometry moved by the output's place in the layer. Patch rows and columns
// depend only on the distance from the area's start, so every output pixel
// gets the colour of its layer position, bit for bit, by the same row
// operations that draw a whole frame.
bool PatternGeometryInWorld(const Lut3D& lut, const FramePlacement& placement, int32_t width, int32_t height,
                            ProbeGeometry& geometry) {
    const PF_LRect& layer = placement.layer;
    geometry = ProbeGeometryFor(lut, layer.right - layer.left, layer.bottom - layer.top);
    const int64_t dx = static_cast<int64_t>(placement.outputX) - layer.left;
    const int64_t dy = static_cast<int64_t>(placement.outputY) - layer.top;
    return ShiftSpan(geometry.probeX0, geometry.probeX1, dx, width) &&
           ShiftSpan(geometry.probeY0, geometry.probeY1, dy, height);
}

const char* LutSourceName(LutSource source) {
    switch (source) {
        case LutSource::Pattern:
            return "pattern";
        case LutSource::Embedded:
            return "embedded";
        case LutSource::None:
        default:
            return "none";
    }
}

FramePlacement WholeLayerPlacement(const PF_LayerDef& input, const PF_LayerDef& output) {
    FramePlacement placement;
    placement.layer = PF_LRect{0, 0, std::max<A_long>(output.width, 0), std::max<A_long>(output.height, 0)};
    placement.sampled = PF_LRect{0, 0, std::max<A_long>(input.width, 0), std::max<A_long>(input.height, 0)};
    placement.lineRowBytes = output.rowbytes;
    return placement;
}

PF_Err RenderFrame(const PF_InData* in_data, float amount, const PF_ParamDef& lutParam, const PixelFormat& format,
                   const PF_LayerDef& input, const PF_LayerDef& output, const FramePlacement& placement) {
    const std::shared_ptr<const Lut3D> lut = LutOfParam(in_data, lutParam);
    LutSource source = LutSource::None;
    int32_t lutSize = 0;
    if (lut != nullptr && lut->probe != 0) {
        source = LutSource::Pattern;
        lutSize = lut->probe;
    } else if (lut != nullptr) {
        source = LutSource::Embedded;
        lutSize = lut->size;
    }

    const FrameView in = ViewOf(input, format);
    const FrameView out = ViewOf(output, format);
    ProbeGeometry geometry;
    if (source == LutSource::Pattern && !PatternGeometryInWorld(*lut, placement, out.width, out.height, geometry)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }

    // The layer's size, not the world's: the tiles of one frame share a line.
    const PF_LRect& layer = placement.layer;
    char line[200];
    std::snprintf(line, sizeof line, "Render fmt=%s %dx%d rowbytes=%ld id=%ld amount=%.3f lut=%s %d", format.name,
                  static_cast<int>(layer.right - layer.left), static_cast<int>(layer.bottom - layer.top),
                  static_cast<long>(placement.lineRowBytes), static_cast<long>(lut != nullptr ? lut->id : 0),
                  static_cast<double>(amount), LutSourceName(source), static_cast<int>(lutSize));
    LogIfChanged(line, in, format, placement);

    if (source == LutSource::Pattern) {
        RunPatternJob(format, lut->probe, geometry, out);
        return PF_Err_NONE;
    }
    FrameView inPart, outPart;
    OverlapInLayer(in, out, placement, format.pixelBytes, inPart, outPart);
    if (source == LutSource::Embedded && amount > 0.0f) {
        RunLutJob(format, *lut, inPart, outPart, amount);
    } else {
        CopyOverlap(inPart, outPart, format.pixelBytes);
    }
    return PF_Err_NONE;
}

}  // namespace kv
