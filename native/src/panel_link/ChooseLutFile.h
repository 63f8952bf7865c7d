#pragma once
// The "Change LUT" file dialog.

#include <string>

#include "sdk/effect_sdk.h"

namespace kv {

// The dialog's filter: "LUT files" with every extension Change LUT reads,
// then one entry per format (LutFormats.h), then "All files"; pairs of text
// and patterns, each ended by a NUL (the list's own terminator closes it).
std::wstring LutDialogFilter();

// Shows the open-file dialog for LUT files, owned by the host's main window
// (else the foreground window) and opening in GetLutFolder(). Returns the
// chosen file's full path, or an empty string when the user cancelled or the
// dialog failed. Logs the folder and the owner.
std::wstring ChooseLutFile(const PF_InData* in_data);

}  // namespace kv
