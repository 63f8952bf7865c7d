#pragma once
// The "Change LUT" button shows what the effect holds: the stored LUT's name
// as a file name, "Calibrating" for a calibration pattern, or an invitation
// to choose a LUT.

#include <memory>
#include <string>

#include "sdk/effect_sdk.h"
#include "lut_engine/Lut3D.h"

namespace kv {

// The LUT held by the "LUT" parameter, or null.
std::shared_ptr<const Lut3D> GetParamLut(const PF_InData* in_data, PF_ParamDef* params[]);

// The button text for what the "LUT" parameter holds (8-bit, UTF-8 names
// pass through).
std::string LutButtonLabel(const PF_InData* in_data, PF_ParamDef* params[]);

// Works the text out and hands it to the host for the button. `reason` says
// why ("update", "picked") and appears in the log. Never reports an error:
// the host command that calls it succeeds whatever happens here.
void UpdateLutButtonLabel(const PF_InData* in_data, PF_ParamDef* params[], const char* reason);

}  // namespace kv
