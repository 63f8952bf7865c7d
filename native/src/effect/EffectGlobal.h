#pragma once
// The commands answered by the effect as a whole: the about text and the
// global setup (version, flags and, in the editing host, pixel formats).

#include "effect/EffectIdentity.h"
#include "sdk/effect_sdk.h"

namespace kv {

inline constexpr A_u_long kEffectVersion =
    PF_VERSION(KV_VERSION_MAJOR, KV_VERSION_MINOR, KV_VERSION_BUGFIX, KV_VERSION_STAGE, KV_VERSION_BUILD);
inline constexpr int kEffectBuild = KV_VERSION_BUILD;
inline constexpr PF_OutFlags kEffectOutFlags = KV_OUT_FLAGS;
inline constexpr PF_OutFlags2 kEffectOutFlags2 = KV_OUT_FLAGS2;

// The numbers in EffectIdentity.h must mean these flags.
static_assert(kEffectOutFlags ==
              (PF_OutFlag_PIX_INDEPENDENT | PF_OutFlag_SEND_UPDATE_PARAMS_UI | PF_OutFlag_DEEP_COLOR_AWARE));
static_assert(kEffectOutFlags2 == (PF_OutFlag2_SUPPORTS_THREADED_RENDERING | PF_OutFlag2_SUPPORTS_SMART_RENDER |
                                   PF_OutFlag2_FLOAT_COLOR_AWARE | PF_OutFlag2_SUPPORTS_GPU_RENDER_F32));

PF_Err About(PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);

}  // namespace kv
