#include "lut_engine/simd/RowLevel.h"

#include <atomic>

namespace kv {

namespace {

RowLevel ProbeProcessor() {
#if defined(__x86_64__) || defined(_M_X64)
    // Also checks that the operating system saves the YMM registers.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        return RowLevel::kAvx2;
    }
#endif
    return RowLevel::kScalar;
}

// -1 until first use. Read once per job, so a relaxed load is enough: a job
// that races with SetRowLevel runs at one level or the other, and both give
// the same bits.
std::atomic<int32_t> gActiveLevel{-1};

}  // namespace

RowLevel DetectedRowLevel() {
    static const RowLevel detected = ProbeProcessor();
    return detected;
}

RowLevel ActiveRowLevel() {
    const int32_t level = gActiveLevel.load(std::memory_order_relaxed);
    if (level >= 0) {
        return static_cast<RowLevel>(level);
    }
    const RowLevel detected = DetectedRowLevel();
    int32_t expected = -1;
    gActiveLevel.compare_exchange_strong(expected, static_cast<int32_t>(detected),
                                         std::memory_order_relaxed);
    return static_cast<RowLevel>(gActiveLevel.load(std::memory_order_relaxed));
}

bool SetRowLevel(RowLevel level) {
    if (static_cast<int32_t>(level) < 0 || level > DetectedRowLevel()) {
        return false;
    }
    gActiveLevel.store(static_cast<int32_t>(level), std::memory_order_relaxed);
    return true;
}

const char* RowLevelName(RowLevel level) {
    switch (level) {
        case RowLevel::kScalar:
            return "scalar";
        case RowLevel::kAvx2:
            return "avx2";
    }
    return "unknown";
}

}  // namespace kv
