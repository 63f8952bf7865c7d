#pragma once
// Files and folders by wide path. On Windows the path goes to the wide
// system calls as UTF-16; on Linux it is converted to UTF-8 first.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace kv::platform {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// Creates this one folder (not its parents). False when it was not created,
// including when it already exists.
bool CreateOneFolder(const std::wstring& path);

// Whether the path names anything: a file, a folder or another entry.
bool PathExists(const std::wstring& path);

// fopen with a C mode string ("a", "rb", "wb" ...), opened so that other
// readers and writers may hold the file at the same time. Null on failure.
std::FILE* OpenSharedFile(const std::wstring& path, const char* mode);

// The file's bytes, read through OpenSharedFile; nothing when it does not
// open. A read error ends the bytes where it happened.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// The same for a file of at most `maxBytes` bytes. A larger one gives
// nothing, with `tooLarge` set, and is not read whole.
std::optional<std::string> ReadWholeFile(const std::wstring& path, uint64_t maxBytes, bool& tooLarge);

}  // namespace kv::platform
