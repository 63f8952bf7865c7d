#include "UserDataPath.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

std::wstring GetUserDataPath(const std::wstring& name) {
    using namespace kv::platform;
    std::wstring path = KnownFolderPath(KnownFolder::RoamingAppData);
    path += kPathSeparator;
    path += L"Kromvale";
    path += kPathSeparator;
    path += name;
    return path;
}
