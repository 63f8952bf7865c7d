#include "image/PamFile.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>
#include <string_view>

namespace kvtool {
namespace {

// Bounds that keep a hostile header from asking for gigabytes.
constexpr long kMaxSide = 1 << 15;
constexpr long long kMaxPixels = 1LL << 26;

bool Fail(std::string* error, const char* message) {
    if (error) *error = message;
    return false;
}

bool ParseLong(std::string_view text, long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

}  // namespace

bool ReadPam(const std::string& path, Image& image, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, "cannot open the picture");
    const std::string data{std::istreambuf_iterator<char>(in), {}};

    // Header: "P7" then KEY VALUE lines up to "ENDHDR".
    std::size_t at = 0;
    auto nextLine = [&](std::string_view& line) {
        if (at >= data.size()) return false;
        std::size_t end = data.find('\n', at);
        if (end == std::string::npos) return false;
        line = std::string_view(data).substr(at, end - at);
        at = end + 1;
        return true;
    };
    std::string_view line;
    if (!nextLine(line) || line != "P7") return Fail(error, "not a PAM picture (P7)");
    long width = 0, height = 0, depth = 0, maxval = 0;
    bool ended = false;
    while (!ended && nextLine(line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        const std::string_view key = line.substr(0, space);
        std::string_view value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        bool ok = true;
        if (key == "ENDHDR") ended = true;
        else if (key == "WIDTH") ok = ParseLong(value, width);
        else if (key == "HEIGHT") ok = ParseLong(value, height);
        else if (key == "DEPTH") ok = ParseLong(value, depth);
        else if (key == "MAXVAL") ok = ParseLong(value, maxval);
        if (!ok) return Fail(error, "bad PAM header value");
    }
    if (!ended) return Fail(error, "PAM header has no ENDHDR");
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        static_cast<long long>(width) * height > kMaxPixels)
        return Fail(error, "PAM picture size out of range");
    if (depth != 3 && depth != 4) return Fail(error, "PAM picture is not RGB or RGB_ALPHA");
    if (maxval != 255 && maxval != 65535) return Fail(error, "PAM MAXVAL must be 255 or 65535");

    const std::size_t bytesPerSample = maxval == 65535 ? 2 : 1;
    const std::size_t samples = static_cast<std::size_t>(width) * height * depth;
    if (data.size() - at < samples * bytesPerSample) return Fail(error, "PAM picture is truncated");

    Image out(static_cast<int>(width), static_cast<int>(height), maxval == 65535 ? 16 : 8);
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
    for (std::size_t px = 0; px < static_cast<std::size_t>(width) * height; ++px) {
        for (long c = 0; c < 4; ++c) {
            std::uint16_t v = out.maxValue();  // opaque when the file has no alpha
            if (c < depth) {
                v = bytesPerSample == 2 ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : p[0];
                p += bytesPerSample;
            }
            out.rgba[px * 4 + c] = v;
        }
    }
    image = std::move(out);
    return true;
}

bool WritePam(const std::string& path, const Image& image, std::string* error) {
    std::ostringstream header;
    header.imbue(std::locale::classic());
    header << "P7\nWIDTH " << image.width << "\nHEIGHT " << image.height
           << "\nDEPTH 4\nMAXVAL " << image.maxValue() << "\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::string bytes = header.str();
    for (std::uint16_t v : image.rgba) {
        if (image.bitDepth == 16) bytes.push_back(static_cast<char>(v >> 8));
        bytes.push_back(static_cast<char>(v & 0xFF));
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return Fail(error, "cannot create the picture file");
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return Fail(error, "cannot write the picture file");
    return true;
}

}  // namespace kvtool
