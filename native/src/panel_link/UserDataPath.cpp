#include "panel_link/UserDataPath.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

namespace kv {

std::wstring GetUserDataPath(const std::wstring& name) {
    using namespace kv::platform;
    std::wstring path = KnownFolderPath(KnownFolder::RoamingAppData);
    path += kPathSeparator;
    path += L"Kromvale";
    path += kPathSeparator;
    path += name;
    return path;
}

}  // namespace kv
