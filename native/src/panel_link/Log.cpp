#include "panel_link/Log.h"

#include <atomic>
#include <cstdarg>
#include <ctime>
#include <mutex>
#include <string>

#include "panel_link/UserDataPath.h"
#include "platform/CLocaleFormat.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace kv {

namespace {

std::mutex gLogLock;
std::atomic<uint64_t> gDroppedLines{0};

// Opens the log for appending; if that fails, creates the per-user folder
// (only its last level) and tries once more. Text mode: CR LF on Windows.
std::FILE* OpenLogFile() {
    using namespace kv::platform;
    const std::wstring path = GetUserDataPath(L"effect.log");
    if (std::FILE* file = OpenSharedFile(path, "a")) return file;
    std::wstring folder = GetUserDataPath(std::wstring());
    folder.pop_back();  // the trailing separator
    CreateOneFolder(folder);  // an existing folder is no error
    return OpenSharedFile(path, "a");
}

}  // namespace

void LogPrintf(const char* format, ...) noexcept {
    // Message and timestamp are made before the lock, so lines may stand in the
    // file slightly out of timestamp order when threads wait for it.
    char message[1024];
    va_list args;
    va_start(args, format);
    const int formatted = platform::FormatInCLocale(message, sizeof message, format, args);
    va_end(args);
    if (formatted < 0) message[0] = '\0';

    char stamp[32] = "";
    std::tm local{};
    if (platform::LocalTime(std::time(nullptr), &local)) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    }

    try {
        const std::lock_guard<std::mutex> hold(gLogLock);
        std::FILE* file = OpenLogFile();
        if (file == nullptr) {
            gDroppedLines.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        // Write and close errors are ignored: there is nowhere to report them.
        std::fprintf(file, "%s  %s\n", stamp, message);
        std::fclose(file);
    } catch (...) {
        // Path allocation or the lock failed: the line is lost, the caller goes on.
        gDroppedLines.fetch_add(1, std::memory_order_relaxed);
    }
}

uint64_t LogDroppedLineCount() noexcept { return gDroppedLines.load(std::memory_order_relaxed); }

}  // namespace kv
