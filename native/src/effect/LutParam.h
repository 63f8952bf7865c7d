#pragma once
// The "LUT" parameter's value and its host callbacks.
//
// The value is a host handle holding LUT text, either as 8-bit characters or
// as UTF-16 little-endian units, with no terminator. Values made here are
// UTF-16; both forms are read everywhere. The host owns every handle and
// disposes of it through the DISPOSE callback.

#include <cstddef>

#include "sdk/effect_sdk.h"

namespace kv {

// ARBITRARY_CALLBACK for the "LUT" parameter.
PF_Err ArbitraryCallback(PF_InData* in_data, PF_ArbParamsExtra* extra);

// The record the parameter's definition points its refcon at.
void* LutParamRefcon();

// A handle holding the "no LUT" text "KVLUT0" as UTF-16 (12 bytes), or null
// when the host gives no handle.
PF_Handle NewDefaultValue(const PF_InData* in_data);

// A handle holding a copy of `length` bytes; null when the host gives no
// handle. If the host cannot lock the new handle its bytes stay as the host
// made them.
PF_Handle NewHandleWithBytes(const PF_InData* in_data, const void* bytes, size_t length);

// A copy of a value that holds LUT text; anything else (or null) copies as
// the "no LUT" value.
PF_Handle CopyValue(const PF_InData* in_data, PF_Handle source);

}  // namespace kv
