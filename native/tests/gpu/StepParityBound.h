#pragma once
// How far a GPU's result for one process-list step may lie from the
// processor's, derived rather than measured.
//
// Both evaluate the same body (StepBody.h) with the same operations in the
// same order; selects, comparisons, floor, conversions, bit casts and table
// reads are exact, and divisions are IEEE (CUDA's -prec-div=true; an OpenCL
// device may take 2.5 ulp, counted where a division meets a result). What
// may differ: the GPU compiler may fuse any a * b + c into one rounding
// (nvcc does by default, and ptxas contracts the mul.f32 and add.f32 it
// leaves). Write u = 2^-24. One fused op then moves its result by at most
// u|ab| + u|r_cpu| + u|r_gpu|: half an ulp of the product's scale, plus
// each side's own rounding. A difference d in an input carries through
//   a sum or a product   by the coefficient it meets (|q| d for q * x),
//   log2(x)             by log2(e) d / x (taken over [x - d, x + d] whole),
//   2^y                 by ln2 |2^y| d,
//   x^g, any monotone f  by max |f(x +- d) - f(x)|, so a power below 1 near
//                       0 is charged its true (unbounded) slope.
// kvLog2 and kvExp2 lie within 1 ulp of the true value on either side
// (2^-24 absolute for a log below 1; StepMath.h): the two differ by two,
// and a power exp2(g log2 x) by two of its own errors (PowSide). Sums of
// several products (matrix rows, the CDL luma, tetrahedral weights) lie
// within gamma_n S of the exact sum on each side, S the sum of |terms| and
// gamma_n = n u / (1 - n u), n the most roundings a term passes through;
// fusing only removes roundings, so the two differ by 2 gamma_n S. The
// processor's own values stand in for the GPU's in |r| terms, and the total
// is widened by 2^-10 of itself and 2^-140 for those second-order terms and
// for underflow.
//
// Per kind, for output channel k (v = in[k], q the channel's constants):
//   matrix       2 gamma_4 (sum_j |m_kj in_j| + |o_k|); diagonal 2 gamma_2 (...)
//   range        2 gamma_2 (|v scale| + |offset|) when it scales, else 0
//   log, log10   |q0| 2 A(log2 x) + 2u|out|, A(L) = 2u max(1, |L|)
//   antiLog      2 ulp(out) = 4u|out|
//   linToLog     t = v q0 + q1 moves by dt = u|v q0| + 2u|t|; its log by
//                2 A + the log's slope over dt; then L q2 + q3 fused:
//                |q2| dL + u|L q2| + 2u|out|
//   logToLin     |q3| (4u|2^x| + 2u|2^x + q2|) + 2u|out| (x the same)
//   camera lines the linToLog one fused: u|q5 v| + 2u|out|; logToLin 0
//   exponent     2 PowSide(x, g); monCurve adds the slope of x^g over the
//                fused v scale + offset, or (reverse) |scale| 2 PowSide +
//                the fused p scale - offset
//   CDL          per channel the fused v slope + offset, the slope of the
//                clamped power over it, two PowSides; the luma and the
//                saturation mix propagate all three; the reverse order
//                likewise, then (p + offset) slope
//   LUT1D        b + (a - b)(hi - index) fused: u|(a - b) w| + 2u|out|; the
//                half-domain one charges the neighbouring entries' step
//                also for a 2.5 ulp division of its fraction; hue adjust
//                3 times the worst channel + 6u (max - min) + 2u|out|
//   LUT3D        tetrahedral 2 gamma_4 M, trilinear 30u M, M the largest
//                |node| of the cell (three lerps, 5uM each, both sides)
// The Amount blend (out - in) a + in, fused or not, adds
//   a (d + 2u|out - in|) + u|a (out - in)| + 2u|result|   (BlendedBound).
// Finite values only: a NaN that arithmetic makes is negative on x86 and
// positive on NVIDIA GPUs, and a half-domain table reads a NaN by its sign,
// so a NaN made by one step may read another entry in a later one.

