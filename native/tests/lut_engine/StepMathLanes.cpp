#include "StepMathLanes.h"

#include "lut_engine/process/ScalarLanes.h"

namespace kv::scalar {
#include "lut_engine/process/StepMath.h"
}

namespace kvtest {

void StepMathScalar(MathFn fn, const float* x, const float* y, float* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        out[i] = fn == MathFn::kLog2   ? kv::scalar::kvLog2(x[i])
                 : fn == MathFn::kExp2 ? kv::scalar::kvExp2(x[i])
                                       : kv::scalar::kvPowPositive(x[i], y[i]);
    }
}

}  // namespace kvtest
