#pragma once
// One frame through the compositing host's smart render: SMART_PRE_RENDER
// asks for the input the request needs, then SMART_RENDER checks out "Amount"
// and "LUT" and fills the output world, in ARGB worlds of 8, 16 or 32 bits
// per channel.

#include <string>

#include "host_sim/FakeHost.h"
#include "lut_engine/PixelFormat.h"

namespace kvtool {

// The world format of --depth 8, 16 or 32 (ARGB8, ARGB16, ARGB32f).
const kv::PixelFormat& SmartRenderFormat(int depth);

// Renders `input` into `output` as a smart render of its own, with a host
// context that no other render shares, so that several threads may each run
// one at a time. False with `error` when the effect answers an error, or when
// it leaves a parameter checked out, which a host would have to reclaim.
bool SmartRenderFrame(kvsim::FakeHost& host, kvsim::FakeWorld& input, kvsim::FakeWorld& output, double amountPercent,
                      PF_ArbitraryH lut, std::string& error);

}  // namespace kvtool
