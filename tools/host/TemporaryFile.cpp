#include "host/TemporaryFile.h"

#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "image/FileOutput.h"

namespace kvtool {
namespace fs = std::filesystem;
namespace {

struct TemporaryList {
    std::mutex mutex;
    std::set<std::string> paths;
    bool closed = false;  // the run is ending at once
    bool held = false;    // the run is stopping: nothing more is renamed
};

TemporaryList& List() {
    static TemporaryList list;
    return list;
}

// A hidden name in the final name's folder, so that the rename never crosses
// file systems.
std::string HiddenName(const std::string& finalPath) {
    const fs::path final(finalPath);
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on literal + temporary.
    std::string name = ".";
    name += final.filename().string();
    name += ".partial";
    return (final.parent_path() / name).string();
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& finalPath) : final_(finalPath), path_(HiddenName(finalPath)) {}

TemporaryFile::~TemporaryFile() { Discard(); }

bool TemporaryFile::Create(std::string& error) {
    TemporaryList& list = List();
    std::lock_guard<std::mutex> lock(list.mutex);
    if (list.closed) {
        error = "the run is ending";
        return false;
    }
    list.paths.insert(path_);  // before the file exists, so that it is never unlisted
    listed_ = true;
    file_ = OpenForWriting(path_);
    if (file_ == nullptr) {
        error = "cannot create the picture file";
        return false;
    }
    return true;
}

bool TemporaryFile::Commit(std::string& error) {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file == nullptr || !FinishFile(file)) {
        error = "cannot write the picture file";
        Discard();
        return false;
    }
    TemporaryList& list = List();
    std::lock_guard<std::mutex> lock(list.mutex);
    std::error_code ec;
    if (list.closed) {
        error = "the run is ending";
        return false;
    }
    if (list.held) {
        error = "the run is stopping";
        return false;  // Discard removes it
    }
    fs::rename(path_, final_, ec);
    if (ec) {
        error = ec.message();
        return false;  // Discard removes it
    }
    list.paths.erase(path_);
    listed_ = false;
    return true;
}

void TemporaryFile::Discard() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!listed_) return;
    TemporaryList& list = List();
    std::lock_guard<std::mutex> lock(list.mutex);
    std::error_code ec;
    fs::remove(path_, ec);
    list.paths.erase(path_);
    listed_ = false;
}

void RemoveAllTemporaryFiles() {
    TemporaryList& list = List();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.closed = true;
    for (const std::string& path : list.paths) {
        std::error_code ec;
        fs::remove(path, ec);
    }
    list.paths.clear();
}

void HoldCommits(bool hold) {
    TemporaryList& list = List();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.held = hold;
}

}  // namespace kvtool
