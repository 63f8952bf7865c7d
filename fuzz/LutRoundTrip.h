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

namespace kvfuzz {

inline void Check(bool ok) {
    if (!ok) __builtin_trap();
}

inline uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Within max(2^-17, 2^-11 |v|) of v; a value that is not finite comes back
// as the same bits.
inline void CheckStored(const std::vector<float>& back, const std::vector<float>& written) {
    Check(back.size() == written.size());
    for (size_t i = 0; i < written.size(); ++i) {
        const float v = written[i];
        if (!std::isfinite(v)) {
            Check(Bits(back[i]) == Bits(v));
            continue;
        }
        const double bound = std::fmax(std::ldexp(1.0, -17), std::ldexp(std::fabs(static_cast<double>(v)), -11));
        Check(std::fabs(static_cast<double>(back[i]) - v) <= bound);
    }
}

inline bool ValidBounds(const float* lo, const float* hi) {
    for (int c = 0; c < 3; ++c) {
        if (!(lo[c] < hi[c])) return false;
    }
    return true;
}

// A LUT a file reader accepted: its tables are complete and its ranges usable.
inline void CheckReadLut(const kv::Lut3D& lut, int32_t maxSize) {
    Check(lut.HasCompleteTables());
    Check(lut.size == 0 || (lut.size >= 2 && lut.size <= maxSize));
    Check(lut.shaperSize == 0 || (lut.shaperSize >= 2 && lut.shaperSize <= kv::kMaxLutText1DSize));
    Check(lut.size == 0 || ValidBounds(lut.domainMin, lut.domainMax));
    Check(lut.shaperSize == 0 || ValidBounds(lut.shaperMin, lut.shaperMax));
}

// LUT text of a LUT whose bounds are finite: it reads back with the same
// sizes, bounds, id and name, and every value within the storage bound.
// (KVLUT3 quantises a unit cube to 16 bits between its lowest and highest
// value and stays as it always was; its own bound is half a step.)
inline void CheckTextRoundTrip(const kv::Lut3D& lut, int32_t id) {
    if (lut.size > kv::kMaxLutTextSize) return;
    for (int c = 0; c < 3; ++c) {
        if (!std::isfinite(lut.domainMin[c]) || !std::isfinite(lut.domainMax[c])) return;
        if (!std::isfinite(lut.shaperMin[c]) || !std::isfinite(lut.shaperMax[c])) return;
    }
    const std::string text = kv::FormatLutText(lut, id, "fuzz");
    kv::Lut3D back;
    std::string error;
    Check(kv::ParseLutText(text, back, &error));
    Check(back.size == lut.size && back.shaperSize == lut.shaperSize && back.id == id && back.name == "fuzz");
    if (lut.IsUnitCubeOnly()) return;
    for (int c = 0; c < 3; ++c) {
        if (lut.size != 0) Check(back.domainMin[c] == lut.domainMin[c] && back.domainMax[c] == lut.domainMax[c]);
        if (lut.shaperSize != 0) Check(back.shaperMin[c] == lut.shaperMin[c] && back.shaperMax[c] == lut.shaperMax[c]);
    }
    CheckStored(back.shaper, lut.shaper);
    CheckStored(back.data, lut.data);
}

}  // namespace kvfuzz
