#pragma once
// A LUT as a short list of steps applied in order to R, G and B in float32
// (alpha passes through): the form of the LUTs that ACES and camera
// pipelines exchange (CLF), of ASC CDL grades and of .spi tables.
//
// Every value here is normalised: the readers have already taken out the
// files' bit depths (an 8i table value of 255 is 1.0 here), so that a step
// maps normalised input to normalised output. How each step computes is in
// ProcessSteps.h; the values here are the files' own, exactly, so that the
// stored form can keep them bit for bit.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kv {

// out[i] = m[3i] r + m[3i+1] g + m[3i+2] b + offset[i], for i = R, G, B.
struct MatrixStep {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float offset[3] = {0, 0, 0};
};

// The same map on every channel. With both ends: out = in * scale + (minOut -
// minIn * scale), scale = (maxOut - minOut) / (maxIn - minIn), clamped to
// minOut..maxOut when `clamp`. With one end only, the offset of that end
// (out = in + minOut - minIn, or maxOut - maxIn), clamped on that side when
// `clamp` and unclamped otherwise.
struct RangeStep {
    bool hasMin = false;
    bool hasMax = false;
    bool clamp = true;
    float minIn = 0.0f;
    float minOut = 0.0f;
    float maxIn = 1.0f;
    float maxOut = 1.0f;
};

enum class LogStyle : int32_t {
    kLog10,
    kLog2,
    kAntiLog10,
    kAntiLog2,
    kLinToLog,
    kLogToLin,
    kCameraLinToLog,
    kCameraLogToLin,
};

// One channel's parameters of the four parametric styles (the camera styles
// add the linear segment below linSideBreak).
struct LogParams {
    float logSideSlope = 1.0f;
    float logSideOffset = 0.0f;
    float linSideSlope = 1.0f;
    float linSideOffset = 0.0f;
    float linSideBreak = 0.0f;   // camera styles only
    bool hasLinearSlope = false;  // camera styles: else derived from the curve at the break
    float linearSlope = 1.0f;
};

struct LogStep {
    LogStyle style = LogStyle::kLog10;
    float base = 2.0f;  // the parametric styles
    LogParams channel[3];
};

enum class ExponentStyle : int32_t {
    kBasicFwd,
    kBasicRev,
    kBasicMirrorFwd,
    kBasicMirrorRev,
    kBasicPassThruFwd,
    kBasicPassThruRev,
    kMonCurveFwd,
    kMonCurveRev,
    kMonCurveMirrorFwd,
    kMonCurveMirrorRev,
};

struct ExponentStep {
    ExponentStyle style = ExponentStyle::kBasicFwd;
    float exponent[3] = {1.0f, 1.0f, 1.0f};
    float offset[3] = {0.0f, 0.0f, 0.0f};  // the monCurve styles
};

enum class CdlStyle : int32_t { kFwd, kRev, kFwdNoClamp, kRevNoClamp };

struct CdlStep {
    CdlStyle style = CdlStyle::kFwd;
    float slope[3] = {1.0f, 1.0f, 1.0f};
    float offset[3] = {0.0f, 0.0f, 0.0f};
    float power[3] = {1.0f, 1.0f, 1.0f};
    float saturation = 1.0f;
};

// A 1D table: linear interpolation over size entries spread evenly on 0..1
// (input clamped there), or, with halfDomain, 65536 entries indexed by the
// input's half-float bit pattern. `values` holds size * 3 floats, entry i's
// R, G, B at 3i (a one-channel file's entry repeated on all three).
struct Lut1DStep {
    int32_t size = 0;
    bool halfDomain = false;
    bool hueAdjust = false;  // CLF hueAdjust="dw3": the hue of the input kept
    std::vector<float> values;
};

enum class Interpolation3D : int32_t { kTrilinear, kTetrahedral };

// A 3D table over 0..1 on every axis (input clamped there): size^3 nodes,
// node (r, g, b) at 3 * (r + size * (g + size * b)), red fastest.
struct Lut3DStep {
    int32_t size = 0;
    Interpolation3D interpolation = Interpolation3D::kTrilinear;
    std::vector<float> values;
};

using ProcessStep = std::variant<MatrixStep, RangeStep, LogStep, ExponentStep, CdlStep, Lut1DStep, Lut3DStep>;

// The largest counts a process list may hold: readers refuse more.
inline constexpr size_t kMaxProcessSteps = 64;
inline constexpr int32_t kMaxProcessLut1DSize = 65536;
inline constexpr int32_t kMaxProcessLut3DSize = 129;

struct ProcessList {
    std::vector<ProcessStep> steps;
    // What the file was, for labels and the log: "CLF", "CDL", "spi1d", ...
    std::string format;
};

// True when every table step has its size and its values in range and
// count: what evaluation needs, since it reads tables without bounds checks.
bool IsCompleteProcessList(const ProcessList& list);

}  // namespace kv
