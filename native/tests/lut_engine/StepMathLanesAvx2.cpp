#include "StepMathLanes.h"

#include "lut_engine/simd/Avx2Lanes.h"

namespace kv::avx2 {
#include "lut_engine/process/StepMath.h"
}

namespace kvtest {

KV_AVX2 void StepMathAvx2(MathFn fn, const float* x, const float* y, float* out, size_t n) {
    using kv::avx2::F8;
    for (size_t i = 0; i + 8 <= n; i += 8) {
        const F8 a(_mm256_loadu_ps(x + i));
        const F8 b(_mm256_loadu_ps(y + i));
        const F8 r = fn == MathFn::kLog2 ? kv::avx2::kvLog2(a) : fn == MathFn::kExp2 ? kv::avx2::kvExp2(a) : kv::avx2::kvPowPositive(a, b);
        _mm256_storeu_ps(out + i, r.v);
    }
}

}  // namespace kvtest
