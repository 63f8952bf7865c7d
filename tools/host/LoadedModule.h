#pragma once
// The effect module, loaded by path the way a host loads it, and its exports.

#include <string>

namespace kvtool {

class LoadedModule {
public:
    LoadedModule() = default;
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // `path` is UTF-8. On failure returns false with the system's reason.
    bool Load(const std::string& path, std::string& error);
    // The address of an export looked up by its plain name, or null.
    void* Symbol(const char* name) const;
    void Unload();

private:
    void* handle_ = nullptr;
};

}  // namespace kvtool
