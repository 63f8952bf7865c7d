// The step body on one lane: the reference that every other evaluation of
// a process list matches.

#include "lut_engine/process/ScalarLanes.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv::scalar {
#include "lut_engine/process/StepMath.h"
#include "lut_engine/process/StepBody.h"
}  // namespace kv::scalar

namespace kv {

void ApplyProcessSteps(const PreparedSteps& steps, float rgb[3]) {
    scalar::kvApplySteps(steps.records.data(), static_cast<int>(steps.records.size()), steps.tables.data(), rgb);
}

}  // namespace kv
