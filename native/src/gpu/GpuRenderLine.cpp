#include "gpu/GpuRenderLine.h"

#include "lut_engine/process/PreparedSteps.h"

#include <charconv>
#include <cstdio>
#include <mutex>
#include <string>

#include "gpu/GpuFramework.h"
#include "panel_link/Log.h"

namespace kv::gpu {

namespace {

struct LastLine {
    std::mutex mutex;  // never held together with a device mutex
    std::string text;
};

LastLine& Last() {
    static LastLine last;
    return last;
}

}  // namespace

void LogRenderLine(RenderHost host, GpuFramework framework, const GpuFrames& frames, float amount,
                   const Lut3D* lut) {
    int lutValue = 0;
    // " pattern", or the 1D stage's size where the LUT has one: "lut=33 1D=4096"
    // (and "lut=0 1D=4096" for a 1D-only LUT), or a process list's step
    // count ("lut=0 steps=5"); nothing for a cube alone.
    char suffix[32] = {};
    if (lut != nullptr && lut->probe > 0) {
        lutValue = lut->probe;
        std::snprintf(suffix, sizeof suffix, " pattern");
    } else if (lut != nullptr) {
        lutValue = lut->size;
        if (lut->shaperSize > 0) {
            std::snprintf(suffix, sizeof suffix, " 1D=%d", static_cast<int>(lut->shaperSize));
        } else if (lut->steps != nullptr) {
            std::snprintf(suffix, sizeof suffix, " steps=%d", static_cast<int>(lut->steps->records.size()));
        }
    }

    // Three decimals, always with a '.', whatever locale the host set.
    char amountText[64] = {};
    const auto converted = std::to_chars(amountText, amountText + sizeof amountText - 1,
                                         static_cast<double>(amount), std::chars_format::fixed, 3);
    *converted.ptr = '\0';

    char line[240];
    std::snprintf(line, sizeof line, "GPU Render %s fmt=%s %dx%d %s rowbytes=%ld/%ld amount=%s lut=%d%s%s",
                  FrameworkName(framework), frames.is32f ? "32f" : "16f", frames.width, frames.height,
                  frames.InPlace() ? "in-place" : "src->dst", static_cast<long>(frames.srcRowBytes),
                  static_cast<long>(frames.dstRowBytes), amountText, lutValue, suffix,
                  host == RenderHost::Compositing ? " host=AE" : "");

    LastLine& last = Last();
    std::lock_guard<std::mutex> lock(last.mutex);
    if (last.text == line) {
        return;
    }
    last.text = line;
    LogPrintf("%s", line);
}

void ResetGpuRenderLineForTesting() {
    LastLine& last = Last();
    std::lock_guard<std::mutex> lock(last.mutex);
    last.text.clear();
}

}  // namespace kv::gpu
