// Writes LUT text (grammar in LutTextReader.cpp), one of two forms:
//
//   "KVLUT3 " id " " name " " size " " lo " " hi " " base64
//   "KVLUT4 " ["video-in "] ["video-out "] id " " name " " size " " size1 " "
//            domain(6) " " ranges1(6) " " enc1 " " lo1 " " hi1 " " enc3 " " lo3 " "
//            hi3 " " base64
//
// Floats are printed like "%.9g", which reads back as the same float; a
// 16-bit code is round((v - lo) * 65535 / (hi - lo)).

#include <bit>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "lut_engine/Base64.h"
#include "lut_engine/LutText.h"
#include "lut_engine/NumberText.h"
#include "lut_engine/ProcessList.h"
#include "lut_engine/ProcessListText.h"
#include "lut_engine/TableValue.h"

namespace kv {
namespace {

constexpr size_t kMaxNameToken = 399;

struct Range {
    float lo = 0.0f;
    float hi = 1.0f;
};

// The smallest and largest value. Values reach here finite; should one not,
// it is left out rather than make every code (and so the whole LUT) NaN.
Range ValueRange(const std::vector<float>& data) {
    bool any = false;
    Range r;
    for (const float v : data) {
        if (!std::isfinite(v)) continue;
        if (!any) {
            r.lo = r.hi = v;
            any = true;
        } else if (v < r.lo) {
            r.lo = v;
        } else if (v > r.hi) {
            r.hi = v;
        }
    }
    if (!(r.hi > r.lo)) r.hi = r.lo + 1.0f;
    return r;
}

uint16_t Quantise(float v, float lo, double scale) {
    const float offset = v - lo;  // in float, as the reader's step is
    const double product = static_cast<double>(offset) * scale;
    if (std::isnan(product) || product < 0.0) return 0;
    if (product > 65535.0) return 65535;
    return static_cast<uint16_t>(std::round(product));  // half away from zero
}

bool KeepsInName(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

void AppendPercentEncoded(std::string_view bytes, std::string& out) {
    constexpr std::string_view hex = "0123456789ABCDEF";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeepsInName(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
}

// The reader takes at most 399 characters of name token, so a long name (a
// file name of 50 CJK characters already needs 450) would make the whole text
// unreadable. Keep the longest prefix that fits, cut between UTF-8 sequences.
}  // namespace

std::string LutTextNameToken(std::string_view name) {
    std::string token = PercentEncodeName(name);
    if (token.size() <= kMaxNameToken) return token;
    token.clear();
    size_t i = 0;
    while (i < name.size()) {
        size_t end = i + 1;
        while (end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) ++end;
        std::string piece;
        AppendPercentEncoded(name.substr(i, end - i), piece);
        if (token.size() + piece.size() > kMaxNameToken) break;
        token += piece;
        i = end;
    }
    return token.empty() ? "-" : token;
}

namespace {

// What the reader makes of code q: the same float operations in the same
// order, so that the check below sees the value that will be read back.
float DecodedCode(uint16_t q, float lo, float hi) {
    const float step = (hi - lo) * std::bit_cast<float>(uint32_t{0x37800080});
    return static_cast<float>(q) * step + lo;
}

// The precision every stored value keeps: an absolute bound near zero, a
// relative one elsewhere, so that a curve reaching hundreds keeps its
// shadows. An infinity or NaN only ever keeps itself in float32.
bool CloseEnough(float stored, float v) {
    if (!std::isfinite(v)) return false;
    const double bound = std::max(std::ldexp(1.0, -17), std::ldexp(std::fabs(static_cast<double>(v)), -11));
    return std::fabs(static_cast<double>(stored) - static_cast<double>(v)) <= bound;
}

// A table as 16-bit codes between its smallest and largest value, and
// whether every code then reads back within the storage bound.
struct EncodedTable {
    bool allClose = true;
    Range range;
    std::vector<uint16_t> codes;

    // At most one unit between the extremes: half a step, 1/131070, is a hair
    // over 2^-17 near zero. The original form has always kept such cubes, so
    // they stay in it, as they always were.
    bool SpansAtMostOne() const {
        return static_cast<double>(range.hi) - static_cast<double>(range.lo) <= 1.0;
    }
};

EncodedTable EncodeTable(const std::vector<float>& values) {
    EncodedTable t;
    t.range = ValueRange(values);
    const double scale = 65535.0 / (static_cast<double>(t.range.hi) - static_cast<double>(t.range.lo));
    t.codes.reserve(values.size());
    for (const float v : values) {
        const uint16_t q = Quantise(v, t.range.lo, scale);
        t.allClose = t.allClose && CloseEnough(DecodedCode(q, t.range.lo, t.range.hi), v);
        t.codes.push_back(q);
    }
    return t;
}

void AppendCodes(const std::vector<uint16_t>& codes, std::vector<unsigned char>& bytes) {
    for (const uint16_t q : codes) {
        bytes.push_back(static_cast<unsigned char>(q & 0xFF));
        bytes.push_back(static_cast<unsigned char>(q >> 8));
    }
}

// The wider form's table bytes: the codes where they hold every value close
// enough, else float32 bits.
void AppendTableBytes(const EncodedTable& t, const std::vector<float>& values, std::vector<unsigned char>& bytes) {
    if (t.allClose) {
        AppendCodes(t.codes, bytes);
        return;
    }
    for (const float v : values) {
        const auto u = std::bit_cast<uint32_t>(v);
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>((u >> shift) & 0xFF));
    }
}

void AppendFloat(std::string& text, float v) {
    text += FormatG9(static_cast<double>(v));
    text += ' ';
}

void AppendEncoding(std::string& text, const EncodedTable& t) {
    text += t.allClose ? "q " : "f ";
    AppendFloat(text, t.range.lo);
    AppendFloat(text, t.range.hi);
}

std::string FormatKvlut4(const Lut3D& lut, const std::vector<float>& shaperValues,
                         const std::vector<float>& cubeValues, int32_t id, std::string_view name) {
    const EncodedTable shaper = EncodeTable(shaperValues);
    const EncodedTable cube = EncodeTable(cubeValues);
    std::string text = "KVLUT4 ";
    // Before the id, where a reader that does not know them fails at once:
    // read as plain data range, such a LUT would be off by 6 % of full scale.
    if ((lut.videoRange & kVideoRangeIn) != 0) text += "video-in ";
    if ((lut.videoRange & kVideoRangeOut) != 0) text += "video-out ";
    text += FormatInteger(id);
    text += ' ';
    text += LutTextNameToken(name);
    text += ' ';
    text += FormatInteger(lut.size);
    text += ' ';
    text += FormatInteger(lut.shaperSize);
    text += ' ';
    for (const float* bounds : {lut.domainMin, lut.domainMax, lut.shaperMin, lut.shaperMax}) {
        for (int c = 0; c < 3; ++c) AppendFloat(text, bounds[c]);
    }
    AppendEncoding(text, shaper);
    AppendEncoding(text, cube);
    std::vector<unsigned char> bytes;
    bytes.reserve((shaperValues.size() + cubeValues.size()) * 4);
    AppendTableBytes(shaper, shaperValues, bytes);
    AppendTableBytes(cube, cubeValues, bytes);
    AppendBase64(bytes, text);
    return text;
}

}  // namespace

std::string PercentEncodeName(std::string_view name) {
    // "-" stands for the empty name; a name that is a lone "-" is written the
    // same way (and so reads back empty), which stored texts already rely on.
    if (name.empty()) return "-";
    std::string out;
    out.reserve(name.size());
    AppendPercentEncoded(name, out);
    return out;
}

std::string FormatLutText(const Lut3D& lut, int32_t id, std::string_view name) {
    if (lut.process != nullptr) return FormatProcessListText(*lut.process, id, name);
    std::vector<float> shaperValues(lut.shaper);
    std::vector<float> cubeValues(lut.data);
    for (std::vector<float>* values : {&shaperValues, &cubeValues}) {
        for (float& v : *values) v = FiniteTableValue(v);
    }
    // A unit cube stays KVLUT3, byte for byte, wherever KVLUT3 keeps every
    // value within the storage bound, so that texts stored before the wider
    // form existed compare equal and older modules go on reading them. A
    // cube whose values spread far (a log-to-linear cube reaching 55) would
    // lose its shadows in one 16-bit scale: it takes the wider form.
    const bool noTables = lut.size == 0 && lut.shaperSize == 0;
    EncodedTable cube;
    if (noTables || lut.IsUnitCubeOnly()) cube = EncodeTable(cubeValues);
    if (!noTables && !(lut.IsUnitCubeOnly() && (cube.allClose || cube.SpansAtMostOne()))) {
        return FormatKvlut4(lut, shaperValues, cubeValues, id, name);
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(cube.codes.size() * 2);
    AppendCodes(cube.codes, bytes);
    std::string text = "KVLUT3 ";
    text += FormatInteger(id);
    text += ' ';
    text += LutTextNameToken(name);
    text += ' ';
    text += FormatInteger(lut.size);
    text += ' ';
    text += FormatG9(static_cast<double>(cube.range.lo));
    text += ' ';
    text += FormatG9(static_cast<double>(cube.range.hi));
    text += ' ';
    AppendBase64(bytes, text);
    return text;
}

}  // namespace kv
