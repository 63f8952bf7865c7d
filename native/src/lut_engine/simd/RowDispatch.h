#pragma once
// The four row operations as one set per level, and the set for the active
// level (RowLevel.h). The render's jobs call through ActiveRowOps(), looked
// up once per job.

#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"
#include "lut_engine/simd/RowLevel.h"

namespace kv {

struct RowOps {
    LutRows32fFn lutRows32f = nullptr;
    LutRows8Fn lutRows8 = nullptr;
    ProbeRowsFn probeRows32f = nullptr;
    ProbeRowsFn probeRows8 = nullptr;
};

// The reference routines.
const RowOps& ScalarRowOps();

// The set built for `level`; run it only on a processor that has the level.
const RowOps& RowOpsFor(RowLevel level);

// RowOpsFor(activeRowLevel()).
const RowOps& ActiveRowOps();

}  // namespace kv
