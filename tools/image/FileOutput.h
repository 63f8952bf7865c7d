#pragma once
// Writing a picture file so that success means the bytes are on the disk:
// every write, flush and close is checked, and the file is synced before it
// is closed, since a full disk often shows only when buffered data leaves
// the process, or when the file system commits it.

#include <cstdio>
#include <string>

namespace kvtool {

// Opens `path` for writing from its start (binary, truncated); null when it
// cannot be created.
std::FILE* OpenForWriting(const std::string& path);

// Flushes the stream, syncs the file to the disk and closes it; false when
// any of these fails. The stream is closed in every case.
bool FinishFile(std::FILE* file);

// Creates `path`, fills it through write(FILE*, std::string* error) and
// finishes it. On failure the partial file is removed.
template <typename Write>
bool WriteWholeFile(const std::string& path, Write&& write, std::string* error) {
    std::FILE* file = OpenForWriting(path);
    if (file == nullptr) {
        if (error) *error = "cannot create the picture file";
        return false;
    }
    bool ok = false;
    try {
        ok = write(file, error);
    } catch (...) {
        std::fclose(file);
        std::remove(path.c_str());
        throw;
    }
    if (!FinishFile(file) && ok) {
        ok = false;
        if (error) *error = "cannot write the picture file";
    }
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace kvtool
