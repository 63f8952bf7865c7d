#pragma once
// The current user's known folders.

#include <string>

namespace kv::platform {

enum class KnownFolder {
    RoamingAppData,  // Windows: FOLDERID_RoamingAppData; Linux: $XDG_DATA_HOME or ~/.local/share
    Documents,       // Windows: FOLDERID_Documents; Linux: ~/Documents
};

// The folder's path without a trailing separator, or an empty string when the
// system cannot name it. Nothing on disk is checked or created.
std::wstring KnownFolderPath(KnownFolder which);

}  // namespace kv::platform
