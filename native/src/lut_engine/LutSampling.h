#pragma once
// Sampling of a LUT: its 1D stage, and tetrahedral sampling of its cube.
//
// The GPU kernels and any vectorised row routine must reproduce this function
// bit for bit, so every float operation below is single precision and written
// in the exact order and grouping that the others follow. Targets that include
// this header must build with FMA contraction off (kv_exact_float does that):
// a fused multiply-add rounds once where this code rounds twice.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "lut_engine/Lut3D.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv {

namespace detail {

// Position of one input channel on its axis: the lower node index of its cell
// (0..N-2) and the fraction inside that cell (0..1). NaN and anything below
// the domain read as the first node; anything above as the last node, which
// lands in the last cell with fraction 1 rather than in a cell past the end.
inline void LutAxisPosition(float in, float lo, float hi, int32_t size, int32_t& cell,
                            float& fraction) {
    float t = (in - lo) / (hi - lo);
    if (std::isnan(t) || t < 0.0f) {
        t = 0.0f;
    } else if (t > 1.0f) {
        t = 1.0f;
    }
    const float u = t * static_cast<float>(size - 1);
    int32_t i = static_cast<int32_t>(u);
    if (i > size - 2) {
        i = size - 2;
    }
    cell = i;
    fraction = u - static_cast<float>(i);
}

}  // namespace detail

// Samples `lut` (size >= 2) at the R, G, B input `in`, writing R, G, B to
// `out`. The tetrahedron is picked by strict comparisons of the fractions in a
// fixed order, so ties always fall to the later alternative; a grey input
// (all fractions equal) therefore interpolates along the cube's diagonal.
inline void sampleTetra(const Lut3D& lut, const float in[3], float out[3]) {
    const int32_t n = lut.size;
    int32_t ir = 0;
    int32_t ig = 0;
    int32_t ib = 0;
    float fr = 0.0f;
    float fg = 0.0f;
    float fb = 0.0f;
    detail::LutAxisPosition(in[0], lut.domainMin[0], lut.domainMax[0], n, ir, fr);
    detail::LutAxisPosition(in[1], lut.domainMin[1], lut.domainMax[1], n, ig, fg);
    detail::LutAxisPosition(in[2], lut.domainMin[2], lut.domainMax[2], n, ib, fb);

    // Strides in floats: red runs fastest, blue slowest.
    const std::ptrdiff_t sr = 3;
    const std::ptrdiff_t sg = 3 * static_cast<std::ptrdiff_t>(n);
    const std::ptrdiff_t sb = sg * n;
    const float* c000 = lut.data.data() + ir * sr + ig * sg + ib * sb;
    const float* c111 = c000 + sr + sg + sb;

    const float* a = nullptr;
    const float* b = nullptr;
    float w0 = 0.0f;
    float w1 = 0.0f;
    float w2 = 0.0f;
    float w3 = 0.0f;
    if (fr > fg) {
        if (fg > fb) {
            a = c000 + sr;
            b = c000 + sr + sg;
            w0 = 1.0f - fr;
            w1 = fr - fg;
            w2 = fg - fb;
            w3 = fb;
        } else if (fr > fb) {
            a = c000 + sr;
            b = c000 + sr + sb;
            w0 = 1.0f - fr;
            w1 = fr - fb;
            w2 = fb - fg;
            w3 = fg;
        } else {
            a = c000 + sb;
            b = c000 + sr + sb;
            w0 = 1.0f - fb;
            w1 = fb - fr;
            w2 = fr - fg;
            w3 = fg;
        }
    } else {
        if (fb > fg) {
            a = c000 + sb;
            b = c000 + sg + sb;
            w0 = 1.0f - fb;
            w1 = fb - fg;
            w2 = fg - fr;
            w3 = fr;
        } else if (fb > fr) {
            a = c000 + sg;
            b = c000 + sg + sb;
            w0 = 1.0f - fg;
            w1 = fg - fb;
            w2 = fb - fr;
            w3 = fr;
        } else {
            a = c000 + sg;
            b = c000 + sr + sg;
            w0 = 1.0f - fg;
            w1 = fg - fr;
            w2 = fr - fb;
            w3 = fb;
        }
    }

    for (int k = 0; k < 3; ++k) {
        out[k] = (w3 * c111[k] + w2 * b[k]) + (w1 * a[k] + w0 * c000[k]);
    }
}

