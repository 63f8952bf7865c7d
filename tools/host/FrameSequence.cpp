#include "host/FrameSequence.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <set>
#include <system_error>

#include "host/FileIdentity.h"
#include "image/PictureFile.h"

namespace kvtool {
namespace fs = std::filesystem;
namespace {

// A range wider than this is surely a typing error, and would only list
// missing frames.
constexpr long kMaxRange = 10'000'000;

bool Refuse(std::string& error, const std::string& message) {
    error = message;
    return false;
}

// Folder of a pattern: the text before its last separator ("." for none).
std::string FolderOf(const std::string& prefix) {
    const std::size_t slash = prefix.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : prefix.substr(0, slash + 1);
}

std::string FileNamePart(const std::string& prefix) {
    const std::size_t slash = prefix.find_last_of("/\\");
    return slash == std::string::npos ? prefix : prefix.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return (fs::path(folder) / fs::path(name)).string();
}

// Entries of a folder that are not folders, by name. A sequence frame may be
// a link or a pipe as well as a plain file.
bool ListNames(const std::string& folder, std::vector<std::string>& names, std::string& error) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    if (ec) return Refuse(error, std::string("cannot list the folder ") + folder + ": " + ec.message());
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        if (entry.is_directory(typeError)) continue;
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return true;
}

bool ListFolderFrames(const BatchRequest& r, std::vector<BatchFrame>& frames, std::string& error) {
    if (r.first || r.last) return Refuse(error, "--frames needs a numbered sequence as --in, not a folder");
    std::vector<std::string> names;
    if (!ListNames(r.in, names, error)) return false;
    for (const std::string& name : names) {
        if (PictureTypeOf(name) == PictureType::Unknown) continue;
        BatchFrame frame;
        frame.input = Join(r.in, name);
        frame.output = Join(r.out, name);
        frames.push_back(frame);
    }
    if (frames.empty()) return Refuse(error, std::string("no .png, .pam or .exr pictures in ") + r.in);
    return true;
}

// The frame number of a name that prints back exactly from it.
std::optional<long> NumberOf(const std::string& name, const std::string& head, const FramePattern& pattern) {
    if (name.size() <= head.size() + pattern.suffix.size()) return std::nullopt;
    if (name.compare(0, head.size(), head) != 0) return std::nullopt;
    if (name.compare(name.size() - pattern.suffix.size(), pattern.suffix.size(), pattern.suffix) != 0)
        return std::nullopt;
    const char* begin = name.data() + head.size();
    const char* end = name.data() + name.size() - pattern.suffix.size();
    if (pattern.pad == ' ') {
        while (begin < end && *begin == ' ') ++begin;  // printf's padding; Format checks its count
    }
    if (begin == end || !std::isdigit(static_cast<unsigned char>(*begin))) return std::nullopt;
    long number = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, number);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    FramePattern nameOnly{head, pattern.suffix, pattern.width, pattern.pad};
    if (nameOnly.Format(number) != name) return std::nullopt;
    return number;
}

bool ListSequenceFrames(const BatchRequest& r, const FramePattern& in, const std::optional<FramePattern>& out,
                        std::vector<BatchFrame>& frames, std::string& error) {
    if (r.first.has_value() != r.last.has_value()) return Refuse(error, "--frames needs FIRST-LAST");
    if (r.first && (*r.first > *r.last || *r.last - *r.first >= kMaxRange))
        return Refuse(error, "--frames range out of order or too long");
    const std::string folder = FolderOf(in.prefix);
    const std::string head = FileNamePart(in.prefix);
    std::vector<std::string> names;
    if (!ListNames(folder, names, error)) return false;
    std::vector<long> found;
    for (const std::string& name : names) {
        if (const std::optional<long> n = NumberOf(name, head, in)) found.push_back(*n);
    }
    std::sort(found.begin(), found.end());
    std::vector<long> numbers;
    if (r.first) {
        for (long n = *r.first; n <= *r.last; ++n) numbers.push_back(n);
    } else {
        numbers = found;
    }
    if (found.empty() && !r.first) return Refuse(error, std::string("no frames match ") + r.in);
    for (long n : numbers) {
        BatchFrame frame;
        frame.number = n;
        frame.input = in.Format(n);
        frame.output = out ? out->Format(n) : Join(r.out, fs::path(frame.input).filename().string());
        frame.missing = !std::binary_search(found.begin(), found.end(), n);
        frames.push_back(frame);
    }
    return true;
}

}  // namespace

