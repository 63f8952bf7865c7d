#pragma once
// Progress of a batch: a bar redrawn in place on a terminal, plain lines
// otherwise (a log file or a pipe gets no carriage returns), and the summary
// at the end. Numbers are printed without the process locale.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>

namespace kvtool {

// "[#######.............]  35/100 frames  4.2 frames/s  ETA 0:15"
std::string ProgressBarText(std::size_t done, std::size_t total, double seconds, int barWidth = 30);
// "progress: 35/100 frames (35%), 8.3 s"
std::string ProgressLineText(std::size_t done, std::size_t total, double seconds);
// A plain line is due at the last frame, when the frames done cross a tenth
// of the total, or when the last line is `quietSeconds` old.
bool ProgressLineDue(std::size_t done, std::size_t total, double secondsSinceLastLine, double quietSeconds = 5.0);
// "summary: 98 frames, 2 skipped, 0 failed, 41.20 s, 4.93 Mpixel/s"
std::string SummaryText(std::size_t rendered, std::size_t skipped, std::size_t failed, double seconds,
                        double pixels);

// Text with a fixed number of decimals, always with a '.'.
std::string FixedText(double value, int decimals);

class BatchProgress {
public:
    BatchProgress(std::ostream& out, std::size_t total, bool terminal);

    // One frame finished, rendered or not; safe from any thread.
    void FrameDone();
    // Ends the bar's line before anything else is printed.
    void Finish();
    // A message on its own line, without tearing the bar; safe from any thread.
    void Message(const std::string& text);
    double Seconds() const;

private:
    void DrawLocked(bool force);

    std::ostream& out_;
    const std::size_t total_;
    const bool terminal_;
    const std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::mutex mutex_;
    std::size_t done_ = 0;
    std::size_t barLength_ = 0;
    bool barShown_ = false;
    bool finished_ = false;
};

}  // namespace kvtool
