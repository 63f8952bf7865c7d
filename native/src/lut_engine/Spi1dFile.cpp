// Reads .spi1d text the way OpenColorIO 2.1 reads it. Lines end at "\n" and
// are taken as a 4096-byte getline buffer takes them (SpiText.h):
//
//   file        = { header-line } brace-line { table-line }
//   header-line = "Version" int          ; must be 1, checked on every such line
//               | "From" word word       ; the input range, two floats (0 1 without it)
//               | "Components" int       ; 1, 2 or 3
//               | "Length" int           ; 2..65536 table lines
//               | anything               ; ignored
//   brace-line  = "{" anything           ; the first line that starts with "{"
//   table-line  = blank
//               | "}"                    ; alone once trimmed: the table ends here
//               | Components words       ; floats, and nothing else on the line
//
// Keywords are case-sensitive and must open their line; what follows is read
// as scanf reads "Version %d" or "From %s %s", so "Version1" counts and
// anything after the numbers is ignored, and the last line of a keyword
// wins. int and float are read as SpiText.h describes: an int wraps to 32
// bits ("Length 4294967298" is 2), a float is strtof's longest prefix of its
// word ("1xyz" is 1), refused on a range error ("1e39", "1e-40").
//
// The table ends at "}", at the end of the text or at a line of 4096
// characters or more, and what follows is ignored. A last line without "\n"
// is never read (the getline loop meets the end of the stream before it uses
// the line), so a file that ends on a value without "\n" or "}" lacks that
// value. A header line of 4096 characters or more leaves no table to read,
// so it refuses the file. A line holding a NUL byte refuses the file:
// C-string readers end the line there, others read past it.
//
// One-component lines repeat their value on R, G and B; two-component lines
// give R and G, and B is 0. A value that is not finite is read as
// FiniteTableValue gives it, which is how OpenColorIO applies it.
//
// OpenColorIO applies the From range as a scale and offset before the table,
// 1 / (max - min) and -min / (max - min) worked out in double and applied in
// float, without a clamp (the table clamps its own input), and nothing when
// they are 1 and 0; the list gets the same as a diagonal MatrixStep. Refused
// although OpenColorIO reads them: a range whose scale or offset is not a
// finite float (equal ends, or an end that is not finite: every input would
// map to NaN or to one table end), Length above 65536 (the largest table a
// process list holds) and number words longer than 63 characters (they
// overrun OpenColorIO's buffers, so what it reads is not defined).

#include "lut_engine/Spi1dFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "lut_engine/NumberText.h"
#include "lut_engine/ReaderMessages.h"
#include "lut_engine/SpiText.h"
#include "lut_engine/TableValue.h"