#include <algorithm>
#include <cmath>

#include "gpu/kernel/HalfFloat.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv::gpu::test {

namespace step_bound {

constexpr double kU = 0x1p-24;
constexpr double kFltMin = 1.17549435e-38;

inline double Gamma(int n) { return n * kU / (1.0 - n * kU); }
inline double LogAccuracy(double l) { return 2.0 * kU * std::max(1.0, std::fabs(l)); }

// One side's error of kvPowPositive(x, g) against x^g, x > 0.
inline double PowSide(double x, double g) {
    const double l = std::log2(x);
    const double p = std::pow(x, g);
    if (!(x > 0.0) || !std::isfinite(p) || !std::isfinite(l)) return 0.0;
    const double dy = std::fabs(g) * LogAccuracy(l) + kU * std::fabs(g * l);
    return 2.0 * kU * p + std::log(2.0) * p * dy * (1.0 + dy);
}

// max |f(x +- d) - f(x)| for a monotone f.
template <class F>
double Slope(F f, double x, double d) {
    return std::max(std::fabs(f(x + d) - f(x)), std::fabs(f(x) - f(x - d)));
}

inline double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

// x^g as kvPow gives it (exact for g 0 and 1) on the CDL's clamped or
// unclamped domain, and its two-sided error.
inline double CdlPower(double v, double g, bool clamp) {
    if (clamp) return std::pow(Clamp01(v), g);
    return v < 0.0 ? v : std::pow(v, g);
}
inline double CdlPowerSides(double v, double g, bool clamp) {
    const double x = clamp ? Clamp01(v) : v;
    return g == 0.0 || g == 1.0 || !(x > 0.0) ? 0.0 : 2.0 * PowSide(x, g);
}

// The difference a fused p + c may make: u|p| + 2u|r|.
inline double Fused(double p, double r) { return kU * std::fabs(p) + 2.0 * kU * std::fabs(r); }

inline double Lut1DLookup(const KvStep& s, const float* t, float v, int k, double out) {
    if (s.kind == KV_STEP_LUT1D_HALF) {
        // The entries around v's half pattern, and the division's 2.5 ulp.
        const int h = FloatToHalfRne(v);
        double step = 0.0;
        for (int c : {h - 1, h + 1}) {
            if (c >= 0 && c < 65536) step = std::max(step, std::fabs(double(t[3 * c + k]) - t[3 * h + k]));
        }
        return 6.0 * kU * step + 2.0 * kU * std::fabs(out);
    }
    const float last = static_cast<float>(s.size - 1);
    const float index = std::min(last, last * v > 0.0f ? last * v : 0.0f);
    const float lo = std::floor(index);
    const float hi = lo < index ? lo + 1.0f : lo;
    const double a = t[3 * static_cast<int>(lo) + k];
    const double b = t[3 * static_cast<int>(hi) + k];
    return Fused((a - b) * (hi - index), out);
}

inline double Lut3DCellMagnitude(const KvStep& s, const float* t, const float in[3], int k) {
    const float last = static_cast<float>(s.size - 1);
    int lo[3];
    int hi[3];
    for (int j = 0; j < 3; ++j) {
        const float index = std::min(last, in[j] * last > 0.0f ? in[j] * last : 0.0f);
        lo[j] = static_cast<int>(std::floor(index));
        hi[j] = lo[j] < index ? lo[j] + 1 : lo[j];
    }
    double m = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        const int r = corner & 1 ? hi[0] : lo[0];
        const int g = corner & 2 ? hi[1] : lo[1];
        const int b = corner & 4 ? hi[2] : lo[2];
        m = std::max(m, std::fabs(double(t[3 * (r + s.size * (g + s.size * b)) + k])));
    }
    return m;
}

