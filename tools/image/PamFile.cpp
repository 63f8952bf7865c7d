#include "image/PamFile.h"

#include <charconv>
#include <fstream>
#include <locale>
#include <new>
#include <sstream>
#include <string_view>
#include <vector>

#include "image/FileOutput.h"
#include "image/PictureSize.h"

namespace kvtool {
namespace {

// A header longer than this is no header: it is not read to its end.
constexpr std::size_t kMaxHeaderBytes = 16 * 1024;

bool Fail(std::string* error, const char* message) {
    if (error) *error = message;
    return false;
}

bool ParseLong(std::string_view text, long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// The next '\n'-ended header line, within the header's byte budget.
bool NextLine(std::istream& in, std::string& line, std::size_t& budget) {
    line.clear();
    char c = 0;
    while (budget > 0 && in.get(c)) {
        --budget;
        if (c == '\n') return true;
        line.push_back(c);
    }
    return false;
}

bool ReadPamStream(std::istream& in, Image& image, std::string* error) {
    // Header: "P7" then KEY VALUE lines up to "ENDHDR".
    std::size_t budget = kMaxHeaderBytes;
    std::string text;
    if (!NextLine(in, text, budget) || text != "P7") return Fail(error, "not a PAM picture (P7)");
    long width = 0, height = 0, depth = 0, maxval = 0;
    bool ended = false;
    while (!ended && NextLine(in, text, budget)) {
        const std::string_view line(text);
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
    if (!PictureSizeAllowed(width, height, 4, static_cast<int>(sizeof(std::uint16_t))))
        return Fail(error, "PAM picture size out of range");
    if (depth != 3 && depth != 4) return Fail(error, "PAM picture is not RGB or RGB_ALPHA");
    if (maxval != 255 && maxval != 65535) return Fail(error, "PAM MAXVAL must be 255 or 65535");

    // Rows as they arrive: a header that promises more than the file holds
    // costs only what the file does hold.
    const std::size_t bytesPerSample = maxval == 65535 ? 2 : 1;
    const std::size_t rowPixels = static_cast<std::size_t>(width);
    std::vector<char> row(rowPixels * static_cast<std::size_t>(depth) * bytesPerSample);
    Image out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bitDepth = maxval == 65535 ? 16 : 8;
    for (long y = 0; y < height; ++y) {
        if (!in.read(row.data(), static_cast<std::streamsize>(row.size()))) return Fail(error, "PAM picture is truncated");
        const auto* p = reinterpret_cast<const unsigned char*>(row.data());
        for (std::size_t px = 0; px < rowPixels; ++px) {
            for (long c = 0; c < 4; ++c) {
                std::uint16_t v = out.maxValue();  // opaque when the file has no alpha
                if (c < depth) {
                    v = bytesPerSample == 2 ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : p[0];
                    p += bytesPerSample;
                }
                out.rgba.push_back(v);
            }
        }
    }
    image = std::move(out);
    return true;
}

}  // namespace

bool ReadPam(const std::string& path, Image& image, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, "cannot open the picture");
    try {
        return ReadPamStream(in, image, error);
    } catch (const std::bad_alloc&) {
        return Fail(error, "not enough memory for the PAM picture");
    }
}

bool WritePam(std::FILE* file, const Image& image, std::string* error) {
    std::ostringstream header;
    header.imbue(std::locale::classic());
    header << "P7\nWIDTH " << image.width << "\nHEIGHT " << image.height
           << "\nDEPTH 4\nMAXVAL " << image.maxValue() << "\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::string bytes = header.str();
    for (std::uint16_t v : image.rgba) {
        if (image.bitDepth == 16) bytes.push_back(static_cast<char>(v >> 8));
        bytes.push_back(static_cast<char>(v & 0xFF));
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        return Fail(error, "cannot write the picture file");
    return true;
}

bool WritePam(const std::string& path, const Image& image, std::string* error) {
    return WriteWholeFile(path, [&](std::FILE* file, std::string* e) { return WritePam(file, image, e); }, error);
}

}  // namespace kvtool
