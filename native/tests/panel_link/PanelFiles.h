#pragma once
// Files of the per-user data folder and scratch files, by wide path, for the
// panel-link tests. On Linux the data folder is a scratch XDG_DATA_HOME (see
// TestLogFolder.cpp); under Wine it lies in the run's scratch prefix.

#include <cstdio>
#include <string>

#include "panel_link/UserDataPath.h"
#include "platform/FileSystem.h"
#include "platform/TextConversion.h"

namespace kvtest {

inline std::wstring JoinPath(const std::wstring& folder, const std::wstring& leaf) {
    return folder + kv::platform::kPathSeparator + leaf;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::FILE* file = kv::platform::OpenSharedFile(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The file's bytes; "<missing>" when it does not open.
inline std::string ReadFileBytes(const std::wstring& path) {
    return kv::platform::ReadWholeFile(path).value_or("<missing>");
}

inline void RemoveFile(const std::wstring& path) {
#ifdef _WIN32
    _wremove(path.c_str());
#else
    std::remove(kv::platform::Utf8FromWide(path).c_str());
#endif
}

// Writes a file of the per-user data folder, creating the folder first.
inline bool WriteUserFile(const std::wstring& name, const std::string& bytes) {
    std::wstring folder = kv::GetUserDataPath(std::wstring());
    folder.pop_back();
    kv::platform::CreateOneFolder(folder);
    return WriteFileBytes(kv::GetUserDataPath(name), bytes);
}

}  // namespace kvtest
