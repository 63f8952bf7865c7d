#include "platform/FileSystem.h"

#include "platform/FaultInjection.h"

#ifdef _WIN32
#include <windows.h>
#include <share.h>
#else
#include <sys/stat.h>

#include "platform/TextConversion.h"
#endif

namespace kv::platform {

#ifdef _WIN32

bool SystemCreateOneFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != 0;
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::FILE* SystemOpenSharedFile(const std::wstring& path, const char* mode) {
    // Mode strings are ASCII, so widening byte by byte is exact.
    std::wstring wideMode;
    for (const char* c = mode; *c; ++c) wideMode.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    return _wfsopen(path.c_str(), wideMode.c_str(), _SH_DENYNO);
}

#else

bool SystemCreateOneFolder(const std::wstring& path) {
    return ::mkdir(Utf8FromWide(path).c_str(), 0755) == 0;
}

bool PathExists(const std::wstring& path) {
    struct stat info;
    return ::stat(Utf8FromWide(path).c_str(), &info) == 0;
}

std::FILE* SystemOpenSharedFile(const std::wstring& path, const char* mode) {
    return std::fopen(Utf8FromWide(path).c_str(), mode);
}

#endif

bool CreateOneFolder(const std::wstring& path) {
    if (const CreateFolderFn hook = CreateFolderOverride()) return hook(path);
    return SystemCreateOneFolder(path);
}

std::FILE* OpenSharedFile(const std::wstring& path, const char* mode) {
    if (const OpenFileFn hook = OpenFileOverride()) return hook(path, mode);
    return SystemOpenSharedFile(path, mode);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    std::FILE* file = OpenSharedFile(path, "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

}  // namespace kv::platform
