#pragma once
// The one entry of every command the hosts send, and the effect's only
// exception boundary: nothing thrown inside reaches a host.

#include "sdk/effect_sdk.h"

namespace kv {

PF_Err DispatchEffectCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output, void* extra) noexcept;

}  // namespace kv
