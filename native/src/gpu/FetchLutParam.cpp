#include "gpu/FetchLutParam.h"

#include <atomic>
#include <cstring>
#include <string>

#include "host_link/HostBytes.h"
#include "host_link/LutCache.h"
#include "gpu/HostParamIndex.h"
#include "panel_link/Log.h"

namespace kv::gpu {

namespace {

// The LUT parameter's index as the editing host counts parameters (the input
// layer is not counted there).
constexpr csSDK_int32 kLutParamIndex = HostParamIndex(kParamLut);
constexpr int kMaxTypeWarnings = 3;

// Render threads of several instances read and bump this at once.
std::atomic<int> gTypeWarnings{0};

}  // namespace

void FetchLutParam(const PrGPUFilterBase& filter, PrTime time, InstanceLut& target) {
    target.fetched = true;
    PrParam param;
    std::memset(&param, 0, sizeof param);
    filter.mVideoSegmentSuite->GetParam(filter.mNodeID, kLutParamIndex, time, &param);

    if (param.mType == kPrParamType_PrMemoryPtr && param.mMemoryPtr != nullptr) {
        // The block is the host's copy for us: it goes back even if reading
        // it throws.
        const HostBytes block = HostBytes::AdoptBlock(filter.mMemoryManagerSuite, param.mMemoryPtr);
        std::string error;
        target.lut = GetLutForParam(block.Data(), block.Size(), &error);
        if (!target.lut && !error.empty()) {
            LogPrintf("GPU: embedded LUT: %s", error.c_str());
        }
        return;
    }
    if (param.mType == 0) {
        return;
    }
    // The first check keeps the counter from growing (and wrapping) forever.
    if (gTypeWarnings.load() < kMaxTypeWarnings && gTypeWarnings.fetch_add(1) < kMaxTypeWarnings) {
        LogPrintf("GPU: LUT param type %d (expected a memory block)", static_cast<int>(param.mType));
    }
}

void ResetLutParamWarningsForTesting() { gTypeWarnings.store(0); }

}  // namespace kv::gpu