std::string FramePattern::Format(long number) const {
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    const std::string text(digits, ec == std::errc() ? end : digits);
    const std::size_t padding = text.size() < static_cast<std::size_t>(width) ? width - text.size() : 0;
    return prefix + std::string(padding, pad) + text + suffix;
}

bool FindFramePattern(const std::string& path, std::optional<FramePattern>& pattern, std::string& error) {
    pattern.reset();
    // Only the file name holds a field: '#' and '%' in folder names are
    // taken as they are.
    const std::size_t slash = path.find_last_of("/\\");
    for (std::size_t i = slash == std::string::npos ? 0 : slash + 1; i < path.size(); ++i) {
        std::size_t end = i;
        int width = 0;
        char pad = '0';
        if (path[i] == '#') {
            while (end < path.size() && path[end] == '#') ++end;
            width = static_cast<int>(end - i);
        } else if (path[i] == '%') {
            std::size_t j = i + 1;
            if (j < path.size() && path[j] == '0') {
                ++j;
            } else {
                pad = ' ';  // "%4d" pads as printf does
            }
            const std::size_t digitsAt = j;
            while (j < path.size() && std::isdigit(static_cast<unsigned char>(path[j]))) ++j;
            if (j >= path.size() || path[j] != 'd') continue;  // a plain '%' in a name
            if (j - digitsAt > 1) return Refuse(error, std::string("frame-number width above 9 in ") + path);
            width = j > digitsAt ? path[digitsAt] - '0' : 1;
            if (width < 1) width = 1;
            end = j + 1;
        } else {
            continue;
        }
        if (pattern) return Refuse(error, std::string("more than one frame-number field in ") + path);
        if (width > 9) return Refuse(error, std::string("frame-number width above 9 in ") + path);
        pattern = FramePattern{path.substr(0, i), path.substr(end), width, pad};
        i = end - 1;
    }
    return true;
}

bool IsBatchInput(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(path), ec);
    if (fs::is_directory(status)) return true;
    // "grade #2.png" that exists is a picture, not a sequence.
    if (fs::exists(status)) return false;
    std::optional<FramePattern> pattern;
    std::string error;
    // A malformed field is a batch too: planning it reports the mistake.
    return !FindFramePattern(path, pattern, error) || pattern.has_value();
}

bool PlanBatch(const BatchRequest& request, std::vector<BatchFrame>& frames, std::string& error) {
    frames.clear();
    std::optional<FramePattern> in;
    std::optional<FramePattern> out;
    if (!FindFramePattern(request.in, in, error) || !FindFramePattern(request.out, out, error)) return false;
    std::error_code ec;
    if (!out && fs::exists(fs::path(request.out), ec) && !fs::is_directory(fs::path(request.out), ec))
        return Refuse(error, std::string("--out ") + request.out +
                                 " is a file: give a folder or a pattern such as out.%04d.png");
    if (out) {
        const PictureType type = PictureTypeOf(out->suffix);
        if (type == PictureType::Unknown) return Refuse(error, "--out must end in .png, .pam or .exr");
        if (!PictureTypeBuilt(type))
            return Refuse(error, std::string("this build cannot write ") + PictureTypeName(type) + " pictures");
    }
    if (in) {
        if (!ListSequenceFrames(request, *in, out, frames, error)) return false;
    } else {
        if (out) return Refuse(error, "a folder of pictures goes to an output folder, not to a numbered pattern");
        if (!ListFolderFrames(request, frames, error)) return false;
    }

    std::set<std::string> inputs;
    for (const BatchFrame& frame : frames) {
        if (!frame.missing) inputs.insert(FileIdentity(frame.input));
    }
    std::set<std::string> outputs;
    for (const BatchFrame& frame : frames) {
        const std::string target = FileIdentity(frame.output);
        if (inputs.count(target) != 0)
            return Refuse(error,
                          std::string("refusing to overwrite the input ") + frame.input + ": choose another --out");
        if (!outputs.insert(target).second)
            return Refuse(error, std::string("two frames would be written to ") + frame.output);
    }
    return true;
}

}  // namespace kvtool