inline double Log(const KvStep& s, double v, double out, int k) {
    const float* q = s.p + 8 * k;
    const bool camera = s.style == KV_LOG_CAMERA_LIN_TO_LOG || s.style == KV_LOG_CAMERA_LOG_TO_LIN;
    switch (s.style) {
        case KV_LOG_LOG:
            return std::fabs(q[0]) * 2.0 * LogAccuracy(std::log2(std::max(kFltMin, v))) + 2.0 * kU * std::fabs(out);
        case KV_LOG_ANTILOG:
            return 4.0 * kU * std::fabs(out);
        case KV_LOG_LIN_TO_LOG:
        case KV_LOG_CAMERA_LIN_TO_LOG: {
            if (camera && v < q[4]) return Fused(q[5] * v, out);
            const double t = v * q[0] + q[1];
            const double dt = Fused(v * q[0], t);
            const auto log = [](double x) { return std::log2(std::max(kFltMin, x)); };
            const double dl = 2.0 * LogAccuracy(log(t)) + Slope(log, t, dt);
            return std::fabs(q[2]) * dl + Fused(log(t) * q[2], out);
        }
        default: {
            if (camera && v < q[4]) return 0.0;
            const double e = std::exp2((v + q[0]) * q[1]);
            return std::fabs(q[3]) * (4.0 * kU * e + 2.0 * kU * std::fabs(e + q[2])) + 2.0 * kU * std::fabs(out);
        }
    }
}

inline double Exponent(const KvStep& s, double v, double out, int k) {
    const float* q = s.p + 8 * k;
    const double g = q[0];
    if (s.style == KV_EXP_BASIC || s.style == KV_EXP_MIRROR || s.style == KV_EXP_PASS_THRU) {
        const double x = s.style == KV_EXP_MIRROR ? std::fabs(v) : std::max(0.0, v);
        return g == 0.0 || g == 1.0 ? 0.0 : 2.0 * PowSide(x, g);
    }
    const bool forward = s.style == KV_EXP_MONCURVE_FWD || s.style == KV_EXP_MONCURVE_MIRROR_FWD;
    const double x = s.style >= KV_EXP_MONCURVE_MIRROR_FWD ? std::fabs(v) : v;
    if (x <= q[3]) return 0.0;  // the straight part: one product, never fused
    if (forward) {
        const double t = x * q[2] + q[1];
        const auto power = [g](double y) { return std::pow(std::max(0.0, y), g); };
        return 2.0 * PowSide(t, g) + Slope(power, t, Fused(x * q[2], t));
    }
    const double p = std::pow(x, g);
    return std::fabs(q[2]) * 2.0 * PowSide(x, g) + Fused(p * q[2], out);
}

inline double Cdl(const KvStep& s, const float in[3], double out, int k) {
    const bool clamp = s.style == KV_CDL_FWD || s.style == KV_CDL_REV;
    const double w[3] = {0.2126, 0.7152, 0.0722};
    const double sat = s.p[9];
    const auto power = [clamp](double g) { return [g, clamp](double x) { return CdlPower(x, g, clamp); }; };
    double c[3];   // the values the saturation mixes
    double dc[3];  // and how far they may move
    if (s.style == KV_CDL_FWD || s.style == KV_CDL_FWD_NO_CLAMP) {
        for (int j = 0; j < 3; ++j) {
            const double v = in[j] * double(s.p[j]) + s.p[3 + j];
            c[j] = CdlPower(v, s.p[6 + j], clamp);
            dc[j] = Slope(power(s.p[6 + j]), v, Fused(in[j] * double(s.p[j]), v)) +
                    CdlPowerSides(v, s.p[6 + j], clamp);
        }
    } else {
        for (int j = 0; j < 3; ++j) {
            c[j] = clamp ? Clamp01(in[j]) : in[j];
            dc[j] = 0.0;
        }
    }
    double luma = 0.0;
    double dLuma = 0.0;
    for (int j = 0; j < 3; ++j) {
        luma += w[j] * c[j];
        dLuma += w[j] * (dc[j] + 2.0 * Gamma(3) * std::fabs(c[j]));
    }
    const double mix = sat * (c[k] - luma);
    const double mixed = luma + mix;
    const double dMixed = dLuma + std::fabs(sat) * (dc[k] + dLuma + 2.0 * kU * std::fabs(c[k] - luma)) +
                          Fused(mix, mixed);
    if (s.style == KV_CDL_FWD || s.style == KV_CDL_FWD_NO_CLAMP) return dMixed;
    const double p = CdlPower(mixed, s.p[6 + k], clamp);
    const double dp = Slope(power(s.p[6 + k]), mixed, dMixed) + CdlPowerSides(mixed, s.p[6 + k], clamp);
    return std::fabs(s.p[k]) * (dp + 2.0 * kU * std::fabs(p + s.p[3 + k])) + 2.0 * kU * std::fabs(out);
}

}  // namespace step_bound

