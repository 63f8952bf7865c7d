#pragma once
// The only way the effect tells its user anything: a message box with the
// caption "Kromvale", owned by the foreground window.

#include <string>

namespace kv {

// The warning icon when `warning` is set, the information icon otherwise.
// Blocks until the user closes the box (Windows); returns nothing, since every
// box only reports what already happened.
void ShowMessage(const std::wstring& text, bool warning);

}  // namespace kv
