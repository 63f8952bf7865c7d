#include "lut_engine/simd/RowDispatch.h"

#include "lut_engine/simd/LutRowsAvx2.h"

namespace kv {

const RowOps& ScalarRowOps() {
    static const RowOps ops{&ApplyLutRows32f, &ApplyLutRows8, &DrawProbeRows32f, &DrawProbeRows8};
    return ops;
}

const RowOps& RowOpsFor(RowLevel level) {
    static const RowOps avx2{&ApplyLutRows32fAvx2, &ApplyLutRows8Avx2, &DrawProbeRows32fAvx2,
                             &DrawProbeRows8Avx2};
    return level == RowLevel::kAvx2 ? avx2 : ScalarRowOps();
}

const RowOps& ActiveRowOps() {
    return RowOpsFor(activeRowLevel());
}

}  // namespace kv
