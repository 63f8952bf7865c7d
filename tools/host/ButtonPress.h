#pragma once
// The effect's two buttons pressed the way a host presses them: the
// USER_CHANGED_PARAM command for "Change LUT" (index 3) or "Edit LUT"
// (index 4), then a report of what came of it.

#include <ostream>
#include <string>
#include <vector>

#include "host_sim/FakeHost.h"
#include "host/LoadedModule.h"

namespace kvtool {

// "change" or "3", "edit" or "4"; -1 for anything else.
int ButtonIndexFromName(const std::string& name);

// Presses each button in turn. `lut` is the "LUT" parameter's value, which a
// press may replace. On Linux the module's file dialog takes `answers` in
// order (UTF-8 paths; "" cancels; none left cancels) and its message boxes
// are read back through the module's test exports; on Windows the real
// dialogs appear, and `answers` must be empty.
//
// Prints for each press its result, out-flags, the message boxes, the stored
// LUT (name, id, size, value bytes) when it changed, the button label and
// the request file when one was written. Returns false (with a line on err)
// when a press returns an error or the module lacks what was asked of it.
bool PressButtons(kvsim::FakeHost& host, const LoadedModule& module, const std::vector<int>& presses,
                  const std::vector<std::string>& answers, double amount, PF_ArbitraryH& lut, std::ostream& out,
                  std::ostream& err);

}  // namespace kvtool
