#pragma once
// Where the "Change LUT" dialog opens.

#include <string>

namespace kv {

// The folder named by the panel in "lut-folder.txt" (per-user data folder)
// when it names something that exists; otherwise the documents folder
// followed by "Kromvale LUTs"; an empty string when neither can be had.
// Read anew on every call, so the panel's changes apply at the next click.
// Touches nothing on disk and logs nothing.
std::wstring GetLutFolder();

}  // namespace kv
