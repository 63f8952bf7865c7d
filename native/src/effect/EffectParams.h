#pragma once
// PARAMS_SETUP, from the parameter table.

#include "host_link/ParamTable.h"
#include "sdk/effect_sdk.h"

namespace kv {

// Adds the four parameters after the input layer.
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);

}  // namespace kv
