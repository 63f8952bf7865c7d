// Reads .cube text, both dialects in use: the one with LUT_1D_SIZE,
// LUT_3D_SIZE and LUT_*_INPUT_RANGE (a 1D table alone, a 3D table alone, or
// a 1D "shaper" table whose lines come first, then the 3D table) and the one
// with DOMAIN_MIN/MAX (one table, 1D or 3D). Grammar, one item a line (lines
// end at "\n"; leading blanks, tabs and carriage returns are skipped first):
//
//   line = ""                                  ; blank
//        | "#" anything                        ; comment
//        | "LUT_3D_SIZE" int                   ; N in 2..256; a later line wins
//        | "LUT_1D_SIZE" int                   ; M in 2..65536, before any data
//        | "DOMAIN_MIN" float float float      ; per channel R G B
//        | "DOMAIN_MAX" float float float
//        | "LUT_3D_INPUT_RANGE" float float    ; min and max of all channels
//        | "LUT_1D_INPUT_RANGE" float float
//        | "TITLE" anything
//        | "LUT_IN_VIDEO_RANGE"                ; alone on its line
//        | "LUT_OUT_VIDEO_RANGE"               ; alone on its line
//        | [A-Z_] anything                     ; any other keyword: refused
//        | float float float anything          ; one entry or node
//
// A keyword we do not know may change what the LUT does, so it refuses the
// file with its name; only TITLE (and "#" comment lines) pass as metadata.
// The video-range keywords map the input before the first table and the
// output after the last (VideoRange.h). A line holding a NUL byte refuses the
// file: C-string readers end the line there, others read past it.
//
// int is read like atoi (no digits gives 0) and float like strtof, always
// with "." as the decimal point; a table value that is not finite is read
// as FiniteTableValue gives it. The numbers of a domain or range line must
// be there, whole and alone: other tools read a broken one as 0..1. The three
// numbers of a data line must lie on that line. Data lines may come before
// the 3D size line; the counts are checked at the end, the first M lines
// being the 1D table and the rest the cube (red index fastest). The last of
// several lines of one keyword wins.
//
// Files that other tools read in different ways are refused rather than read
// one way: DOMAIN lines beside INPUT_RANGE lines or beside two tables, a 1D
// range without a 1D table unless it equals the 3D range, and a cube alone
// over a range other than 0..1 beside a line that its dialect's reader does
// not know (a TITLE in the range dialect, any unknown keyword in either):
// such files fail both dialects' readers and fall to one that ignores ranges.

#include "lut_engine/CubeFile.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "lut_engine/NumberText.h"
#include "lut_engine/ReaderMessages.h"
#include "lut_engine/TableValue.h"
#include "lut_engine/VideoRange.h"

namespace kv {
namespace {

constexpr int64_t kMinSize = 2;
constexpr int64_t kMin1DSize = 2;
constexpr int64_t kMax1DSize = 65536;

// Exactly `count` floats, each a whole token, and nothing else but white
// space on the rest of the line.
bool ReadKeywordFloats(std::string_view rest, float* out, int count) {
    size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        if (!ScanFloat(rest, pos, out[i], FloatScan::LongestValidPrefix)) return false;
        if (pos < rest.size() && !IsCSpace(rest[pos])) return false;
    }
    SkipCSpace(rest, pos);
    return pos == rest.size();
}

struct Range {
    float lo = 0.0f;
    float hi = 1.0f;
    bool seen = false;

