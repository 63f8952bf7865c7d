#pragma once
// The registration call through which the hosts learn the effect's name,
// category and entry point without reading the property list.

#include "effect_sdk.h"

inline constexpr char kEffectName[] = "Kromvale";
inline constexpr char kEffectMatchName[] = "KRVL Kromvale";
inline constexpr char kEffectCategory[] = "Color Correction";
inline constexpr char kEffectEntryPoint[] = "EffectMain";
inline constexpr char kEffectSupportUrl[] = "https://kromvale.example/support";
inline constexpr A_long kEffectKind = 0x65464B54;  // 'eFKT'
inline constexpr A_long kEffectApiMajor = 13;
inline constexpr A_long kEffectApiMinor = 29;
inline constexpr A_long kEffectReservedInfo = 8;

// Calls `cb` once with the effect's registration data; returns its result.
A_Err RegisterEffect(PF_PluginDataPtr inPtr, PF_PluginDataCB2 cb);
