#pragma once
// Effect parameters as the editing host numbers them for the GPU filter: in
// the effect's order, but without the input layer, which the host does not
// count there.

#include "host_link/ParamTable.h"
#include "sdk/premiere_sdk_types.h"

namespace kv::gpu {

constexpr csSDK_int32 HostParamIndex(EffectParamIndex effectIndex) {
    return static_cast<csSDK_int32>(effectIndex) - 1;
}

}  // namespace kv::gpu
