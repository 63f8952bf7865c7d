#include "panel_link/LutFolder.h"

#include <cstdio>
#include <string_view>

#include "panel_link/UserDataPath.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"

namespace kv {

namespace {

// "lut-folder.txt" is the whole path in UTF-8, no quoting, no key. Only its
// first 2047 bytes count, and only trailing LF, CR and spaces are dropped:
// leading blanks, tabs or a byte-order mark stay part of the path.
std::wstring FolderFromPanelFile() {
    using namespace kv::platform;
    std::FILE* file = OpenSharedFile(GetUserDataPath(L"lut-folder.txt"), "rb");
    if (file == nullptr) return std::wstring();
    char buffer[2048] = {};
    size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r' || buffer[length - 1] == ' ')) {
        --length;
    }
    if (length == 0) return std::wstring();
    // Invalid UTF-8 becomes U+FFFD, which then simply names no folder.
    std::wstring folder = WideFromUtf8(std::string_view(buffer, length));
    // Any kind of entry will do, a file as well as a folder: the dialog copes.
    if (folder.empty() || !PathExists(folder)) return std::wstring();
    return folder;
}

}  // namespace

std::wstring GetLutFolder() {
    using namespace kv::platform;
    std::wstring folder = FolderFromPanelFile();
    if (!folder.empty()) return folder;
    // Neither checked nor created: the dialog falls back on its own when the
    // folder is missing.
    const std::wstring documents = KnownFolderPath(KnownFolder::Documents);
    if (documents.empty()) return std::wstring();
    return documents + kPathSeparator + L"Kromvale LUTs";
}

}  // namespace kv
