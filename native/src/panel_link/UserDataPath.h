#pragma once
// The per-user data folder that the effect shares with the panel.

#include <string>

namespace kv {

// The full path of `name` in the per-user data folder: the roaming app-data
// folder, a separator, "Kromvale", a separator, then the name (Windows:
// <roaming>\Kromvale\<name>; Linux: <data home>/Kromvale/<name>). An empty
// name gives the folder with its trailing separator. When the known folder
// cannot be had the result starts at the separator (the root of the current
// drive on Windows). Nothing on disk is touched.
std::wstring GetUserDataPath(const std::wstring& name);

}  // namespace kv