namespace kv {
namespace {

// -1 stands for "no such line", as in OpenColorIO: "Length -1" reads as a
// missing Length.
struct Header {
    int32_t version = -1;
    int32_t length = -1;
    int32_t components = -1;
    float fromMin = 0.0f;
    float fromMax = 1.0f;
};

std::string_view ReadFloatWord(std::string_view word, float& value, std::string_view notANumber) {
    switch (ReadSpiNumber(word, value)) {
        case SpiNumber::kOk: return {};
        case SpiNumber::kTooLong: return messages::kSpiNumberTooLong;
        case SpiNumber::kNotANumber: break;
    }
    return notANumber;
}

// One header line; returns the message of a failure, or an empty view.
std::string_view ReadHeaderLine(std::string_view line, Header& h) {
    size_t pos = 0;
    if (line.starts_with("Version")) {
        pos = 7;
        if (!ScanSpiInt(line, pos, h.version) || h.version != 1) return messages::kSpi1dBadVersion;
    } else if (line.starts_with("From")) {
        pos = 4;
        std::string_view lo;
        std::string_view hi;
        if (!ScanSpiWord(line, pos, lo) || !ScanSpiWord(line, pos, hi)) return messages::kSpi1dBadFrom;
        if (const auto failure = ReadFloatWord(lo, h.fromMin, messages::kSpi1dBadFrom); !failure.empty()) {
            return failure;
        }
        return ReadFloatWord(hi, h.fromMax, messages::kSpi1dBadFrom);
    } else if (line.starts_with("Components")) {
        pos = 10;
        if (!ScanSpiInt(line, pos, h.components)) return messages::kSpi1dBadComponents;
    } else if (line.starts_with("Length")) {
        pos = 6;
        if (!ScanSpiInt(line, pos, h.length)) return messages::kSpi1dBadLength;
    }
    return {};
}

std::string_view CheckHeader(const Header& h) {
    if (h.version == -1) return messages::kSpi1dNoVersion;
    if (h.length == -1) return messages::kSpi1dNoLength;
    if (h.length < 2 || h.length > kMaxProcessLut1DSize) return messages::kSpi1dLengthOutOfRange;
    if (h.components == -1) return messages::kSpi1dNoComponents;
    if (h.components < 1 || h.components > 3) return messages::kSpi1dComponentsOutOfRange;
    return {};
}

// The From range as OpenColorIO applies it. Returns false for a range it
// cannot map onto 0..1; `needed` is false for 0..1 itself.
bool FromStep(const Header& h, MatrixStep& step, bool& needed) {
    const double scale = 1.0 / (static_cast<double>(h.fromMax) - static_cast<double>(h.fromMin));
    const double offset = -static_cast<double>(h.fromMin) * scale;
    needed = scale != 1.0 || offset != 0.0;
    if (!needed) return true;
    if (!std::isfinite(h.fromMin) || !std::isfinite(h.fromMax) || !std::isfinite(scale) || !std::isfinite(offset)) {
        return false;
    }
    const auto s = static_cast<float>(scale);
    const auto o = static_cast<float>(offset);
    if (!std::isfinite(s) || !std::isfinite(o)) return false;
    step = MatrixStep{};
    for (int c = 0; c < 3; ++c) {
        step.m[4 * c] = s;
        step.offset[c] = o;
    }
    return true;
}

std::string_view TrimCSpace(std::string_view s) {
    size_t first = 0;
    SkipCSpace(s, first);
    size_t last = s.size();
    while (last > first && IsCSpace(s[last - 1])) --last;
    return s.substr(first, last - first);
}

// One table line (already known not to be blank or "}"): appends its entry.
std::string_view ReadTableLine(std::string_view line, const Header& h, std::vector<float>& values) {
    std::string_view words[4];
    int count = 0;
    size_t pos = 0;
    while (count < 4 && ScanSpiWord(line, pos, words[count])) ++count;
    if (count != h.components) return messages::kSpi1dMalformedLine;
    if (values.size() >= static_cast<size_t>(h.length) * 3) return messages::kSpi1dTooManyValues;
    float v[3] = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < count; ++i) {
        if (const auto failure = ReadFloatWord(words[i], v[i], messages::kSpi1dBadValue); !failure.empty()) {
            return failure;
        }
    }
    if (count == 1) v[1] = v[2] = v[0];
    for (const float x : v) values.push_back(FiniteTableValue(x));
    return {};
}

}  // namespace

bool ReadSpi1dFile(std::string_view text, ProcessList& list, std::string* error) {
    list = ProcessList{};
    Header h;
    size_t pos = 0;
    SpiLine line;
    bool tableFollows = false;
    while (NextSpiLine(text, pos, line)) {
        if (line.whole.find('\0') != std::string_view::npos) return messages::Fail(error, messages::kLineWithNul);
        if (line.tooLong) return messages::Fail(error, messages::kSpiHeaderLineTooLong);
        if (const auto failure = ReadHeaderLine(line.text, h); !failure.empty()) return messages::Fail(error, failure);
        if (line.text.starts_with('{')) {
            tableFollows = line.ended;
            break;
        }
        if (!line.ended) break;
    }
    if (const auto failure = CheckHeader(h); !failure.empty()) return messages::Fail(error, failure);
    MatrixStep from;
    bool fromNeeded = false;
    if (!FromStep(h, from, fromNeeded)) return messages::Fail(error, messages::kSpi1dUnusableFrom);

    std::vector<float> values;
    // Every table line takes at least two bytes: never reserve more than
    // the text could fill.
    values.reserve(std::min(static_cast<size_t>(h.length), (text.size() - pos) / 2) * 3);
    while (tableFollows && NextSpiLine(text, pos, line)) {
        if (line.whole.find('\0') != std::string_view::npos) return messages::Fail(error, messages::kLineWithNul);
        if (!line.ended) break;
        const std::string_view trimmed = TrimCSpace(line.text);
        if (trimmed == "}") break;
        if (trimmed.empty()) continue;
        if (const auto failure = ReadTableLine(line.text, h, values); !failure.empty()) {
            return messages::Fail(error, failure);
        }
    }
    if (values.size() != static_cast<size_t>(h.length) * 3) return messages::Fail(error, messages::kSpi1dTooFewValues);

    if (fromNeeded) list.steps.emplace_back(from);
    Lut1DStep table;
    table.size = h.length;
    table.values = std::move(values);
    list.steps.emplace_back(std::move(table));
    list.format = "spi1d";
    return true;
}

}  // namespace kv
