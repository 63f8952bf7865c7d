#pragma once
// A process list as it is evaluated: one flat array of step records and
// one array holding every step's table, built once per LUT.

#include <memory>
#include <vector>

#include "lut_engine/Lut3D.h"
#include "lut_engine/ProcessList.h"

namespace kv {

#include "lut_engine/process/StepRecord.h"

struct PreparedSteps {
    std::vector<KvStep> records;
    std::vector<float> tables;
};

// The records and tables of `list`, which must pass IsCompleteProcessList.
std::shared_ptr<const PreparedSteps> PrepareSteps(const ProcessList& list);

// Makes `lut` the process list `list`: no tables of its own, the list and
// its prepared steps attached. False (lut unchanged) for a list that is not
// complete.
bool MakeProcessLut(Lut3D& lut, ProcessList list);

// Runs one pixel's R, G, B through the steps in place (the scalar body).
void ApplyProcessSteps(const PreparedSteps& steps, float rgb[3]);

}  // namespace kv