// The bound on |gpu - processor| for output channel k of step `s`, given
// its input `in` and the processor's output `out` (both finite).
inline double StepBound(const KvStep& s, const float* tables, const float in[3], const float out[3], int k) {
    using namespace step_bound;
    const float* t = tables + s.table;
    const double v = in[k];
    double b = 0.0;
    switch (s.kind) {
        case KV_STEP_MATRIX: {
            const bool diagonal = (s.style & KV_MATRIX_DIAGONAL) != 0;
            double sum = (s.style & KV_MATRIX_OFFSET) || !diagonal ? std::fabs(s.p[9 + k]) : 0.0;
            for (int j = 0; j < 3; ++j) {
                if (!diagonal) sum += std::fabs(s.p[3 * k + j] * double(in[j]));
            }
            b = diagonal ? 2.0 * Gamma(2) * (sum + std::fabs(s.p[4 * k] * v)) : 2.0 * Gamma(4) * sum;
            break;
        }
        case KV_STEP_RANGE:
            b = s.style & KV_RANGE_SCALE ? 2.0 * Gamma(2) * (std::fabs(v * s.p[0]) + std::fabs(s.p[1])) : 0.0;
            break;
        case KV_STEP_LOG: b = Log(s, v, out[k], k); break;
        case KV_STEP_EXPONENT: b = Exponent(s, v, out[k], k); break;
        case KV_STEP_CDL: b = Cdl(s, in, out[k], k); break;
        case KV_STEP_LUT3D: {
            const double m = Lut3DCellMagnitude(s, t, in, k);
            b = s.style == KV_INTERP_TETRAHEDRAL ? 2.0 * Gamma(4) * m : 30.0 * kU * m;
            break;
        }
        default: {
            if (!(s.style & KV_LUT1D_HUE_ADJUST)) {
                b = Lut1DLookup(s, t, in[k], k, out[k]);
                break;
            }
            double worst = 0.0;
            for (int j = 0; j < 3; ++j) worst = std::max(worst, Lut1DLookup(s, t, in[j], j, out[j]));
            const double spread = std::max({out[0], out[1], out[2]}) - std::min({out[0], out[1], out[2]});
            b = 3.0 * worst + 6.0 * kU * spread + 2.0 * kU * std::fabs(out[k]);
            break;
        }
    }
    return b * (1.0 + 0x1p-10) + 0x1p-140;
}

// The bound after the Amount blend (out - in) * amount + in, for a step
// bound `d` on `out` and the processor's blended `result`.
inline double BlendedBound(double d, float in, float out, float amount, float result) {
    using step_bound::kU;
    const double diff = std::fabs(double(out) - in);
    return (amount * (d + 2.0 * kU * diff) + kU * amount * diff + 2.0 * kU * std::fabs(result)) * (1.0 + 0x1p-10) +
           0x1p-140;
}

}  // namespace kv::gpu::test
