#pragma once
// How far the kernel's LUT result may lie from the processor's.
//
// Both sum the same four products w_i * c_i with the same weights (cell,
// fractions, tetrahedron and weights are computed identically). The kernel
// adds them left to right, ((t0 + t1) + t2) + t3, each term passing through
// at most 4 roundings (its product and three additions; a fused
// multiply-add only removes roundings). The processor adds them as
// (t3 + t2) + (t1 + t0): 3 roundings per term. With u = 2^-24 and
// gamma_k = k*u / (1 - k*u), each lies within gamma_k * S of the exact sum,
// S = sum |t_i|, so
//     |kernel - processor| <= (gamma_4 + gamma_3) * S      (about 7 units of S)
// plus a few subnormal steps when products underflow.
//
// The blend d = v - in, p = d * a, out = in + p (fused: fma(d, a, in)) adds
// at most u*|out| + (2u + u^2)*a*|v - in| on each side, so the outputs differ
// by at most a * (sum bound) plus both blend errors.

#include <algorithm>
#include <cmath>

namespace kv::gpu::test {

constexpr double kUnitRoundoff = 0x1p-24;
constexpr double kSubnormalSlack = 8 * 0x1p-149;

inline double Gamma(int k) {
    return k * kUnitRoundoff / (1.0 - k * kUnitRoundoff);
}

// |t0| + |t1| + |t2| + |t3| for output channel c of a tetrahedron record
// (either twin's KvTetra).
template <class Tetra>
double SumMagnitude(const Tetra& t, const float* lut, int c) {
    const float* c000 = lut + t.base + c;
    return std::fabs(double(t.w0) * c000[0]) + std::fabs(double(t.w1) * c000[t.ia]) +
           std::fabs(double(t.w2) * c000[t.ib]) + std::fabs(double(t.w3) * c000[t.opposite]);
}

inline double SumBound(double magnitude) {
    return (Gamma(4) + Gamma(3)) * magnitude + kSubnormalSlack;
}

inline double BlendBound(double sumBound, float in, float amount, float vKernel, float vCpu,
                         float outKernel, float outCpu) {
    const double u = kUnitRoundoff;
    const double a = amount;
    return a * sumBound * (1.0 + 4.0 * u) +
           u * (1.0 + 4.0 * u) * (std::fabs(double(outKernel)) + std::fabs(double(outCpu))) +
           2.0001 * u * a *
               (std::fabs(double(vKernel) - in) + std::fabs(double(vCpu) - in)) +
           kSubnormalSlack;
}

// Worst |difference| / bound seen; above 1 is a failure.
struct ParityStats {
    double worstRatio = 0.0;
    void Add(double difference, double bound) {
        worstRatio = std::max(worstRatio, difference / bound);
    }
};

}  // namespace kv::gpu::test
