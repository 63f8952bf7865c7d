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
//        | [A-Z_] anything                     ; other keywords, ignored
//        | float float float anything          ; one entry or node
//
// int is read like atoi (no digits gives 0) and float like strtof, always
// with "." as the decimal point. The numbers of a domain or range line must
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

namespace kv {
namespace {

constexpr int64_t kMinSize = 2;
constexpr int64_t kMaxSize = 256;
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
    std::vector<float> values;
    int64_t size3 = 0;
    int64_t size1 = 0;
    Range range1;
    Range range3;
    bool domainLine = false;
    bool title = false;
    bool otherKeyword = false;
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

// One line (already stripped of leading blanks, not a comment). Returns the
// message of a failure, or an empty view.
std::string_view ScanLine(std::string_view line, size_t textSize, CubeScan& s) {
    if (line.starts_with("LUT_3D_SIZE")) {
        const int64_t n = LeadingInteger(line.substr(11));
        if (n < kMinSize || n > kMaxSize) return messages::kCubeSizeOutOfRange;
        s.size3 = n;
        ReserveFor(s, textSize);
    } else if (line.starts_with("LUT_1D_SIZE")) {
        // The 1D table is the first M data lines: a size that comes later
        // would have to re-cut lines already read.
        if (!s.values.empty()) return messages::kCube1DSizeAfterData;
        const int64_t m = LeadingInteger(line.substr(11));
        if (m < kMin1DSize || m > kMax1DSize) return messages::kCube1DSizeOutOfRange;
        s.size1 = m;
        ReserveFor(s, textSize);
    } else if (line.starts_with("DOMAIN_MIN") || line.starts_with("DOMAIN_MAX")) {
        float* bounds = line[8] == 'I' ? s.domainMin : s.domainMax;
        if (!ReadKeywordFloats(line.substr(10), bounds, 3)) return messages::kCubeBadDomain;
        s.domainLine = true;
    } else if (line.starts_with("LUT_3D_INPUT_RANGE")) {
        if (!s.range3.Read(line.substr(18))) return messages::kCubeBadDomain;
    } else if (line.starts_with("LUT_1D_INPUT_RANGE")) {
        if (!s.range1.Read(line.substr(18))) return messages::kCubeBadDomain;
    } else if (line.starts_with("TITLE")) {
        s.title = true;
    } else if ((line[0] >= 'A' && line[0] <= 'Z') || line[0] == '_') {
        s.otherKeyword = true;
    } else {
        size_t pos = 0;
        for (int i = 0; i < 3; ++i) {
            float v = 0.0f;
            if (!ScanFloat(line, pos, v, FloatScan::LongestValidPrefix)) return messages::kCubeMalformedLine;
            s.values.push_back(v);
        }
    }
    return {};
}

bool HasUnitDomain(const CubeScan& s) {
    for (int c = 0; c < 3; ++c) {
        if (s.domainMin[c] != 0.0f || s.domainMax[c] != 1.0f) return false;
    }
    return true;
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
    if ((s.range1.seen && !s.range1.IsValid()) || (s.range3.seen && !s.range3.IsValid())) {
        return messages::kCubeBadDomain;
    }
    if (s.domainLine && (s.range1.seen || s.range3.seen)) return messages::kCubeMixedDomainKeywords;
    if (s.domainLine && s.size1 > 0 && s.size3 > 0) return messages::kCubeDomainWithTwoTables;
    // Read by the range dialect's rules, a 1D range without a 1D table is
    // ignored; a file that gives it may well mean the 3D range. Only where
    // both readings agree is there one LUT to take.
    if (s.size1 == 0 && s.range1.seen && (s.range1.lo != s.range3.lo || s.range1.hi != s.range3.hi)) {
        return messages::kCube1DRangeWithoutTable;
    }
    if (s.size1 == 0 && s.size3 > 0) {
        const bool rangeBesideStranger = !s.range3.IsUnit() && (s.title || s.otherKeyword);
        if (rangeBesideStranger || (s.otherKeyword && !HasUnitDomain(s))) return messages::kCubeKeywordWithRange;
    }
    return {};
}

}  // namespace

bool ReadCubeFile(std::string_view text, Lut3D& lut, std::string* error) {
    lut = Lut3D{};
    CubeScan s;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        line.remove_prefix(first);
        if (const std::string_view failure = ScanLine(line, text.size(), s); !failure.empty()) {
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
    return true;
}

}  // namespace kv
