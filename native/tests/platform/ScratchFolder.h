#pragma once
// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object goes away.

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define KV_TEST_PID _getpid()
#else
#include <unistd.h>
#define KV_TEST_PID getpid()
#endif

class ScratchFolder {
public:
    ScratchFolder() {
        static std::atomic<int> counter{0};
        const std::wstring leaf = L"kv-test-" + std::to_wstring(KV_TEST_PID) + L"-" +
                                  std::to_wstring(counter.fetch_add(1));
        path_ = std::filesystem::temp_directory_path() / leaf;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::wstring wide() const { return path_.wstring(); }

private:
    std::filesystem::path path_;
};