    bool Read(std::string_view rest) {
        float v[2];
        if (!ReadKeywordFloats(rest, v, 2)) return false;
        lo = v[0];
        hi = v[1];
        seen = true;
        return true;
    }
    bool IsUnit() const { return lo == 0.0f && hi == 1.0f; }
    // Written as "not less than" so that a NaN bound is refused too.
    bool IsValid() const { return lo < hi; }
};

struct CubeScan {
    int64_t maxSize = kMaxCubeFileSize;
    // The most values any file this read accepts can hold: reading stops
    // there rather than keep a huge file's values only to count them.
    size_t maxValues = 0;
    std::vector<float> values;
    int64_t size3 = 0;
    int64_t size1 = 0;
    Range range1;
    Range range3;
    bool domainLine = false;
    bool title = false;
    uint32_t videoRange = 0;
    float domainMin[3] = {0.0f, 0.0f, 0.0f};
    float domainMax[3] = {1.0f, 1.0f, 1.0f};
};

// Never reserve more than the text could hold (a value takes at least two
// bytes), so a short file cannot demand 200 MB.
void ReserveFor(CubeScan& s, size_t textSize) {
    const auto n = static_cast<size_t>(s.size3);
    const size_t expected = n * n * n * 3 + static_cast<size_t>(s.size1) * 3;
    s.values.reserve(std::min(expected, textSize / 2 + 3));
}

// The keyword at the start of a line, up to white space.
std::string_view KeywordOf(std::string_view line) {
    size_t end = 0;
    while (end < line.size() && !IsCSpace(line[end])) ++end;
    return line.substr(0, end);
}

// Nothing but white space after the keyword.
bool StandsAlone(std::string_view line, std::string_view keyword) {
    size_t pos = keyword.size();
    SkipCSpace(line, pos);
    return pos == line.size();
}

// "unknown keyword " and the keyword, cut to 64 characters, with any byte
// that is not printable ASCII shown as "?": it goes into the log.
std::string UnknownKeywordMessage(std::string_view keyword) {
    std::string message(messages::kCubeUnknownKeywordPrefix);
    for (const char c : keyword.substr(0, 64)) message.push_back(c > ' ' && c < 127 ? c : '?');
    return message;
}

// One line (already stripped of leading blanks, not a comment). Returns the
// message of a failure, or an empty string.
std::string ScanLine(std::string_view line, size_t textSize, CubeScan& s) {
    if (line.starts_with("LUT_3D_SIZE")) {
        const int64_t n = LeadingInteger(line.substr(11));
        if (n < kMinSize || n > s.maxSize) return std::string(messages::kCubeSizeOutOfRange);
        s.size3 = n;
        ReserveFor(s, textSize);
    } else if (line.starts_with("LUT_1D_SIZE")) {
        // The 1D table is the first M data lines: a size that comes later
        // would have to re-cut lines already read.
        if (!s.values.empty()) return std::string(messages::kCube1DSizeAfterData);
        const int64_t m = LeadingInteger(line.substr(11));
        if (m < kMin1DSize || m > kMax1DSize) return std::string(messages::kCube1DSizeOutOfRange);
        s.size1 = m;
        ReserveFor(s, textSize);
    } else if (line.starts_with("DOMAIN_MIN") || line.starts_with("DOMAIN_MAX")) {
        float* bounds = line[8] == 'I' ? s.domainMin : s.domainMax;
        if (!ReadKeywordFloats(line.substr(10), bounds, 3)) return std::string(messages::kCubeBadDomain);
        s.domainLine = true;
    } else if (line.starts_with("LUT_3D_INPUT_RANGE")) {
        if (!s.range3.Read(line.substr(18))) return std::string(messages::kCubeBad3DInputRange);
    } else if (line.starts_with("LUT_1D_INPUT_RANGE")) {
        if (!s.range1.Read(line.substr(18))) return std::string(messages::kCubeBad1DInputRange);
    } else if (line.starts_with("TITLE")) {
        s.title = true;
    } else if ((line[0] >= 'A' && line[0] <= 'Z') || line[0] == '_') {
        const std::string_view keyword = KeywordOf(line);
        if (keyword == "LUT_IN_VIDEO_RANGE") {
            if (!StandsAlone(line, keyword)) return std::string(messages::kCubeBadVideoIn);
            s.videoRange |= kVideoRangeIn;
        } else if (keyword == "LUT_OUT_VIDEO_RANGE") {
            if (!StandsAlone(line, keyword)) return std::string(messages::kCubeBadVideoOut);
            s.videoRange |= kVideoRangeOut;
        } else {
            return UnknownKeywordMessage(keyword);
        }
    } else {
        if (s.values.size() >= s.maxValues) return std::string(messages::kCubeTooManyValues);
        size_t pos = 0;
        for (int i = 0; i < 3; ++i) {
            float v = 0.0f;
            if (!ScanFloat(line, pos, v, FloatScan::LongestValidPrefix)) {
                return std::string(messages::kCubeMalformedLine);
            }
            s.values.push_back(FiniteTableValue(v));
        }
    }
    return {};
}

// The checks that need the whole file, in the order their messages rank.
std::string_view CheckWholeFile(const CubeScan& s) {
    if (s.size3 == 0 && s.size1 == 0) return messages::kCubeNoSize;
    const auto n = static_cast<size_t>(s.size3);
    const size_t values1 = static_cast<size_t>(s.size1) * 3;
    if (s.values.size() < values1 || (s.size3 == 0 && s.values.size() != values1)) {
        return messages::kCube1DWrongCount;
    }
    if (s.size3 > 0 && s.values.size() - values1 != n * n * n * 3) return messages::kCubeWrongCount;
    for (int c = 0; c < 3; ++c) {
        if (!(s.domainMin[c] < s.domainMax[c])) return messages::kCubeBadDomain;
    }
    if (s.range1.seen && !s.range1.IsValid()) return messages::kCubeBad1DInputRange;
    if (s.range3.seen && !s.range3.IsValid()) return messages::kCubeBad3DInputRange;
    if (s.domainLine && (s.range1.seen || s.range3.seen)) return messages::kCubeMixedDomainKeywords;
    if (s.domainLine && s.size1 > 0 && s.size3 > 0) return messages::kCubeDomainWithTwoTables;
    // Read by the range dialect's rules, a 1D range without a 1D table is
    // ignored; a file that gives it may well mean the 3D range. Only where
    // both readings agree is there one LUT to take.
    if (s.size1 == 0 && s.range1.seen && (s.range1.lo != s.range3.lo || s.range1.hi != s.range3.hi)) {
        return messages::kCube1DRangeWithoutTable;
    }
    if (s.size1 == 0 && s.size3 > 0 && !s.range3.IsUnit() && s.title) return messages::kCubeKeywordWithRange;
    return {};
}

}  // namespace

