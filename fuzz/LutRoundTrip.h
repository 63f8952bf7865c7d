#pragma once
// Checks shared by the fuzz targets of the LUT readers: a LUT they produce
// keeps the record's invariants, and LUT text carries it within the storage
// bound.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "lut_engine/LutText.h"
#include "lut_engine/TableValue.h"
#include "lut_engine/VideoRange.h"

namespace kvfuzz {

inline void Check(bool ok) {
    if (!ok) __builtin_trap();
}

inline uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// The precision every stored table keeps: within max(2^-17, 2^-11 |v|) of
// the value as a file reader gives it (FiniteTableValue), or, where
// `spanAllowance` is set (a unit cube whose values span at most one unit,
// which may keep the original form's one 16-bit scale), within half that
// scale's step plus the rounding of decoding it.
inline void CheckStored(const std::vector<float>& back, const std::vector<float>& written, bool unitCube) {
    Check(back.size() == written.size());
    double lo = 0.0, hi = 0.0;
    for (size_t i = 0; i < written.size(); ++i) {
        const double v = kv::FiniteTableValue(written[i]);
        lo = i == 0 ? v : std::fmin(lo, v);
        hi = i == 0 ? v : std::fmax(hi, v);
    }
    const double span = hi - lo;
    for (size_t i = 0; i < written.size(); ++i) {
        const double v = kv::FiniteTableValue(written[i]);
        Check(std::isfinite(back[i]));
        double bound = std::fmax(std::ldexp(1.0, -17), std::ldexp(std::fabs(v), -11));
        if (unitCube && span <= 1.0) bound = std::fmax(bound, span / 131070.0 + std::ldexp(std::fabs(v) + span, -22));
        Check(std::fabs(static_cast<double>(back[i]) - v) <= bound);
    }
}

// Min below max on every channel; with `finiteWidth` also the width finite
// in float (a wider range would put every input on the first entry). A file
// reader leaves that last check to its caller; LUT text must never hold one.
inline bool ValidBounds(const float* lo, const float* hi, bool finiteWidth = true) {
    for (int c = 0; c < 3; ++c) {
        if (!(lo[c] < hi[c]) || (finiteWidth && !std::isfinite(hi[c] - lo[c]))) return false;
    }
    return true;
}

inline bool AllFinite(const std::vector<float>& values) {
    for (const float v : values) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

// A LUT a reader accepted: its tables are complete, finite and its ranges
// usable. A file reader's video-range maps are folded first, as the stored
// text's reader folds them.
inline void CheckReadLut(kv::Lut3D lut, int32_t maxSize, bool finiteWidths = true) {
    if (lut.videoRange != 0) Check(kv::FoldVideoRanges(lut));
    Check(lut.HasCompleteTables());
    Check(AllFinite(lut.data) && AllFinite(lut.shaper));
    Check(lut.size == 0 || (lut.size >= 2 && lut.size <= maxSize));
    Check(lut.shaperSize == 0 || (lut.shaperSize >= 2 && lut.shaperSize <= kv::kMaxLutText1DSize));
    Check(lut.size == 0 || ValidBounds(lut.domainMin, lut.domainMax, finiteWidths));
    Check(lut.shaperSize == 0 || ValidBounds(lut.shaperMin, lut.shaperMax, finiteWidths));
}

// LUT text of a LUT whose bounds are usable: it reads back with the same
// sizes, bounds, id and name, and every value within the storage bound,
// whatever form the text takes.
// A LUT with video-range maps must read back (its tables then hold them).
inline void CheckTextRoundTrip(const kv::Lut3D& lut, int32_t id) {
    if (lut.size > kv::kMaxLutTextSize) return;
    if ((lut.size != 0 && !ValidBounds(lut.domainMin, lut.domainMax)) ||
        (lut.shaperSize != 0 && !ValidBounds(lut.shaperMin, lut.shaperMax))) {
        return;
    }
    if (lut.videoRange != 0) {
        kv::Lut3D folded = lut;
        kv::Lut3D back;
        Check(!kv::FoldVideoRanges(folded) || kv::ParseLutText(kv::FormatLutText(lut, id, "fuzz"), back));
        return;
    }
    const std::string text = kv::FormatLutText(lut, id, "fuzz");
    kv::Lut3D back;
    std::string error;
    Check(kv::ParseLutText(text, back, &error));
    Check(back.size == lut.size && back.shaperSize == lut.shaperSize && back.id == id && back.name == "fuzz");
    for (int c = 0; c < 3; ++c) {
        if (lut.size != 0) Check(back.domainMin[c] == lut.domainMin[c] && back.domainMax[c] == lut.domainMax[c]);
        if (lut.shaperSize != 0) Check(back.shaperMin[c] == lut.shaperMin[c] && back.shaperMax[c] == lut.shaperMax[c]);
    }
    CheckStored(back.shaper, lut.shaper, false);
    CheckStored(back.data, lut.data, lut.IsUnitCubeOnly());
}

}  // namespace kvfuzz
