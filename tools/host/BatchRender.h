#pragma once
// Batch renders: every frame of a folder or a numbered sequence through the
// loaded module, several frames at once, with progress and a summary.
//
// Each worker thread renders whole frames with its own host records (input
// and output records, parameter array, worlds), as a host's render threads
// do; the module declares threaded rendering. With --depth each frame is a
// smart render of its own at that depth (SmartRender.h). A frame goes to a
// temporary name in its output folder and is renamed when complete, so an
// interrupted run (SIGINT, SIGTERM) leaves only whole frames under final
// names.

#include <ostream>

#include "host_sim/FakeHost.h"
#include "host/HostOptions.h"

namespace kvtool {

// The effect as the session has set it up (GLOBAL_SETUP and PARAMS_SETUP
// done, the LUT value stored).
struct BatchEffect {
    kvsim::FakeHost& host;
    kvsim::EffectEntry entry;
    PF_ArbitraryH lut;
    double amount;
};

// Exit statuses besides 0 (every frame written) and 1 (refused, or a frame
// that was read could not be rendered or written).
constexpr int kBatchSkippedStatus = 3;  // frames that could not be read were skipped
// An interrupted batch ends with 128 + the signal's number.

// Renders options.inPath to options.outPath. Progress and problems go to
// `err`, the summary to `out`. Returns the exit status.
int RenderBatch(const BatchEffect& effect, const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kvtool
