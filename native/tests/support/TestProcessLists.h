#pragma once
// Process lists shared by the tests: one step of every kind and style, and
// the two lists the speed goals name. Parameters are the typical ones of
// camera curves and grades, so that each step bends its input visibly.

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "lut_engine/ProcessList.h"

namespace kvtest {

struct NamedStep {
    std::string name;
    kv::ProcessStep step;
};

inline kv::MatrixStep TestMatrix(bool offsets, bool diagonal) {
    kv::MatrixStep s;
    const float full[9] = {0.9f, 0.2f, -0.1f, 0.05f, 1.1f, -0.15f, 0.0f, 0.3f, 0.7f};
    const float diag[9] = {2.0f, 0, 0, 0, 0.5f, 0, 0, 0, -1.0f};
    const float* m = diagonal ? diag : full;
    for (int i = 0; i < 9; ++i) s.m[i] = m[i];
    if (offsets) {
        s.offset[0] = 0.01f;
        s.offset[1] = -0.02f;
        s.offset[2] = 0.5f;
    }
    return s;
}

// A camera-log curve's parameters, different on each channel.
inline kv::LogStep TestLog(kv::LogStyle style, bool linearSlope) {
    kv::LogStep s;
    s.style = style;
    const bool parametric = style != kv::LogStyle::kLog10 && style != kv::LogStyle::kLog2 &&
                            style != kv::LogStyle::kAntiLog10 && style != kv::LogStyle::kAntiLog2;
    if (!parametric) return s;
    const bool camera = style == kv::LogStyle::kCameraLinToLog || style == kv::LogStyle::kCameraLogToLin;
    s.base = 10.0f;
    const float lss[3] = {0.25f, 0.244161f, 0.3f}, lso[3] = {0.5f, 0.386036f, 0.6f},
                lnss[3] = {1.5f, 5.555556f, 2.0f}, lnso[3] = {0.0078125f, 0.047996f, 0.01f},
                lsb[3] = {0.015625f, 0.005f, 0.02f}, ls[3] = {5.0f, 4.3f, 6.0f};
    for (int c = 0; c < 3; ++c) {
        s.channel[c] = {lss[c], lso[c], lnss[c], lnso[c], camera ? lsb[c] : 0.0f, camera && linearSlope,
                        camera && linearSlope ? ls[c] : 1.0f};
    }
    return s;
}

inline kv::ExponentStep TestExponent(kv::ExponentStyle style) {
    const bool monCurve = style >= kv::ExponentStyle::kMonCurveFwd;
    kv::ExponentStep s;
    s.style = style;
    const float e[3] = {2.4f, 2.2f, 1.8f}, o[3] = {0.055f, 0.099f, 0.0f};
    for (int c = 0; c < 3; ++c) {
        s.exponent[c] = e[c];
        s.offset[c] = monCurve ? o[c] : 0.0f;
    }
    return s;
}

inline kv::CdlStep TestCdl(kv::CdlStyle style) {
    return kv::CdlStep{style, {1.2f, 0.9f, 1.05f}, {0.01f, -0.02f, 0.03f}, {1.4f, 0.8f, 1.1f}, 0.7f};
}

// A curve per channel with bends, over n entries.
inline kv::Lut1DStep TestLut1D(int32_t n, bool hueAdjust) {
    kv::Lut1DStep s;
    s.size = n;
    s.hueAdjust = hueAdjust;
    for (int32_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / (n - 1);
        s.values.push_back(static_cast<float>(std::pow(t, 0.45) * 1.1 - 0.05));
        s.values.push_back(static_cast<float>(t * t));
        s.values.push_back(static_cast<float>(0.5 + 0.5 * std::sin(6.0 * t)));
    }
    return s;
}

// The float value of a half-float bit pattern; the infinities and NaNs
// read as the largest half of their sign.
inline float HalfValue(uint32_t h) {
    const uint32_t exponent = (h >> 10) & 31u, mantissa = h & 0x3FFu;
    const float x = exponent == 0    ? std::ldexp(static_cast<float>(mantissa), -24)
                    : exponent == 31 ? 65504.0f
                                     : std::ldexp(1.0f + static_cast<float>(mantissa) / 1024.0f,
                                                  static_cast<int>(exponent) - 15);
    return (h & 0x8000u) != 0 ? -x : x;
}

// A log-like curve of every half's value: what a half-domain table holds.
inline kv::Lut1DStep TestHalfLut1D(bool hueAdjust) {
    kv::Lut1DStep s;
    s.size = 65536;
    s.halfDomain = true;
    s.hueAdjust = hueAdjust;
    for (uint32_t h = 0; h < 65536; ++h) {
        const float x = HalfValue(h);
        const float y = x > 0.0f ? static_cast<float>(std::log2(x + 0.01) * 0.1 + 0.5) : x;
        s.values.insert(s.values.end(), {y, y * 0.9f, y * 1.1f});
    }
    return s;
}

// A grade-like cube: each output channel mixes its neighbours, with noise.
inline kv::Lut3DStep TestLut3D(int32_t n, kv::Interpolation3D interpolation) {
    kv::Lut3DStep s;
    s.size = n;
    s.interpolation = interpolation;
    s.values.resize(static_cast<size_t>(n) * n * n * 3);
    std::mt19937 rng(static_cast<uint32_t>(n));
    for (int32_t b = 0; b < n; ++b)
        for (int32_t g = 0; g < n; ++g)
            for (int32_t r = 0; r < n; ++r) {
                const float rgb[3] = {static_cast<float>(r) / (n - 1), static_cast<float>(g) / (n - 1),
                                      static_cast<float>(b) / (n - 1)};
                const size_t at = 3 * (static_cast<size_t>(r) + n * (static_cast<size_t>(g) + n * b));
                for (int c = 0; c < 3; ++c) {
                    s.values[at + c] = rgb[(c + 1) % 3] * 0.8f + rgb[c] * 0.3f +
                                       std::uniform_real_distribution<float>(-0.05f, 0.05f)(rng);
                }
            }
    return s;
}

inline std::vector<NamedStep> EveryStepKind() {
    using kv::CdlStyle;
    using kv::ExponentStyle;
    using kv::LogStyle;
    return {
        {"matrix 3x3", TestMatrix(false, false)},
        {"matrix 3x4", TestMatrix(true, false)},
        {"diagonal matrix", TestMatrix(false, true)},
        {"range clamp", kv::RangeStep{true, true, true, 0.1f, -0.2f, 0.9f, 1.3f}},
        {"range noClamp", kv::RangeStep{true, true, false, 0.1f, -0.2f, 0.9f, 1.3f}},
        {"range min only", kv::RangeStep{true, false, true, 0.25f, 0.25f, 1.0f, 1.0f}},
        {"range max only", kv::RangeStep{false, true, true, 0.0f, 0.0f, 0.75f, 0.75f}},
        {"log10", TestLog(LogStyle::kLog10, false)},
        {"log2", TestLog(LogStyle::kLog2, false)},
        {"antiLog10", TestLog(LogStyle::kAntiLog10, false)},
        {"antiLog2", TestLog(LogStyle::kAntiLog2, false)},
        {"linToLog", TestLog(LogStyle::kLinToLog, false)},
        {"logToLin", TestLog(LogStyle::kLogToLin, false)},
        {"cameraLinToLog", TestLog(LogStyle::kCameraLinToLog, false)},
        {"cameraLogToLin", TestLog(LogStyle::kCameraLogToLin, false)},
        {"cameraLinToLog with linearSlope", TestLog(LogStyle::kCameraLinToLog, true)},
        {"cameraLogToLin with linearSlope", TestLog(LogStyle::kCameraLogToLin, true)},
        {"basicFwd", TestExponent(ExponentStyle::kBasicFwd)},
        {"basicRev", TestExponent(ExponentStyle::kBasicRev)},
        {"basicMirrorFwd", TestExponent(ExponentStyle::kBasicMirrorFwd)},
        {"basicMirrorRev", TestExponent(ExponentStyle::kBasicMirrorRev)},
        {"basicPassThruFwd", TestExponent(ExponentStyle::kBasicPassThruFwd)},
        {"basicPassThruRev", TestExponent(ExponentStyle::kBasicPassThruRev)},
        {"monCurveFwd", TestExponent(ExponentStyle::kMonCurveFwd)},
        {"monCurveRev", TestExponent(ExponentStyle::kMonCurveRev)},
        {"monCurveMirrorFwd", TestExponent(ExponentStyle::kMonCurveMirrorFwd)},
        {"monCurveMirrorRev", TestExponent(ExponentStyle::kMonCurveMirrorRev)},
        {"CDL Fwd", TestCdl(CdlStyle::kFwd)},
        {"CDL Rev", TestCdl(CdlStyle::kRev)},
        {"CDL FwdNoClamp", TestCdl(CdlStyle::kFwdNoClamp)},
        {"CDL RevNoClamp", TestCdl(CdlStyle::kRevNoClamp)},
        {"LUT1D", TestLut1D(33, false)},
        {"LUT1D hueAdjust", TestLut1D(33, true)},
        {"LUT1D halfDomain", TestHalfLut1D(false)},
        {"LUT1D halfDomain hueAdjust", TestHalfLut1D(true)},
        {"LUT3D trilinear", TestLut3D(9, kv::Interpolation3D::kTrilinear)},
        {"LUT3D tetrahedral", TestLut3D(9, kv::Interpolation3D::kTetrahedral)},
    };
}

// A camera log curve to linear light, then a gamut matrix: what camera-log
// to ACES transforms are.
inline kv::ProcessList LogMatrixList() {
    kv::ProcessList list;
    list.format = "CLF";
    list.steps.push_back(TestLog(kv::LogStyle::kCameraLogToLin, false));
    list.steps.push_back(TestMatrix(false, false));
    return list;
}

// Range, Log, Matrix, a half-domain 1D table and a 33-node cube.
inline kv::ProcessList FiveStepList() {
    kv::ProcessList list;
    list.format = "CLF";
    list.steps.push_back(kv::RangeStep{true, true, true, 0.0f, 0.0f, 1.0f, 1.0f});
    list.steps.push_back(TestLog(kv::LogStyle::kCameraLogToLin, false));
    list.steps.push_back(TestMatrix(true, false));
    list.steps.push_back(TestHalfLut1D(false));
    list.steps.push_back(TestLut3D(33, kv::Interpolation3D::kTetrahedral));
    return list;
}

}  // namespace kvtest
