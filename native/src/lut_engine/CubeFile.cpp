// Reads .cube text. Grammar, one item a line (lines end at "\n"; leading
// blanks, tabs and carriage returns are skipped first):
//
//   line = ""                                  ; blank
//        | "#" anything                        ; comment
//        | "LUT_3D_SIZE" int                   ; N in 2..256; a later line wins
//        | "DOMAIN_MIN" float float float      ; per channel R G B
//        | "DOMAIN_MAX" float float float
//        | "LUT_3D_INPUT_RANGE" float float    ; min and max of all channels
//        | "LUT_1D_INPUT_RANGE" float float    ; the same, as no 1D table is taken
//        | "LUT_1D_SIZE" anything              ; refused
//        | [A-Z_] anything                     ; other keywords, ignored
//        | float float float anything          ; one node, red index fastest
//
// int is read like atoi (no digits gives 0) and float like strtof, always
// with "." as the decimal point. A keyword's missing or unreadable number
// counts as 0. The three numbers of a data line must lie on that line.
// Data lines may come before the size line; the count is checked at the end.
// The domain lines all set the same bounds, so the last one read wins.

#include "lut_engine/CubeFile.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "lut_engine/NumberText.h"
#include "lut_engine/ReaderMessages.h"

namespace kv {
namespace {

constexpr int64_t kMinSize = 2;
constexpr int64_t kMaxSize = 256;


// Reads `count` floats one after another; an unreadable one is 0 and the
// next is read from the same place.
void ReadKeywordFloats(std::string_view rest, float* out, int count) {
    size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        out[i] = 0.0f;
        if (!ScanFloat(rest, pos, out[i], FloatScan::LongestValidPrefix)) out[i] = 0.0f;
    }
}

}  // namespace

bool ReadCubeFile(std::string_view text, Lut3D& lut, std::string* error) {
    lut = Lut3D{};
    std::vector<float> values;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        line.remove_prefix(first);

        if (line.starts_with("LUT_3D_SIZE")) {
            const int64_t n = LeadingInteger(line.substr(11));
            if (n < kMinSize || n > kMaxSize) return messages::Fail(error, messages::kCubeSizeOutOfRange);
            lut.size = static_cast<int32_t>(n);
            // Never reserve more than the text could hold (a value takes at
            // least two bytes), so a short file cannot demand 200 MB.
            const auto expected = static_cast<size_t>(n * n * n * 3);
            values.reserve(std::min(expected, text.size() / 2 + 3));
        } else if (line.starts_with("DOMAIN_MIN")) {
            ReadKeywordFloats(line.substr(10), lut.domainMin, 3);
        } else if (line.starts_with("DOMAIN_MAX")) {
            ReadKeywordFloats(line.substr(10), lut.domainMax, 3);
        } else if (line.starts_with("LUT_1D_SIZE")) {
            return messages::Fail(error, messages::kCube1D);
        } else if (line.starts_with("LUT_3D_INPUT_RANGE") || line.starts_with("LUT_1D_INPUT_RANGE")) {
            // Written by many grading tools instead of the DOMAIN lines. A
            // file with a 1D table is refused at its size line, so a 1D range
            // read here can only describe the 3D table: files that sample a
            // curve beyond 0..1 say so this way, and read as 0..1 they would
            // grade wrong without a word.
            float range[2];
            ReadKeywordFloats(line.substr(18), range, 2);
            std::fill(lut.domainMin, lut.domainMin + 3, range[0]);
            std::fill(lut.domainMax, lut.domainMax + 3, range[1]);
        } else if ((line[0] >= 'A' && line[0] <= 'Z') || line[0] == '_') {
            continue;
        } else {
            size_t pos = 0;
            for (int i = 0; i < 3; ++i) {
                float v = 0.0f;
                if (!ScanFloat(line, pos, v, FloatScan::LongestValidPrefix)) {
                    return messages::Fail(error, messages::kCubeMalformedLine);
                }
                values.push_back(v);
            }
        }
    }

    if (lut.size == 0) return messages::Fail(error, messages::kCubeNoSize);
    const auto n = static_cast<size_t>(lut.size);
    if (values.size() != n * n * n * 3) return messages::Fail(error, messages::kCubeWrongCount);
    for (int c = 0; c < 3; ++c) {
        // Written as "not less than" so that a NaN bound is refused too.
        if (!(lut.domainMin[c] < lut.domainMax[c])) return messages::Fail(error, messages::kCubeBadDomain);
    }
    lut.data = std::move(values);
    return true;
}

}  // namespace kv
