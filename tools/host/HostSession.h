#pragma once
// One run of the headless host: load the module, register it, set it up as
// After Effects or Premiere Pro, store a LUT through the parameter callbacks,
// update the controls, render a picture and keep the value in a project
// file, printing what the module answered at each step.

#include <ostream>

#include "host/HostOptions.h"

namespace kvtool {

// Returns the process exit status: 0 when every step succeeded, 1 otherwise.
int RunHostSession(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kvtool
