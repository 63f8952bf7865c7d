#pragma once
// LUTs and float helpers shared by the tests: one way to build each kind.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "lut_engine/Lut3D.h"

namespace kvtest {

inline float* LutNode(kv::Lut3D& lut, int32_t r, int32_t g, int32_t b) {
    const size_t n = static_cast<size_t>(lut.size);
    return &lut.data[3 * (static_cast<size_t>(r) + n * (static_cast<size_t>(g) + n * b))];
}

inline kv::Lut3D EmptyCube(int32_t n) {
    kv::Lut3D lut;
    lut.size = n;
    lut.data.assign(static_cast<size_t>(n) * n * n * 3, 0.0f);
    return lut;
}

// Node (r, g, b) holds (r, g, b) / (N - 1).
inline kv::Lut3D IdentityCube(int32_t n) {
    kv::Lut3D lut = EmptyCube(n);
    const float step = 1.0f / static_cast<float>(n - 1);
    for (int32_t b = 0; b < n; ++b)
        for (int32_t g = 0; g < n; ++g)
            for (int32_t r = 0; r < n; ++r) {
                float* v = LutNode(lut, r, g, b);
                v[0] = static_cast<float>(r) * step;
                v[1] = static_cast<float>(g) * step;
                v[2] = static_cast<float>(b) * step;
            }
    return lut;
}

// Floats in [lo, hi) from raw generator bits, so that every platform's
// standard library draws the same values.
class FloatSource {
public:
    explicit FloatSource(uint32_t seed) : gen_(seed) {}
    float Next(float lo, float hi) {
        const float unit = static_cast<float>(gen_() >> 8) * (1.0f / 16777216.0f);
        return lo + (hi - lo) * unit;
    }

private:
    std::mt19937 gen_;
};

// Every node value drawn from [lo, hi).
inline kv::Lut3D RandomCube(int32_t n, uint32_t seed, float lo = -0.25f, float hi = 1.25f) {
    kv::Lut3D lut = EmptyCube(n);
    FloatSource src(seed);
    for (float& v : lut.data) v = src.Next(lo, hi);
    return lut;
}

// Adds a 1D stage of `m` entries per curve over the input range lo..hi on
// every channel: each curve rises from about `from` to about `to`, with
// random wiggles so that neighbouring entries differ.
inline void AddRandomShaper(kv::Lut3D& lut, int32_t m, uint32_t seed, float lo = 0.0f, float hi = 1.0f,
                            float from = -0.05f, float to = 1.1f) {
    lut.shaperSize = m;
    for (int c = 0; c < 3; ++c) {
        lut.shaperMin[c] = lo;
        lut.shaperMax[c] = hi;
    }
    lut.shaper.assign(static_cast<size_t>(m) * 3, 0.0f);
    FloatSource src(seed);
    const float step = (to - from) / static_cast<float>(m - 1);
    for (int32_t i = 0; i < m; ++i)
        for (int c = 0; c < 3; ++c)
            lut.shaper[3 * static_cast<size_t>(i) + c] = from + step * static_cast<float>(i) + src.Next(-0.5f, 0.5f) * step;
}

// A LUT that is only a 1D stage.
inline kv::Lut3D RandomShaperOnly(int32_t m, uint32_t seed, float lo = 0.0f, float hi = 1.0f) {
    kv::Lut3D lut;
    AddRandomShaper(lut, m, seed, lo, hi);
    return lut;
}

// How far a stored table value may read back from the value v it was: the
// precision every stored table keeps, max(2^-17, 2^-11 |v|), or, for a table
// whose values span at most one unit (which may keep the original form's one
// 16-bit scale), half that scale's step plus the rounding of decoding it.
// `span` is the largest minus the smallest value of the table as given.
inline double StoredValueBound(double v, double span) {
    const double promise = std::max(std::ldexp(1.0, -17), std::ldexp(std::fabs(v), -11));
    if (!(span <= 1.0)) return promise;
    return std::max(promise, span / 131070.0 + std::ldexp(std::fabs(v) + span, -22));
}

// Largest minus smallest value.
inline double ValueSpan(const std::vector<float>& values) {
    if (values.empty()) return 0.0;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return static_cast<double>(*hi) - static_cast<double>(*lo);
}

inline uint32_t BitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

}  // namespace kvtest