// One channel through the 1D stage: the position on the curve as for a cube
// axis (NaN and anything below the range read as the first entry, anything
// above as the last), then a + f * (b - a) between the two entries around it.
inline float ShaperChannel(const Lut3D& lut, float in, int channel) {
    int32_t i = 0;
    float f = 0.0f;
    detail::LutAxisPosition(in, lut.shaperMin[channel], lut.shaperMax[channel], lut.shaperSize, i, f);
    const float* entry = lut.shaper.data() + 3 * static_cast<std::ptrdiff_t>(i) + channel;
    const float a = entry[0];
    const float b = entry[3];
    return a + f * (b - a);
}

// Which tables a LUT applies. Row operations read it once per band and run
// a loop built for it, so the choice costs nothing per pixel.
enum class LutStages : int32_t {
    kCube,            // the cube alone (no 1D stage)
    kShaperThenCube,  // the 1D stage, then the cube
    kShaper,          // the 1D stage alone (size 0)
    kProcess,         // a process list (Lut3D::steps)
};

inline LutStages StagesOf(const Lut3D& lut) {
    if (lut.steps != nullptr) {
        return LutStages::kProcess;
    }
    if (lut.shaperSize == 0) {
        return LutStages::kCube;
    }
    return lut.size == 0 ? LutStages::kShaper : LutStages::kShaperThenCube;
}

// Calls run(std::integral_constant<LutStages, S>{}) for the stages S of
// `lut`, so that a generic lambda can pick a loop built for them.
template <class Run>
inline void WithStagesOf(const Lut3D& lut, Run&& run) {
    switch (StagesOf(lut)) {
        case LutStages::kCube:
            run(std::integral_constant<LutStages, LutStages::kCube>{});
            return;
        case LutStages::kShaperThenCube:
            run(std::integral_constant<LutStages, LutStages::kShaperThenCube>{});
            return;
        case LutStages::kShaper:
            run(std::integral_constant<LutStages, LutStages::kShaper>{});
            return;
        case LutStages::kProcess:
            run(std::integral_constant<LutStages, LutStages::kProcess>{});
            return;
    }
}

// SampleLut for a LUT whose stages are known to be `Stages`.
template <LutStages Stages>
inline void SampleStages(const Lut3D& lut, const float in[3], float out[3]) {
    if constexpr (Stages == LutStages::kCube) {
        sampleTetra(lut, in, out);
    } else if constexpr (Stages == LutStages::kProcess) {
        for (int c = 0; c < 3; ++c) out[c] = in[c];
        ApplyProcessSteps(*lut.steps, out);
    } else {
        float shaped[3];
        for (int c = 0; c < 3; ++c) {
            shaped[c] = ShaperChannel(lut, in[c], c);
        }
        if constexpr (Stages == LutStages::kShaper) {
            for (int c = 0; c < 3; ++c) out[c] = shaped[c];
        } else {
            sampleTetra(lut, shaped, out);
        }
    }
}

// The LUT's whole colour change for one pixel (`lut.HasCompleteTables()`):
// the 1D stage if there is one, then the cube if there is one; or the
// process list's steps. The amount
// blend is the caller's, against the unshaped input.
inline void SampleLut(const Lut3D& lut, const float in[3], float out[3]) {
    WithStagesOf(lut, [&](auto stages) { SampleStages<decltype(stages)::value>(lut, in, out); });
}

// What a float row writes for a result: the value itself, or for any NaN the
// one quiet NaN 0x7FC00000. Which NaN arithmetic gives depends on operand
// order (x86 keeps the payload of one NaN operand), so without this the
// scalar and vector rows could write different NaNs for the same pixel.
inline float CanonicalNaN(float v) {
    return std::isnan(v) ? std::bit_cast<float>(uint32_t{0x7FC00000}) : v;
}

// The "Amount" mix of a sampled value with its input: amount 0 gives the
// input, 1 the LUT output.
inline float BlendAmount(float lutOut, float in, float amount) {
    return (lutOut - in) * amount + in;
}

}  // namespace kv
