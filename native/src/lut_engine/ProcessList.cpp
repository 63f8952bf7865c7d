#include "lut_engine/ProcessList.h"

#include <type_traits>

namespace kv {

bool IsCompleteProcessList(const ProcessList& list) {
    if (list.steps.empty() || list.steps.size() > kMaxProcessSteps) return false;
    for (const ProcessStep& step : list.steps) {
        const bool complete = std::visit(
            [](const auto& s) {
                using S = std::decay_t<decltype(s)>;
                if constexpr (std::is_same_v<S, Lut1DStep>) {
                    const int32_t size = s.halfDomain ? 65536 : s.size;
                    return s.size == size && s.size >= 2 && s.size <= kMaxProcessLut1DSize &&
                           s.values.size() == static_cast<size_t>(s.size) * 3;
                } else if constexpr (std::is_same_v<S, Lut3DStep>) {
                    const auto n = static_cast<size_t>(s.size);
                    return s.size >= 2 && s.size <= kMaxProcessLut3DSize && s.values.size() == n * n * n * 3;
                } else {
                    return true;
                }
            },
            step);
        if (!complete) return false;
    }
    return true;
}

}  // namespace kv
