// Reads .3dl text, read the way the widely used colour-management readers
// take it (the Flame and Lustre variants alike):
//
//   - Lines end at "\n"; each is split at white space. A line holding a NUL
//     byte refuses the file (C-string readers would end the line there). Empty lines and lines
//     whose first token starts with "#" are skipped; a first token starting
//     with "<" (markup) refuses the file; so does a line of 4096 characters
//     or more, where those readers stop reading.
//   - A line whose tokens are not all whole decimal integers (sign allowed,
//     32-bit) is a keyword line ("3DMESH", "Mesh 4 12", "LUT8", "gamma 1.0")
//     and is skipped.
//   - More than 3 integers: the input-positions ("mesh") line, at most one.
//     3 integers: one node, blue index fastest. 1 or 2: refused.
//   - The bit depth of the mesh and of the nodes follows, each on its own,
//     from its largest value: up to 511 is 8-bit (255), up to 2047 10-bit,
//     up to 8191 12-bit, anything above 16-bit; a largest value below 128
//     means the file is not integer codes and is refused.
//   - A mesh within 2 codes of evenly spaced is dropped. Any other mesh
//     becomes the 1D stage as those readers build it: M entries over 0..1,
//     entry i the code mesh[i] / max on every channel, applied before the
//     cube (or alone, without nodes).
//   - The nodes must make a whole cube of 2..129 per axis; node values are
//     code / max in float, stored red fastest.

#include "lut_engine/ThreeDlFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "lut_engine/ReaderMessages.h"

namespace kv {
namespace {

constexpr size_t kMaxLineLength = 4095;
constexpr int64_t kMaxEdge = 129;
constexpr size_t kMaxMeshEntries = 65536;
constexpr int32_t kLowestPlausibleMax = 128;

constexpr bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A whole token of optional sign and decimal digits that fits 32 bits.
bool ParseCode(std::string_view token, int32_t& value) {
    size_t i = 0;
    const bool negative = token[0] == '-';
    if (token[0] == '-' || token[0] == '+') i = 1;
    if (i == token.size()) return false;
    int64_t v = 0;
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') return false;
        v = v * 10 + (token[i] - '0');
        if (v > int64_t{INT32_MAX} + 1) return false;
    }
    v = negative ? -v : v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

enum class LineKind { Skip, Codes, Markup };

LineKind ScanLine(std::string_view line, std::vector<int32_t>& codes) {
    codes.clear();
    size_t pos = 0;
    bool firstToken = true;
    while (true) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size()) break;
        const size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos])) ++pos;
        const std::string_view token = line.substr(start, pos - start);
        if (firstToken && token[0] == '#') return LineKind::Skip;
        if (firstToken && token[0] == '<') return LineKind::Markup;
        firstToken = false;
        int32_t v = 0;
        if (!ParseCode(token, v)) return LineKind::Skip;
        codes.push_back(v);
    }
    return codes.empty() ? LineKind::Skip : LineKind::Codes;
}

// The full-scale code of the bit depth that `largest` suggests.
float FullScale(int32_t largest) {
    if (largest <= 511) return 255.0f;
    if (largest <= 2047) return 1023.0f;
    if (largest <= 8191) return 4095.0f;
    return 65535.0f;
}

// Within 2 codes of evenly spaced over 0..full scale, in float as the
// other readers test it.
bool IsEvenMesh(const std::vector<int32_t>& mesh, float scale) {
    const float step = scale / (static_cast<float>(mesh.size()) - 1.0f);
    for (size_t i = 0; i < mesh.size(); ++i) {
        if (std::fabs(static_cast<float>(i) * step - static_cast<float>(mesh[i])) >= 2.0f) return false;
    }
    return true;
}

int32_t Largest(const std::vector<int32_t>& codes) {
    int32_t largest = 0;
    for (const int32_t v : codes) largest = std::max(largest, v);
    return largest;
}

}  // namespace

bool Read3dlFile(std::string_view text, Lut3D& lut, std::string* error) {
    lut = Lut3D{};
    std::vector<int32_t> mesh;
    std::vector<int32_t> nodes;
    std::vector<int32_t> codes;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (line.size() > kMaxLineLength) return messages::Fail(error, messages::k3dlLineTooLong);
        if (line.find('\0') != std::string_view::npos) return messages::Fail(error, messages::kLineWithNul);

        const LineKind kind = ScanLine(line, codes);
        if (kind == LineKind::Markup) return messages::Fail(error, messages::k3dlMarkup);
        if (kind == LineKind::Skip) continue;
        if (codes.size() > 3) {
            if (!mesh.empty()) return messages::Fail(error, messages::k3dlTwoMeshes);
            if (codes.size() > kMaxMeshEntries) return messages::Fail(error, messages::k3dlMeshTooLong);
            mesh = codes;
        } else if (codes.size() == 3) {
            if (nodes.size() >= static_cast<size_t>(kMaxEdge * kMaxEdge * kMaxEdge * 3)) {
                return messages::Fail(error, messages::k3dlTooManyNodes);
            }
            nodes.insert(nodes.end(), codes.begin(), codes.end());
        } else {
            return messages::Fail(error, messages::k3dlShortLine);
        }
    }
    if (mesh.empty() && nodes.empty()) return messages::Fail(error, messages::k3dlNoTable);

    if (!mesh.empty()) {
        const int32_t largest = Largest(mesh);
        if (largest < kLowestPlausibleMax) return messages::Fail(error, messages::k3dlNotCodes);
        const float scale = FullScale(largest);
        if (!IsEvenMesh(mesh, scale)) {
            lut.shaperSize = static_cast<int32_t>(mesh.size());
            lut.shaper.reserve(mesh.size() * 3);
            for (const int32_t v : mesh) lut.shaper.insert(lut.shaper.end(), 3, static_cast<float>(v) / scale);
        }
    }
    if (nodes.empty()) {
        // An evenly spaced mesh alone changes nothing: there is no LUT.
        if (lut.shaperSize == 0) return messages::Fail(error, messages::k3dlNoTable);
        return true;
    }

    const int32_t largest = Largest(nodes);
    if (largest < kLowestPlausibleMax) return messages::Fail(error, messages::k3dlNotCodes);
    const float scale = FullScale(largest);
    const size_t count = nodes.size() / 3;
    const auto edge = static_cast<size_t>(std::lround(std::cbrt(static_cast<double>(count))));
    if (edge < 2 || edge * edge * edge != count) return messages::Fail(error, messages::k3dlNotACube);

    lut.size = static_cast<int32_t>(edge);
    lut.data.assign(count * 3, 0.0f);
    // File node i is (r, g, b) with i = b + N*g + N*N*r; data wants red fastest.
    size_t i = 0;
    for (size_t r = 0; r < edge; ++r) {
        for (size_t g = 0; g < edge; ++g) {
            for (size_t b = 0; b < edge; ++b, ++i) {
                float* out = &lut.data[3 * (r + edge * (g + edge * b))];
                for (int c = 0; c < 3; ++c) out[c] = static_cast<float>(nodes[3 * i + c]) / scale;
            }
        }
    }
    return true;
}

}  // namespace kv
