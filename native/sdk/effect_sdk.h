#pragma once
// Everything of the hosts' effect SDK that the module and the headless host
// use: types, constants, parameter records, suites, command records.

#include "sdk/effect_sdk_types.h"
#include "sdk/effect_sdk_constants.h"
#include "sdk/effect_sdk_params.h"
#include "sdk/effect_sdk_suites.h"
#include "sdk/effect_sdk_records.h"
#include "sdk/effect_sdk_smart_render.h"
#include "sdk/effect_sdk_gpu.h"
