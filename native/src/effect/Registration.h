#pragma once
// The registration call through which the hosts learn the effect's name,
// category and entry point without reading the property list.

#include "effect/EffectIdentity.h"
#include "sdk/effect_sdk.h"

namespace kv {

inline constexpr char kEffectName[] = KV_EFFECT_NAME;
inline constexpr char kEffectMatchName[] = KV_EFFECT_MATCH_NAME;
inline constexpr char kEffectCategory[] = KV_EFFECT_CATEGORY;
inline constexpr char kEffectEntryPoint[] = KV_EFFECT_ENTRY_POINT;
inline constexpr char kEffectSupportUrl[] = KV_EFFECT_SUPPORT_URL;
inline constexpr A_long kEffectKind = 0x65464B54;  // 'eFKT'
inline constexpr A_long kEffectApiMajor = KV_API_VERSION_MAJOR;
inline constexpr A_long kEffectApiMinor = KV_API_VERSION_MINOR;
inline constexpr A_long kEffectReservedInfo = 8;

// Calls `cb` once with the effect's registration data; returns its result.
A_Err RegisterEffect(PF_PluginDataPtr inPtr, PF_PluginDataCB2 cb);

}  // namespace kv
