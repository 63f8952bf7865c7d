#pragma once
// The GPU check's verdict on one frame: every channel of the device's result
// against the processor's, and the one that came nearest its bound (or went
// furthest past it), with its input, processor and GPU values for the table.
//
// Bounds: the pattern and a zero amount are exact (a half frame against the
// processor's value rounded to half); a LUT result may differ by the kernel's
// summation bound on float frames and by one half step on half frames, whose
// rounding may fall either side. A process list on a device that fuses
// products into sums (CUDA's) is held to what the process-list files are
// held to against OpenColorIO, 1e-5 max(|processor|, 0.1) per channel: the
// processor keeps within that of the reference, so the device keeps within
// twice it (the half step added on half frames).

#include <algorithm>
#include <cmath>
#include <limits>

#include "gpu/kernel/HalfFloat.h"

namespace kvtest {

struct WorstChannel {
    int x = 0;
    int y = 0;
    int c = 0;
    float input = 0;
    float cpu = 0;
    float gpu = 0;
    // |GPU - CPU| as a fraction of the channel's bound: above 1 is a
    // mismatch; infinite where an exact channel differs or the GPU gave NaN.
    double boundUsed = -1.0;
};

class FrameVerdict {
public:
    FrameVerdict(bool exact, bool half, bool processList = false)
        : exact_(exact), half_(half), processList_(processList) {}

    void Add(int x, int y, int c, float input, float cpu, float gpu) {
        const double used = BoundUsed(input, cpu, gpu);
        if (used > worst_.boundUsed) {
            worst_ = WorstChannel{x, y, c, input, cpu, gpu, used};
        }
    }

    bool Matches() const { return worst_.boundUsed <= 1.0; }
    const WorstChannel& Worst() const { return worst_; }

private:
    double BoundUsed(float input, float cpu, float gpu) const {
        constexpr double kInfinite = std::numeric_limits<double>::infinity();
        if (std::isnan(gpu)) {
            return kInfinite;
        }
        if (exact_) {
            const float expected = half_ ? kv::gpu::HalfToFloat(kv::gpu::FloatToHalfRne(cpu)) : cpu;
            return gpu == expected ? 0.0 : kInfinite;
        }
        const double want = cpu;
        double allowed = half_ ? std::fabs(want) * 0x1p-10 + 0x1p-24
                               : 16 * 0x1p-24 * std::max({1.0, std::fabs(want), std::fabs(double(input))});
        if (processList_) allowed = (half_ ? allowed : 0.0) + 1e-5 * std::max(std::fabs(want), 0.1);
        const double used = std::fabs(double(gpu) - want) / allowed;
        return std::isnan(used) ? kInfinite : used;
    }

    bool exact_;
    bool half_;
    bool processList_;
    WorstChannel worst_;
};

}  // namespace kvtest
