#include "host/ProjectFile.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string_view>

namespace kvtool {
namespace {

constexpr std::string_view kMagic = "KROMVALE-HOST-PROJECT 1\n";
constexpr unsigned long long kMaxLutBytes = 1ULL << 28;

// Reads "<key> <value>\n" at `at`, leaving `at` after the line feed.
bool ReadLine(const std::string& data, std::size_t& at, std::string_view key, std::string_view& value) {
    const std::size_t end = data.find('\n', at);
    if (end == std::string::npos) return false;
    std::string_view line = std::string_view(data).substr(at, end - at);
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ') return false;
    value = line.substr(key.size() + 1);
    at = end + 1;
    return true;
}

}  // namespace

bool WriteHostProject(const std::string& path, const HostProject& project, std::string& error) {
    char number[64];
    auto [end, ec] = std::to_chars(number, number + sizeof number, project.amount);
    if (ec != std::errc()) {
        error = "cannot write the amount";
        return false;
    }
    std::string text(kMagic);
    text += "amount ";
    text.append(number, end);
    text += "\nlut " + std::to_string(project.lutBytes.size()) + "\n";
    text.append(project.lutBytes.begin(), project.lutBytes.end());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush()) {
        error = "cannot write the project file";
        return false;
    }
    return true;
}

bool ReadHostProject(const std::string& path, HostProject& project, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the project file";
        return false;
    }
    const std::string data{std::istreambuf_iterator<char>(in), {}};
    error = "not a kromvale-host project file";
    if (data.compare(0, kMagic.size(), kMagic) != 0) return false;
    std::size_t at = kMagic.size();
    std::string_view value;
    double amount = 0;
    unsigned long long count = 0;
    if (!ReadLine(data, at, "amount", value)) return false;
    auto parsedAmount = std::from_chars(value.data(), value.data() + value.size(), amount);
    if (parsedAmount.ec != std::errc() || parsedAmount.ptr != value.data() + value.size() || !std::isfinite(amount))
        return false;
    if (!ReadLine(data, at, "lut", value)) return false;
    auto parsedCount = std::from_chars(value.data(), value.data() + value.size(), count);
    if (parsedCount.ec != std::errc() || parsedCount.ptr != value.data() + value.size() || count > kMaxLutBytes)
        return false;
    if (data.size() - at != count) {
        error = "project file LUT bytes are truncated or followed by junk";
        return false;
    }
    project.amount = amount;
    project.lutBytes.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.end());
    error.clear();
    return true;
}

}  // namespace kvtool
