#pragma once
// What a table value that is not finite stands for. OpenColorIO reads NaN in
// a LUT file as 0 and an infinity as the largest float of its sign; every
// reader here does the same, so that a table never holds NaN or an infinity
// (either would reach every pixel that samples it, and the stored forms
// could not agree on it).

#include <cmath>
#include <limits>

namespace kv {

inline float FiniteTableValue(float v) {
    if (std::isnan(v)) return 0.0f;
    if (std::isinf(v)) return v > 0.0f ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
    return v;
}

}  // namespace kv