bool ReadCubeFile(std::string_view text, Lut3D& lut, std::string* error, int32_t maxSize) {
    lut = Lut3D{};
    CubeScan s;
    s.maxSize = std::clamp<int64_t>(maxSize, kMinSize, kMaxCubeFileSize);
    const auto n = static_cast<size_t>(s.maxSize);
    s.maxValues = (n * n * n + static_cast<size_t>(kMax1DSize)) * 3;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (line.find('\0') != std::string_view::npos) return messages::Fail(error, messages::kLineWithNul);

        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        line.remove_prefix(first);
        if (const std::string failure = ScanLine(line, text.size(), s); !failure.empty()) {
            return messages::Fail(error, failure);
        }
    }
    if (const std::string_view failure = CheckWholeFile(s); !failure.empty()) return messages::Fail(error, failure);

    // Without range lines the DOMAIN bounds (or their 0..1 defaults) belong
    // to the file's one table; with them, each range to its own table.
    const size_t values1 = static_cast<size_t>(s.size1) * 3;
    if (s.size1 > 0) {
        lut.shaperSize = static_cast<int32_t>(s.size1);
        lut.shaper.assign(s.values.begin(), s.values.begin() + static_cast<std::ptrdiff_t>(values1));
        for (int c = 0; c < 3; ++c) {
            lut.shaperMin[c] = s.range1.seen ? s.range1.lo : s.domainMin[c];
            lut.shaperMax[c] = s.range1.seen ? s.range1.hi : s.domainMax[c];
        }
    }
    if (s.size3 > 0) {
        lut.size = static_cast<int32_t>(s.size3);
        for (int c = 0; c < 3; ++c) {
            lut.domainMin[c] = s.range3.seen ? s.range3.lo : s.domainMin[c];
            lut.domainMax[c] = s.range3.seen ? s.range3.hi : s.domainMax[c];
        }
        if (values1 == 0) {
            lut.data = std::move(s.values);
        } else {
            lut.data.assign(s.values.begin() + static_cast<std::ptrdiff_t>(values1), s.values.end());
        }
    }
    lut.videoRange = s.videoRange;
    if (!CanFoldVideoRanges(lut)) return messages::Fail(error, messages::kCubeVideoRangeNotFinite);
    return true;
}

}  // namespace kv
