#pragma once
// Which build of the row operations runs: the scalar reference routines or a
// vectorised set that produces the same bits. The level is detected from the
// processor once, on first use; tests and benchmarks may force another one.

#include <cstdint>

namespace kv {

// Ordered lowest first: a processor that runs one level runs every level
// below it.
enum class RowLevel : int32_t {
    kScalar = 0,  // the reference routines; any processor
    kAvx2 = 1,    // eight pixels at a time with AVX2 (x86-64-v3 processors)
};

// The best level this processor runs.
RowLevel DetectedRowLevel();

// The level the row operations run at: DetectedRowLevel() unless set.
RowLevel ActiveRowLevel();

// Runs the row operations at `level` from now on. A level the processor
// cannot run is refused: returns false and leaves the active level as it is.
bool SetRowLevel(RowLevel level);

// "scalar" or "avx2".
const char* RowLevelName(RowLevel level);

}  // namespace kv
