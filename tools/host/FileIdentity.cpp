#include "host/FileIdentity.h"

#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace kvtool {
namespace fs = std::filesystem;
namespace {

// The existing file's own number on its volume; nothing when it cannot be
// opened or looked at (it does not exist, or may not be read).
std::optional<std::string> FileNumber(const fs::path& path) {
#ifdef _WIN32
    // Opened for no access at all, and sharing everything, so that a file
    // another program holds is still found. FILE_FLAG_BACKUP_SEMANTICS lets
    // a folder open too.
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return "file " + std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
#else
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return "file " + std::to_string(static_cast<unsigned long long>(status.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(status.st_ino));
#endif
}

}  // namespace

std::string FileIdentity(const std::string& path) {
    // Spelt out first: "new/../a.png" names a.png once the output folders
    // are made, though "new" does not exist yet.
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(path), ec);
    if (ec) p = fs::absolute(fs::path(path), ec).lexically_normal();
    if (std::optional<std::string> number = FileNumber(p)) return *number;
    std::string text = p.generic_string();
#ifdef _WIN32
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
    return "name " + text;
}

}  // namespace kvtool
