#pragma once
// The commands answered by the effect as a whole: the about text and the
// global setup (version, flags and, in the editing host, pixel formats).

#include "effect_sdk.h"

// The effect's packed version: 1.0, build 12.
inline constexpr A_u_long kEffectVersion = 0x0008000C;
inline constexpr int kEffectBuild = 12;
inline constexpr PF_OutFlags kEffectOutFlags = PF_OutFlag_PIX_INDEPENDENT | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
inline constexpr PF_OutFlags2 kEffectOutFlags2 = PF_OutFlag2_SUPPORTS_THREADED_RENDERING;

PF_Err About(PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);
