#include "gpu/GpuRenderLine.h"

#include <charconv>
#include <cstdio>
#include <mutex>
#include <string>

#include "gpu/GpuFramework.h"
#include "panel_link/Log.h"

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

void LogRenderLine(const GpuRenderLineInfo& info) {
    int lutValue = 0;
    const char* suffix = "";
    if (info.lut != nullptr && info.lut->probe > 0) {
        lutValue = info.lut->probe;
        suffix = " pattern";
    } else if (info.lut != nullptr) {
        lutValue = info.lut->size;
    }

    // Three decimals, always with a '.', whatever locale the host set.
    char amount[64] = {};
    const auto converted = std::to_chars(amount, amount + sizeof amount - 1,
                                         static_cast<double>(info.amount), std::chars_format::fixed, 3);
    *converted.ptr = '\0';

    char line[240];
    std::snprintf(line, sizeof line, "GPU Render %s fmt=%s %dx%d %s rowbytes=%ld/%ld amount=%s lut=%d%s",
                  FrameworkName(info.framework), info.is32f ? "32f" : "16f", info.width, info.height,
                  info.inPlace ? "in-place" : "src->dst", static_cast<long>(info.srcRowBytes),
                  static_cast<long>(info.dstRowBytes), amount, lutValue, suffix);

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
