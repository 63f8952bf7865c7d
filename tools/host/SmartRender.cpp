#include "host/SmartRender.h"

#include "host_sim/FakeSmartRender.h"

namespace kvtool {

const kv::PixelFormat& SmartRenderFormat(int depth) {
    switch (depth) {
        case 16:
            return kv::kArgb16;
        case 32:
            return kv::kArgb32f;
        default:
            return kv::kArgb8;
    }
}

bool SmartRenderFrame(kvsim::FakeHost& host, kvsim::FakeWorld& input, kvsim::FakeWorld& output, double amountPercent,
                      PF_ArbitraryH lut, std::string& error) {
    kvsim::SmartRenderCall call(host, &input, &output, amountPercent, lut);
    PF_Err err = call.PreRender();
    if (err != PF_Err_NONE) {
        error = "SMART_PRE_RENDER returned error " + std::to_string(err);
        return false;
    }
    err = call.Render();
    if (err != PF_Err_NONE) {
        error = "SMART_RENDER returned error " + std::to_string(err);
        return false;
    }
    if (const int out = call.paramsStillOut(); out != 0) {
        error = "SMART_RENDER left " + std::to_string(out) + (out == 1 ? " parameter" : " parameters") +
                " checked out";
        return false;
    }
    return true;
}

}  // namespace kvtool
