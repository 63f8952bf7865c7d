#include "effect/RenderFrame.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "effect/BandJobs.h"
#include "effect/HostBytes.h"
#include "effect/LutCache.h"
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

// The LUT stored in the "LUT" parameter. The handle stays locked only for the
// lookup, and is unlocked even when the lookup throws.
std::shared_ptr<const Lut3D> LutOfParam(const PF_InData* in_data, const PF_ParamDef& param) {
    const HostBytes bytes = HostBytes::LockHandle(in_data, param.u.arb_d.value);
    std::string error;
    std::shared_ptr<const Lut3D> lut = GetLutForParam(bytes.Data(), bytes.Size(), &error);
    if (lut == nullptr && !error.empty()) {
        LogPrintf("Embedded LUT: %s", error.c_str());
    }
    return lut;
}

struct ChannelStats {
    double min[3] = {1e9, 1e9, 1e9};
    double mean[3] = {0.0, 0.0, 0.0};
    double max[3] = {-1e9, -1e9, -1e9};
};

// Minimum, mean and maximum of red, green and blue over a sparse grid of
// about 36 x 64 input samples.
ChannelStats InputStats(const FrameView& in, const PixelFormat& format) {
    ChannelStats stats;
    const ChannelTable channels = ChannelTableFor(format.channelOrder);
    const int32_t positions[3] = {channels.r, channels.g, channels.b};
    const int32_t rowStep = std::max(1, in.height / 36);
    const int32_t columnStep = std::max(1, in.width / 64);
    double sum[3] = {0.0, 0.0, 0.0};
    long long count = 0;
    for (int32_t y = 0; y < in.height; y += rowStep) {
        const unsigned char* row = RowPointer(in, y);
        for (int32_t x = 0; x < in.width; x += columnStep) {
            const unsigned char* pixel = row + static_cast<ptrdiff_t>(x) * format.pixelBytes;
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

void LogIfChanged(const char* line, const FrameView& in, const PixelFormat& format) {
    RenderLog& log = TheRenderLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    if (log.lastLine == line) {
        return;
    }
    log.lastLine = line;
    const ChannelStats s = InputStats(in, format);
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

}  // namespace

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

void RenderFrame(const PF_InData* in_data, float amount, const PF_ParamDef& lutParam, const PixelFormat& format,
                 const PF_LayerDef& input, const PF_LayerDef& output) {
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

    char line[200];
    std::snprintf(line, sizeof line, "Render fmt=%s %dx%d rowbytes=%ld id=%ld amount=%.3f lut=%s %d", format.name,
                  static_cast<int>(output.width), static_cast<int>(output.height),
                  static_cast<long>(output.rowbytes), static_cast<long>(lut != nullptr ? lut->id : 0),
                  static_cast<double>(amount), LutSourceName(source), static_cast<int>(lutSize));

    const FrameView in = ViewOf(input, format);
    const FrameView out = ViewOf(output, format);
    LogIfChanged(line, in, format);

    if (source == LutSource::Pattern) {
        RunPatternJob(format, lut->probe, ProbeGeometryFor(*lut, out.width, out.height), out);
    } else if (source == LutSource::Embedded && amount > 0.0f) {
        RunLutJob(format, *lut, in, out, amount);
    } else {
        CopyOverlap(in, out, format.pixelBytes);
    }
}

}  // namespace kv
