#include "image/FileOutput.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kvtool {
namespace {

bool SyncToDisk(std::FILE* file) {
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

}  // namespace

std::FILE* OpenForWriting(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

bool FinishFile(std::FILE* file) {
    bool ok = std::fflush(file) == 0 && std::ferror(file) == 0;
    ok = SyncToDisk(file) && ok;
    return std::fclose(file) == 0 && ok;
}

}  // namespace kvtool
