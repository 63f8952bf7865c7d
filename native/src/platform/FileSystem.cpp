#include "platform/FileSystem.h"

#include <cstdint>

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

namespace {

// The bytes from the current position to the end, or -1 when the stream
// cannot tell (a pipe); 64-bit on both systems, where long is 32 on Windows.
int64_t BytesToEnd(std::FILE* file) {
#ifdef _WIN32
    const int64_t here = _ftelli64(file);
    if (here < 0 || _fseeki64(file, 0, SEEK_END) != 0) return -1;
    const int64_t end = _ftelli64(file);
    if (_fseeki64(file, here, SEEK_SET) != 0) return -1;
#else
    const int64_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
    const int64_t end = ftello(file);
    if (fseeko(file, here, SEEK_SET) != 0) return -1;
#endif
    return end < here ? -1 : end - here;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::wstring& path, uint64_t maxBytes, bool& tooLarge) {
    tooLarge = false;
    std::FILE* file = OpenSharedFile(path, "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    // Known sizes are checked before anything is read or allocated; the
    // loop's own check covers a stream that grows or cannot tell.
    if (const int64_t size = BytesToEnd(file); size >= 0) {
        if (static_cast<uint64_t>(size) > maxBytes) tooLarge = true;
        else bytes.reserve(static_cast<size_t>(size));
    }
    char chunk[65536];
    size_t got;
    while (!tooLarge && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (got > maxBytes - bytes.size()) {
            tooLarge = true;
        } else {
            bytes.append(chunk, got);
        }
    }
    std::fclose(file);
    if (tooLarge) return std::nullopt;
    return bytes;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    bool tooLarge = false;
    return ReadWholeFile(path, UINT64_MAX, tooLarge);
}

}  // namespace kv::platform
