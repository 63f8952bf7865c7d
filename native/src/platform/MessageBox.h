#pragma once
// Modal message boxes with an OK button. Windows: MessageBoxW. Linux, and
// Windows tests that switch scripting on: recorded by DialogScript.h.

#include <string>

namespace kv::platform {

enum class MessageIcon { Information, Warning };

// Returns what the system returned (Windows: IDOK, or 0 / -1 when the box
// could not be shown); the stand-in returns 1, as for OK.
int ShowMessageBox(void* owner, const std::wstring& text, const std::wstring& caption, MessageIcon icon);

}  // namespace kv::platform
