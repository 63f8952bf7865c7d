#pragma once
// The "Change LUT" file dialog.

#include <string>

#include "sdk/effect_sdk.h"

namespace kv {

// Shows the open-file dialog for .cube files, owned by the host's main window
// (else the foreground window) and opening in GetLutFolder(). Returns the
// chosen file's full path, or an empty string when the user cancelled or the
// dialog failed. Logs the folder and the owner.
std::wstring ChooseLutFile(const PF_InData* in_data);

}  // namespace kv
