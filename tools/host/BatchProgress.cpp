#include "host/BatchProgress.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kvtool {
namespace {

std::string Count(std::size_t n) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, n);
    return std::string(text, result.ptr);
}

// m:ss, or h:mm:ss from an hour up.
std::string Clock(double seconds) {
    const long total = seconds > 0 ? static_cast<long>(std::lround(seconds)) : 0;
    const long h = total / 3600, m = total / 60 % 60, s = total % 60;
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on literal + temporary.
    std::string text;
    if (h > 0) {
        text += Count(static_cast<std::size_t>(h));
        text += m < 10 ? ":0" : ":";
    }
    text += Count(static_cast<std::size_t>(m));
    text += s < 10 ? ":0" : ":";
    text += Count(static_cast<std::size_t>(s));
    return text;
}

// Redraws of the bar at most this often: a terminal need not see every frame.
constexpr std::chrono::milliseconds kRedrawEvery(100);

}  // namespace

std::string FixedText(double value, int decimals) {
    if (!std::isfinite(value)) return "0";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("0");
}

std::string ProgressBarText(std::size_t done, std::size_t total, double seconds, int barWidth) {
    const double fraction = total > 0 ? static_cast<double>(std::min(done, total)) / static_cast<double>(total) : 1.0;
    const int filled = static_cast<int>(fraction * barWidth);
    std::string text = "[";
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(barWidth - filled), '.');
    text += "] ";
    const std::string width = Count(total);
    const std::string count = Count(done);
    text += std::string(width.size() > count.size() ? width.size() - count.size() : 0, ' ');
    text += count + "/" + width + " frames";
    if (done > 0 && seconds > 0) {
        const double rate = static_cast<double>(done) / seconds;
        text += std::string("  ") + FixedText(rate, 1) + " frames/s";
        if (done < total) text += std::string("  ETA ") + Clock(static_cast<double>(total - done) / rate);
    }
    return text;
}

std::string ProgressLineText(std::size_t done, std::size_t total, double seconds) {
    const std::size_t percent = total > 0 ? done * 100 / total : 100;
    return std::string("progress: ") + Count(done) + "/" + Count(total) + " frames (" + Count(percent) + "%), " +
           FixedText(seconds, 1) + " s";
}

bool ProgressLineDue(std::size_t done, std::size_t total, double secondsSinceLastLine, double quietSeconds) {
    if (done >= total) return true;
    if (done == 0) return false;
    // Frames done times ten over the total: a new tenth has begun when it grows.
    if (done * 10 / total != (done - 1) * 10 / total) return true;
    return secondsSinceLastLine >= quietSeconds;
}

std::string SummaryText(std::size_t rendered, std::size_t skipped, std::size_t failed, double seconds,
                        double pixels) {
    const double rate = seconds > 0 ? pixels / seconds / 1e6 : 0.0;
    return std::string("summary: ") + Count(rendered) + " frames, " + Count(skipped) + " skipped, " + Count(failed) +
           std::string(" failed, ") + FixedText(seconds, 2) + " s, " + FixedText(rate, 2) + " Mpixel/s";
}

BatchProgress::BatchProgress(std::ostream& out, std::size_t total, bool terminal)
    : out_(out), total_(total), terminal_(terminal), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminal_) DrawLocked(true);
}

double BatchProgress::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void BatchProgress::DrawLocked(bool force) {
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (terminal_) {
        if (!force && done_ < total_ && now - lastDraw_ < kRedrawEvery) return;
        // Blanks over the rest of a longer earlier bar: Windows consoles
        // need not understand an erase escape.
        const std::string bar = ProgressBarText(done_, total_, seconds);
        out_ << "\r" << bar << std::string(barLength_ > bar.size() ? barLength_ - bar.size() : 0, ' ')
             << std::flush;
        barLength_ = bar.size();
        barShown_ = true;
    } else {
        if (!force && !ProgressLineDue(done_, total_, std::chrono::duration<double>(now - lastDraw_).count()))
            return;
        out_ << ProgressLineText(done_, total_, seconds) << "\n" << std::flush;
    }
    lastDraw_ = now;
}

void BatchProgress::FrameDone() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    DrawLocked(false);
}

void BatchProgress::Message(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminal_ && barShown_) out_ << "\r" << std::string(barLength_, ' ') << "\r";
    out_ << text << "\n";
    if (terminal_ && !finished_) DrawLocked(true);
    out_ << std::flush;
}

void BatchProgress::Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminal_ && barShown_) out_ << "\n" << std::flush;
    barShown_ = false;
    finished_ = true;
}

}  // namespace kvtool
