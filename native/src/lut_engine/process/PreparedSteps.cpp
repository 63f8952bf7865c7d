// From a process list to the records the body evaluates. Each kind's
// constants are worked out here the way OpenColorIO 2.1 works them out (in
// double from the parameters, rounded to float once), so that the body's
// float operations then follow its order.

#include "lut_engine/process/PreparedSteps.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

#include "lut_engine/TableValue.h"

namespace kv {

namespace {

constexpr float kLog10Of2 = 0x1.344136p-2f;
constexpr float kLog2Of10 = 0x1.a934fp+1f;

KvStep NewRecord(int kind, int style) {
    KvStep s{};
    s.kind = kind;
    s.style = style;
    return s;
}

KvStep MatrixRecord(const MatrixStep& m) {
    const bool diagonal =
        m.m[1] == 0.0f && m.m[2] == 0.0f && m.m[3] == 0.0f && m.m[5] == 0.0f && m.m[6] == 0.0f && m.m[7] == 0.0f;
    const bool offsets = m.offset[0] != 0.0f || m.offset[1] != 0.0f || m.offset[2] != 0.0f;
    KvStep s = NewRecord(KV_STEP_MATRIX, (diagonal ? KV_MATRIX_DIAGONAL : 0) | (offsets ? KV_MATRIX_OFFSET : 0));
    std::copy(m.m, m.m + 9, s.p);
    std::copy(m.offset, m.offset + 3, s.p + 9);
    return s;
}

KvStep RangeRecord(const RangeStep& r) {
    KvStep s = NewRecord(KV_STEP_RANGE, 0);
    double scale = 1.0;
    double offset = 0.0;
    if (r.hasMin && r.hasMax) {
        scale = (static_cast<double>(r.maxOut) - r.minOut) / (static_cast<double>(r.maxIn) - r.minIn);
        offset = r.minOut - r.minIn * scale;
    } else if (r.hasMin) {
        offset = static_cast<double>(r.minOut) - r.minIn;
    } else if (r.hasMax) {
        offset = static_cast<double>(r.maxOut) - r.maxIn;
    }
    // As OpenColorIO: a map within a millionth of the identity only clamps.
    if (!(std::fabs(offset) <= 1e-6 && std::fabs(scale - 1.0) <= 1e-6)) s.style |= KV_RANGE_SCALE;
    s.p[0] = static_cast<float>(scale);
    s.p[1] = static_cast<float>(offset);
    s.p[2] = r.minOut;
    s.p[3] = r.maxOut;
    if (r.clamp && r.hasMin) s.style |= KV_RANGE_CLAMP_LOW;
    if (r.clamp && r.hasMax) s.style |= KV_RANGE_CLAMP_HIGH;
    return s;
}

float Log2Of(float v) { return static_cast<float>(std::log2(static_cast<double>(v))); }

KvStep LogRecord(const LogStep& l) {
    switch (l.style) {
        case LogStyle::kLog2:
        case LogStyle::kLog10: {
            KvStep s = NewRecord(KV_STEP_LOG, KV_LOG_LOG);
            for (int c = 0; c < 3; ++c) s.p[8 * c] = l.style == LogStyle::kLog2 ? 1.0f : kLog10Of2;
            return s;
        }
        case LogStyle::kAntiLog2:
        case LogStyle::kAntiLog10: {
            KvStep s = NewRecord(KV_STEP_LOG, KV_LOG_ANTILOG);
            for (int c = 0; c < 3; ++c) s.p[8 * c] = l.style == LogStyle::kAntiLog2 ? 1.0f : kLog2Of10;
            return s;
        }
        default:
            break;
    }
    const bool camera = l.style == LogStyle::kCameraLinToLog || l.style == LogStyle::kCameraLogToLin;
    const bool toLog = l.style == LogStyle::kLinToLog || l.style == LogStyle::kCameraLinToLog;
    const int style = toLog ? (camera ? KV_LOG_CAMERA_LIN_TO_LOG : KV_LOG_LIN_TO_LOG)
                            : (camera ? KV_LOG_CAMERA_LOG_TO_LIN : KV_LOG_LOG_TO_LIN);
    KvStep s = NewRecord(KV_STEP_LOG, style);
    const float base = l.base;
    const float log2Base = Log2Of(base);
    for (int c = 0; c < 3; ++c) {
        const LogParams& p = l.channel[c];
        float* q = s.p + 8 * c;
        // The camera styles' straight segment meets the log curve at the
        // break, with the curve's slope there unless one is given.
        float linearSlope = p.linearSlope;
        float logBreak = 0.0f;
        float linearOffset = 0.0f;
        if (camera) {
            const double lss = p.logSideSlope, lnss = p.linSideSlope, lnso = p.linSideOffset, lsb = p.linSideBreak;
            if (!p.hasLinearSlope) {
                linearSlope = static_cast<float>(lss * lnss / ((lnss * lsb + lnso) * std::log(static_cast<double>(base))));
            }
            const auto atBreak = static_cast<float>(lnss * lsb + lnso);
            logBreak = static_cast<float>(static_cast<double>(Log2Of(atBreak)) *
                                          (static_cast<double>(p.logSideSlope) / std::log2(static_cast<double>(base))));
            logBreak = logBreak + p.logSideOffset;
            linearOffset = logBreak - linearSlope * p.linSideBreak;
        }
        if (toLog) {
            q[0] = p.linSideSlope;
            q[1] = p.linSideOffset;
            q[2] = static_cast<float>(static_cast<double>(p.logSideSlope) / static_cast<double>(log2Base));
            q[3] = p.logSideOffset;
            q[4] = p.linSideBreak;
            q[5] = linearSlope;
            q[6] = linearOffset;
        } else {
            q[0] = -p.logSideOffset;
            q[1] = log2Base / p.logSideSlope;
            q[2] = -p.linSideOffset;
            q[3] = 1.0f / p.linSideSlope;
            q[4] = logBreak;
            q[5] = 1.0f / linearSlope;
            q[6] = -linearOffset;
        }
    }
    return s;
}

KvStep ExponentRecord(const ExponentStep& e) {
    int style = KV_EXP_BASIC;
    bool reverse = false;
    switch (e.style) {
        case ExponentStyle::kBasicFwd: break;
        case ExponentStyle::kBasicRev: reverse = true; break;
        case ExponentStyle::kBasicMirrorFwd: style = KV_EXP_MIRROR; break;
        case ExponentStyle::kBasicMirrorRev: style = KV_EXP_MIRROR; reverse = true; break;
        case ExponentStyle::kBasicPassThruFwd: style = KV_EXP_PASS_THRU; break;
        case ExponentStyle::kBasicPassThruRev: style = KV_EXP_PASS_THRU; reverse = true; break;
        case ExponentStyle::kMonCurveFwd: style = KV_EXP_MONCURVE_FWD; break;
        case ExponentStyle::kMonCurveRev: style = KV_EXP_MONCURVE_REV; break;
        case ExponentStyle::kMonCurveMirrorFwd: style = KV_EXP_MONCURVE_MIRROR_FWD; break;
        case ExponentStyle::kMonCurveMirrorRev: style = KV_EXP_MONCURVE_MIRROR_REV; break;
    }
    KvStep s = NewRecord(KV_STEP_EXPONENT, style);
    const bool monCurve = style >= KV_EXP_MONCURVE_FWD;
    const bool forward = style == KV_EXP_MONCURVE_FWD || style == KV_EXP_MONCURVE_MIRROR_FWD;
    for (int c = 0; c < 3; ++c) {
        float* q = s.p + 8 * c;
        if (!monCurve) {
            q[0] = reverse ? static_cast<float>(1.0 / static_cast<double>(e.exponent[c])) : e.exponent[c];
            continue;
        }
        // OpenColorIO keeps the curve away from the pure power it tends to:
        // an exponent of 1 or an offset of 0 would divide by zero below.
        const double g = std::max(static_cast<double>(e.exponent[c]), 1.0 + 1e-6);
        const double o = std::max(static_cast<double>(e.offset[c]), 1e-6);
        const double knee = o * g / ((g - 1.0) * (1.0 + o));
        if (forward) {
            q[0] = static_cast<float>(g);
            q[1] = static_cast<float>(o / (1.0 + o));
            q[2] = static_cast<float>(1.0 / (1.0 + o));
            q[3] = static_cast<float>(o / (g - 1.0));
            q[4] = static_cast<float>(((g - 1.0) / o) * std::pow(knee, g));
        } else {
            q[0] = static_cast<float>(1.0 / g);
            q[1] = static_cast<float>(o);
            q[2] = static_cast<float>(1.0 + o);
            q[3] = static_cast<float>(std::pow(knee, g));
            q[4] = static_cast<float>(std::pow((g - 1.0) / o, g - 1.0) * std::pow((1.0 + o) / g, g));
        }
    }
    return s;
}

float ReverseOf(float v) { return 1.0f / std::max(v, 0.01f); }

KvStep CdlRecord(const CdlStep& d) {
    const int style = d.style == CdlStyle::kFwd        ? KV_CDL_FWD
                      : d.style == CdlStyle::kRev      ? KV_CDL_REV
                      : d.style == CdlStyle::kFwdNoClamp ? KV_CDL_FWD_NO_CLAMP
                                                       : KV_CDL_REV_NO_CLAMP;
    KvStep s = NewRecord(KV_STEP_CDL, style);
    const bool reverse = style == KV_CDL_REV || style == KV_CDL_REV_NO_CLAMP;
    for (int c = 0; c < 3; ++c) {
        s.p[c] = reverse ? ReverseOf(d.slope[c]) : d.slope[c];
        s.p[3 + c] = reverse ? -d.offset[c] : d.offset[c];
        s.p[6 + c] = reverse ? ReverseOf(d.power[c]) : d.power[c];
    }
    s.p[9] = reverse ? ReverseOf(d.saturation) : d.saturation;
    return s;
}

// Tables hold NaN as 0 and infinities as the largest floats, as OpenColorIO
// reads them; the list itself keeps the file's values.
int AppendTable(const std::vector<float>& values, std::vector<float>& tables) {
    const auto at = static_cast<int>(tables.size());
    for (const float v : values) tables.push_back(FiniteTableValue(v));
    return at;
}

KvStep TableRecord(const Lut1DStep& t, std::vector<float>& tables) {
    KvStep s = NewRecord(t.halfDomain ? KV_STEP_LUT1D_HALF : KV_STEP_LUT1D, t.hueAdjust ? KV_LUT1D_HUE_ADJUST : 0);
    s.size = t.size;
    s.table = AppendTable(t.values, tables);
    return s;
}

KvStep TableRecord(const Lut3DStep& t, std::vector<float>& tables) {
    KvStep s = NewRecord(KV_STEP_LUT3D,
                         t.interpolation == Interpolation3D::kTetrahedral ? KV_INTERP_TETRAHEDRAL : KV_INTERP_TRILINEAR);
    s.size = t.size;
    s.table = AppendTable(t.values, tables);
    return s;
}

}  // namespace

std::shared_ptr<const PreparedSteps> PrepareSteps(const ProcessList& list) {
    auto prepared = std::make_shared<PreparedSteps>();
    for (const ProcessStep& step : list.steps) {
        prepared->records.push_back(std::visit(
            [&](const auto& s) {
                using S = std::decay_t<decltype(s)>;
                if constexpr (std::is_same_v<S, MatrixStep>) return MatrixRecord(s);
                if constexpr (std::is_same_v<S, RangeStep>) return RangeRecord(s);
                if constexpr (std::is_same_v<S, LogStep>) return LogRecord(s);
                if constexpr (std::is_same_v<S, ExponentStep>) return ExponentRecord(s);
                if constexpr (std::is_same_v<S, CdlStep>) return CdlRecord(s);
                if constexpr (std::is_same_v<S, Lut1DStep> || std::is_same_v<S, Lut3DStep>) {
                    return TableRecord(s, prepared->tables);
                }
            },
            step));
    }
    return prepared;
}

bool MakeProcessLut(Lut3D& lut, ProcessList list) {
    if (!IsCompleteProcessList(list)) return false;
    auto shared = std::make_shared<const ProcessList>(std::move(list));
    lut.steps = PrepareSteps(*shared);
    lut.process = std::move(shared);
    lut.size = 0;
    lut.shaperSize = 0;
    lut.data.clear();
    lut.shaper.clear();
    lut.videoRange = 0;
    return true;
}

}  // namespace kv
