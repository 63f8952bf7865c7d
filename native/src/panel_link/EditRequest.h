#pragma once
// The "Edit LUT" button: asks the panel, through "edit-request.json" in the
// per-user data folder, to open again the match that the stored LUT came from.

#include <cstdint>
#include <string>
#include <string_view>

#include "sdk/effect_sdk.h"

namespace kv {

// Writes the request for the stored LUT's match id, replacing any earlier
// one, and logs it. A LUT without a match id (or no LUT) gets an information
// box instead and no file. Reports nothing: the host command succeeds.
void RequestEditLut(const PF_InData* in_data, PF_ParamDef* params[]);

// The request file's bytes: {"id":<id>,"name":"<name>","at":<ms>} and a line
// feed, no spaces. The name is made valid UTF-8 (a malformed sequence becomes
// U+FFFD), then '"' and '\' get a backslash and control characters become
// \u00XX, so the record is always one line of valid JSON, whatever its length.
std::string EditRequestRecord(int32_t id, std::string_view name, int64_t atMilliseconds);

}  // namespace kv
