#include "panel_link/PickedCube.h"

#include <cmath>

#include "lut_engine/ProcessList.h"

namespace kv {

int32_t MatchIdFromCube(std::string_view bytes) {
    constexpr std::string_view kMarker = "# Kromvale match ";
    const size_t found = bytes.find(kMarker);
    if (found == std::string_view::npos) return 0;
    size_t at = found + kMarker.size();
    // atoi's white space in the "C" locale: blank, \t, \n, \v, \f, \r.
    while (at < bytes.size() && (bytes[at] == ' ' || (bytes[at] >= '\t' && bytes[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < bytes.size() && (bytes[at] == '+' || bytes[at] == '-')) negative = bytes[at++] == '-';
    // The magnitude stops growing at the first digit past the range, so it
    // never overflows however many digits follow.
    const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
    int64_t magnitude = 0;
    for (; at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (bytes[at] - '0');
        if (magnitude > limit) return 0;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

namespace {

bool IsUsableRange(const float lo[3], const float hi[3]) {
    for (int c = 0; c < 3; ++c) {
        if (!std::isfinite(lo[c]) || !std::isfinite(hi[c]) || !(lo[c] < hi[c])) return false;
        if (!std::isfinite(hi[c] - lo[c])) return false;
    }
    return true;
}

}  // namespace

bool HasUsableRanges(const Lut3D& lut) {
    // A record's unused range keeps its 0..1 default and would pass anyway;
    // it is skipped so that only what renders decides.
    if (lut.size != 0 && !IsUsableRange(lut.domainMin, lut.domainMax)) return false;
    if (lut.shaperSize != 0 && !IsUsableRange(lut.shaperMin, lut.shaperMax)) return false;
    return true;
}

std::string LutTablesText(const Lut3D& lut) {
    if (lut.process != nullptr) {
        const size_t steps = lut.process->steps.size();
        return lut.process->format + ", " + std::to_string(steps) + (steps == 1 ? " step" : " steps");
    }
    const std::string cube = std::to_string(lut.size) + "^3";
    const std::string curve = std::to_string(lut.shaperSize);
    std::string text = lut.shaperSize == 0 ? cube : lut.size == 0 ? curve : curve + " + " + cube;
    switch (lut.videoRange & (kVideoRangeIn | kVideoRangeOut)) {
        case kVideoRangeIn: return text + ", video-range input";
        case kVideoRangeOut: return text + ", video-range output";
        case kVideoRangeIn | kVideoRangeOut: return text + ", video range in and out";
        default: return text;
    }
}

}  // namespace kv
