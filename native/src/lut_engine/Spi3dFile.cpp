// Reads .spi3d text the way OpenColorIO 2.1 reads it. Lines end at "\n" and
// are taken as a 4096-byte getline buffer takes them (SpiText.h):
//
//   line 1 = "SPILUT" anything             ; any case, from the line's first byte
//   line 2 = anything                      ; "3 3" by convention, never read
//   line 3 = int int int anything          ; nodes per axis: all equal, 2..129
//   node   = int int int word word word anything   ; r g b indices, then R G B
//   other  = anything                      ; any line that is not a node: skipped
//
// A line is a node when it reads as scanf reads "%d %d %d %s %s %s": three
// ints (wrapped to 32 bits) and three words, so "0 0 0.5 1 1 1" is node
// (0, 0, 0) holding .5, 1, 1, and "1.0 0 0 1 1 1" or "# 0 0 0 1 1 1" is
// skipped. Its words are floats as strtof reads them (SpiText.h); a word
// that is not one, or is out of float range, refuses the file, as do an
// index outside the table and a node given twice. Nodes come in any order;
// reading stops once every node has been given, and whatever follows is
// ignored, a repeated node included. A node missing at the end of the text
// refuses the file.
//
// Lines are not read past a line of 4096 characters or more; the first 4095
// characters of that line are read as a line of their own. A header line
// that long leaves no table to read and refuses the file, and so does a
// header that ends without "\n". A line holding a NUL byte refuses the file:
// C-string readers end the line there, others read past it.
//
// Refused although OpenColorIO reads them: a size of 1 (a constant; a
// process list's table has two nodes or more per axis) and number words
// longer than 63 characters (they overrun OpenColorIO's buffers, so what it
// reads is not defined).
//
// A value that is not finite is read as FiniteTableValue gives it, which is
// how OpenColorIO applies it. OpenColorIO interpolates a 3D table from a file
// trilinearly unless the FileTransform names another interpolation, so the
// step is kTrilinear.

#include "lut_engine/Spi3dFile.h"

#include <cstdint>
#include <vector>

#include "lut_engine/ReaderMessages.h"
#include "lut_engine/SpiText.h"
#include "lut_engine/TableValue.h"

namespace kv {
namespace {

// The shortest line that gives a node ("0+0+0.5 1 1") and the "\n" after it.
constexpr size_t kMinNodeBytes = 12;

bool StartsWithSpilut(std::string_view line) {
    constexpr std::string_view kTag = "spilut";
    if (line.size() < kTag.size()) return false;
    for (size_t i = 0; i < kTag.size(); ++i) {
        const char c = line[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c) != kTag[i]) return false;
    }
    return true;
}

// The next of the three header lines; `good` turns false once the stream
// would have failed, and every later line reads as empty.
std::string_view NextHeaderLine(std::string_view text, size_t& pos, bool& good, std::string_view& out) {
    out = {};
    SpiLine line;
    if (!good || !NextSpiLine(text, pos, line)) {
        good = false;
        return {};
    }
    if (line.whole.find('\0') != std::string_view::npos) return messages::kLineWithNul;
    if (line.tooLong) return messages::kSpiHeaderLineTooLong;
    good = line.ended;
    out = line.text;
    return {};
}

struct NodeTable {
    size_t size = 0;
    size_t remaining = 0;
    std::vector<float> values;  // red fastest
    std::vector<bool> given;
};

// One line of the table part: a node or nothing. Returns the message of a
// failure, or an empty view.
std::string_view ReadNodeLine(std::string_view line, NodeTable& t) {
    int32_t index[3] = {0, 0, 0};
    std::string_view words[3];
    size_t pos = 0;
    for (int32_t& i : index) {
        if (!ScanSpiInt(line, pos, i)) return {};
    }
    for (std::string_view& w : words) {
        if (!ScanSpiWord(line, pos, w)) return {};
    }
    float v[3] = {0.0f, 0.0f, 0.0f};
    for (int c = 0; c < 3; ++c) {
        switch (ReadSpiNumber(words[c], v[c])) {
            case SpiNumber::kOk: break;
            case SpiNumber::kTooLong: return messages::kSpiNumberTooLong;
            case SpiNumber::kNotANumber: return messages::kSpi3dBadValue;
        }
    }
    const auto n = static_cast<int64_t>(t.size);
    for (const int32_t i : index) {
        if (i < 0 || i >= n) return messages::kSpi3dNodeOutside;
    }
    const size_t node = static_cast<size_t>(index[0]) +
                        t.size * (static_cast<size_t>(index[1]) + t.size * static_cast<size_t>(index[2]));
    if (t.given[node]) return messages::kSpi3dRepeatedNode;
    t.given[node] = true;
    --t.remaining;
    for (int c = 0; c < 3; ++c) t.values[3 * node + static_cast<size_t>(c)] = FiniteTableValue(v[c]);
    return {};
}

}  // namespace

bool ReadSpi3dFile(std::string_view text, ProcessList& list, std::string* error) {
    list = ProcessList{};
    size_t pos = 0;
    bool good = true;
    std::string_view line;
    if (const auto failure = NextHeaderLine(text, pos, good, line); !failure.empty()) {
        return messages::Fail(error, failure);
    }
    if (!StartsWithSpilut(line)) return messages::Fail(error, messages::kSpi3dNotSpilut);
    for (int i = 0; i < 2; ++i) {
        if (const auto failure = NextHeaderLine(text, pos, good, line); !failure.empty()) {
            return messages::Fail(error, failure);
        }
    }
    int32_t sizes[3] = {0, 0, 0};
    size_t p = 0;
    for (int32_t& s : sizes) {
        if (!ScanSpiInt(line, p, s)) return messages::Fail(error, messages::kSpi3dBadSizes);
    }
    if (sizes[0] != sizes[1] || sizes[0] != sizes[2]) return messages::Fail(error, messages::kSpi3dUnequalSizes);
    if (sizes[0] < 2 || sizes[0] > kMaxProcessLut3DSize) return messages::Fail(error, messages::kSpi3dSizeOutOfRange);

    NodeTable t;
    t.size = static_cast<size_t>(sizes[0]);
    t.remaining = t.size * t.size * t.size;
    // A text too short to list every node cannot be complete: refuse it
    // before allocating a table it could never fill.
    if (!good || text.size() - pos + 1 < t.remaining * kMinNodeBytes) {
        return messages::Fail(error, messages::kSpi3dMissingNodes);
    }
    t.values.assign(t.remaining * 3, 0.0f);
    t.given.assign(t.remaining, false);
    SpiLine node;
    while (good && t.remaining > 0 && NextSpiLine(text, pos, node)) {
        if (node.whole.find('\0') != std::string_view::npos) return messages::Fail(error, messages::kLineWithNul);
        good = !node.tooLong;  // getline fails on such a line: none after it is read
        if (const auto failure = ReadNodeLine(node.text, t); !failure.empty()) return messages::Fail(error, failure);
    }
    if (t.remaining > 0) return messages::Fail(error, messages::kSpi3dMissingNodes);

    Lut3DStep table;
    table.size = sizes[0];
    table.interpolation = Interpolation3D::kTrilinear;
    table.values = std::move(t.values);
    list.steps.emplace_back(std::move(table));
    list.format = "spi3d";
    return true;
}

}  // namespace kv
