#pragma once
// The window that owns message boxes and dialogs.

namespace kv::platform {

// Windows: GetForegroundWindow() as an opaque HWND, which may be null when no
// window has the focus (a null owner is valid). Linux, where nothing is
// shown: a fixed non-null token, so callers' "no owner" paths stay unused.
void* ForegroundWindow();

}  // namespace kv::platform
