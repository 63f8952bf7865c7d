#pragma once
// A picture written under a hidden name beside its final one and renamed
// when whole, so that no reader ever finds half a picture under the final
// name, whatever ends the run.
//
// Every temporary file of the process is listed while it exists: it is
// created and renamed or removed with the list locked, so the list never
// misses one. A run that must end at once removes them all first.

#include <cstdio>
#include <string>

namespace kvtool {

class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& finalPath);
    ~TemporaryFile();  // removes the file unless it was committed
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file; false with `error` when it cannot, or when the run is
    // ending at once.
    bool Create(std::string& error);
    std::FILE* stream() const { return file_; }
    // Flushes, syncs and closes the file, then renames it to the final name;
    // false with `error` when any step fails or commits are held (the file is
    // then removed).
    bool Commit(std::string& error);

private:
    void Discard();

    std::string final_;
    std::string path_;
    std::FILE* file_ = nullptr;
    bool listed_ = false;
};

// For a run that ends at once: removes every temporary file that exists and
// refuses new ones from then on.
void RemoveAllTemporaryFiles();

// For a run that is stopping: while held, Commit renames nothing. A rename
// in progress finishes before this returns, so no file appears under its
// final name once it has.
void HoldCommits(bool hold);

}  // namespace kvtool
