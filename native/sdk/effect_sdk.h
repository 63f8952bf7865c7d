#pragma once
// Everything of the hosts' effect SDK that the module and the headless host
// use: types, constants, parameter records, suites, command records.

#include "effect_sdk_types.h"
#include "effect_sdk_constants.h"
#include "effect_sdk_params.h"
#include "effect_sdk_suites.h"
#include "effect_sdk_records.h"
#include "effect_sdk_smart_render.h"
