// Reads LUT text. Grammar (tokens separated by "C" white space):
//
//   text     = "KVLUT0" anything                          ; no LUT
//            | "KVLUTP" n [cols rows x0 y0 x1 y1]         ; calibration pattern
//            | "KVLUT4" ["video-in"] ["video-out"] id name size size1 domain ranges1
//                       enc1 enc3 ws data4
//            | "KVLUT5" ...                              ; a process list: ProcessListText.h
//            | "KVLUT3" id name size lo hi ws data
//            | "KVLUT2" id size lo hi ws data
//            | "KVLUT1" size lo hi ws data                 ; also the fallback form
//   n, cols, rows, size = signed 32-bit decimal
//   id       = signed 32-bit decimal (wider values are refused as malformed)
//   x0 .. y1 = signed decimal, millionths of the frame width / height
//   lo, hi   = float as scanf's %f reads it (sign, decimal or 0x hexadecimal,
//              exponent, inf, infinity, nan, nan(chars)); both and hi - lo
//              must be finite in float, or no code could read back finite
//   name     = 1 to 399 non-blank characters, "-" for the empty name, "%XX"
//              for a byte
//   data     = base64 of N^3 * 3 little-endian uint16 codes, red fastest;
//              bytes outside the alphabet are skipped, "=" ends it
//
// KVLUT4 holds every LUT that KVLUT3 cannot: a 1D stage, a 1D stage alone,
// a domain other than 0..1, video-range maps, or values that one 16-bit
// scale would not keep.
//   video-in, video-out = the file's video-range maps (VideoRange.h), folded
//              into the tables as they are read; placed before the id so
//              that a reader without them refuses the text
//   size     = 0 (no cube) or 2..129; size1 = 0 (no 1D stage) or 2..65536,
//              not both 0
//   domain   = min R G B, max R G B of the cube; ranges1 = the same of the
//              1D stage; floats, finite, min < max and max - min finite
//              wherever a table is there
//   enc1, enc3 = "q" lo hi (16-bit codes as KVLUT3's, lo, hi and hi - lo
//              finite) | "f" lo hi (float32 bits, exact; lo and hi unused;
//              NaN reads as 0, an infinity as the largest float of its sign):
//              the 1D stage's, then the cube's
//   data4    = base64 of the 1D stage's M * 3 values, then the cube's N^3 * 3,
//              each in its table's encoding, little-endian, in one stream
//
// The header is scanned from a copy of the first 96 characters (1200 for a
// second try at KVLUT3, whose name may be long, and for KVLUT4), which ends early at a NUL as
// a C string would, so that a megabyte of data is never scanned as header.
// A number that runs into the end of the copy while the text goes on is cut,
// and the scan fails there rather than accept a shortened value. The data
// starts after the white space that follows hi; without such white space
// inside the copy the header is malformed.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "lut_engine/Base64.h"
#include "lut_engine/LutText.h"
#include "lut_engine/LutTextHeader.h"
#include "lut_engine/NumberText.h"
#include "lut_engine/ProcessListText.h"
#include "lut_engine/process/PreparedSteps.h"
#include "lut_engine/ReaderMessages.h"
#include "lut_engine/TableValue.h"
#include "lut_engine/VideoRange.h"

namespace kv {
namespace {

constexpr size_t kHeaderCopy = 96;
constexpr size_t kLongHeaderCopy = 1200;
constexpr size_t kNameWidth = 399;
constexpr int64_t kMinSize = 2;
constexpr int64_t kMaxSize = kMaxLutTextSize;
constexpr int64_t kMax1DSize = kMaxLutText1DSize;
constexpr int64_t kMinProbe = 2;
constexpr int64_t kMaxProbe = 64;
constexpr int64_t kAreaScale = 1000000;
constexpr int64_t kMaxPatternCells = 4000000;


bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

struct CubeHeader {
    int64_t id = 0;
    int64_t size = 0;
    float lo = 0.0f;
    float hi = 0.0f;
    size_t offset = 0;
    std::string_view name;
};

// "KVLUT3 %ld %399s %d %f %f %n"
bool ScanKvlut3(std::string_view text, size_t copyLength, CubeHeader& h) {
    HeaderScan s(text, copyLength);
    return s.Literal("KVLUT3") && s.Integer(h.id) && FitsInt32(h.id) && s.token(kNameWidth, h.name) &&
           s.Integer(h.size) && s.Real(h.lo) && s.Real(h.hi) && s.DataOffset(h.offset);
}

// "KVLUT2 %ld %d %f %f %n"
bool ScanKvlut2(std::string_view text, CubeHeader& h) {
    HeaderScan s(text, kHeaderCopy);
    return s.Literal("KVLUT2") && s.Integer(h.id) && FitsInt32(h.id) && s.Integer(h.size) && s.Real(h.lo) &&
           s.Real(h.hi) && s.DataOffset(h.offset);
}

// "KVLUT1 %d %f %f %n"
bool ScanKvlut1(std::string_view text, CubeHeader& h) {
    HeaderScan s(text, kHeaderCopy);
    return s.Literal("KVLUT1") && s.Integer(h.size) && s.Real(h.lo) && s.Real(h.hi) && s.DataOffset(h.offset);
}

// "KVLUTP %d %d %d %ld %ld %ld %ld"
bool ParsePattern(std::string_view text, Lut3D& lut, std::string* error) {
    HeaderScan s(text, kHeaderCopy);
    int64_t f[7] = {};
    int count = 0;
    if (s.Literal("KVLUTP")) {
        while (count < 7 && s.Integer(f[count])) ++count;
    }
    const int64_t n = f[0];
    if (count < 1 || n < kMinProbe || n > kMaxProbe) return messages::Fail(error, messages::kBadPatternSize);
    lut.probe = static_cast<int32_t>(n);
    if (count == 1) return true;
    const int64_t cols = f[1], rows = f[2], x0 = f[3], y0 = f[4], x1 = f[5], y1 = f[6];
    // Each factor is bounded before the product so that it cannot overflow.
    const bool ok = count == 7 && x0 >= 0 && y0 >= 0 && x0 < x1 && y0 < y1 && x1 <= kAreaScale &&
                    y1 <= kAreaScale && cols >= 1 && rows >= 1 && cols <= kMaxPatternCells &&
                    rows <= kMaxPatternCells && cols * rows >= n * n * n && cols * rows <= kMaxPatternCells;
    if (!ok) return messages::Fail(error, messages::kBadPatternArea);
    lut.probeCols = static_cast<int32_t>(cols);
    lut.probeRows = static_cast<int32_t>(rows);
    lut.areaX0 = static_cast<double>(x0) * 1e-6;
    lut.areaY0 = static_cast<double>(y0) * 1e-6;
    lut.areaX1 = static_cast<double>(x1) * 1e-6;
    lut.areaY1 = static_cast<double>(y1) * 1e-6;
    return true;
}

// Little-endian values of `bytesPerValue` bytes each (2: codes, 4: float
// bits) decoded from the stream into `out`, which already has its final size.
bool DecodeValues(Base64Bytes& stream, size_t bytesPerValue, float lo, float hi, std::vector<float>& out) {
    std::vector<uint8_t> bytes(out.size() * bytesPerValue);
    if (!stream.Read(bytes.data(), bytes.size())) return false;
    const uint8_t* b = bytes.data();
    if (bytesPerValue == 4) {
        for (float& v : out) {
            const uint32_t u = uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
            v = FiniteTableValue(std::bit_cast<float>(u));
            b += 4;
        }
        return true;
    }
    // The float nearest 1/65535; the step is computed once, in float.
    const float k = std::bit_cast<float>(uint32_t{0x37800080});
    const float step = (hi - lo) * k;
    for (float& v : out) {
        // Rounding can carry a code at the very top of the float range over it.
        v = FiniteTableValue(static_cast<float>(b[0] | (b[1] << 8)) * step + lo);
        b += 2;
    }
    return true;
}

struct TableEncoding {
    bool exact = false;  // "f": float32 bits; "q": 16-bit codes between lo and hi
    float lo = 0.0f;
    float hi = 1.0f;

    size_t BytesPerValue() const { return exact ? 4 : 2; }
};

struct Kvlut4Header {
    int64_t id = 0;
    std::string_view name;
    int64_t size = 0;
    int64_t size1 = 0;
    float domain[6] = {};
    float range1[6] = {};
    TableEncoding enc1;
    TableEncoding enc3;
    uint32_t videoRange = 0;
    size_t offset = 0;
};

// Codes between bounds whose width overflows float would all decode to
// infinities or NaN.
bool FiniteScale(float lo, float hi) { return std::isfinite(lo) && std::isfinite(hi) && std::isfinite(hi - lo); }

bool ScanEncoding(HeaderScan& s, TableEncoding& e) {
    std::string_view word;
    if (!s.token(1, word) || (word != "q" && word != "f")) return false;
    e.exact = word == "f";
    return s.Real(e.lo) && s.Real(e.hi) && (e.exact || FiniteScale(e.lo, e.hi));
}

// "KVLUT4 %ld %399s %d %d" then 12 floats, two encodings and " %n"; the
// longest header (a 399-character name, every float at full length) is well
// inside the long copy.
bool ScanKvlut4(std::string_view text, Kvlut4Header& h) {
    HeaderScan s(text, kLongHeaderCopy);
    if (!s.Literal("KVLUT4")) return false;
    if (s.Word("video-in")) h.videoRange |= kVideoRangeIn;
    if (s.Word("video-out")) h.videoRange |= kVideoRangeOut;
    if (!(s.Integer(h.id) && FitsInt32(h.id) && s.token(kNameWidth, h.name) &&
          s.Integer(h.size) && s.Integer(h.size1))) {
        return false;
    }
    for (float& v : h.domain) {
        if (!s.Real(v)) return false;
    }
    for (float& v : h.range1) {
        if (!s.Real(v)) return false;
    }
    return ScanEncoding(s, h.enc1) && ScanEncoding(s, h.enc3) && s.DataOffset(h.offset);
}

bool ValidBounds(const float bounds[6]) {
    for (int c = 0; c < 3; ++c) {
        if (!FiniteScale(bounds[c], bounds[c + 3]) || !(bounds[c] < bounds[c + 3])) return false;
    }
    return true;
}

bool ParseKvlut4(std::string_view text, Lut3D& lut, std::string* error) {
    Kvlut4Header h;
    if (!ScanKvlut4(text, h)) return messages::Fail(error, messages::kNotLut4);
    lut.id = static_cast<int32_t>(h.id);
    lut.name = PercentDecodeName(h.name);
    if (h.size != 0 && (h.size < kMinSize || h.size > kMaxSize)) return messages::Fail(error, messages::kLutSizeOutOfRange);
    if (h.size1 != 0 && (h.size1 < kMinSize || h.size1 > kMax1DSize)) {
        return messages::Fail(error, messages::kLut1DSizeOutOfRange);
    }
    if (h.size == 0 && h.size1 == 0) return messages::Fail(error, messages::kLutSizeOutOfRange);
    if ((h.size != 0 && !ValidBounds(h.domain)) || (h.size1 != 0 && !ValidBounds(h.range1))) {
        return messages::Fail(error, messages::kLutBadDomain);
    }
    // Every value needs at least one base64 character per 6 bits: a text too
    // short for its sizes is refused before anything is allocated for them.
    const auto n = static_cast<uint64_t>(h.size);
    const uint64_t values1 = static_cast<uint64_t>(h.size1) * 3;
    const uint64_t values3 = n * n * n * 3;
    const uint64_t bytes = values1 * h.enc1.BytesPerValue() + values3 * h.enc3.BytesPerValue();
    if ((text.size() - h.offset) < (bytes * 4 + 2) / 3) return messages::Fail(error, messages::kLutDataTruncated);

    for (int c = 0; c < 3; ++c) {
        lut.domainMin[c] = h.size != 0 ? h.domain[c] : 0.0f;
        lut.domainMax[c] = h.size != 0 ? h.domain[c + 3] : 1.0f;
        lut.shaperMin[c] = h.size1 != 0 ? h.range1[c] : 0.0f;
        lut.shaperMax[c] = h.size1 != 0 ? h.range1[c + 3] : 1.0f;
    }
    lut.shaperSize = static_cast<int32_t>(h.size1);
    lut.shaper.assign(values1, 0.0f);
    lut.size = static_cast<int32_t>(h.size);
    lut.data.assign(values3, 0.0f);
    Base64Bytes stream(text.substr(h.offset));
    if (!DecodeValues(stream, h.enc1.BytesPerValue(), h.enc1.lo, h.enc1.hi, lut.shaper) ||
        !DecodeValues(stream, h.enc3.BytesPerValue(), h.enc3.lo, h.enc3.hi, lut.data)) {
        return messages::Fail(error, messages::kLutDataTruncated);
    }
    lut.videoRange = h.videoRange;
    if (!FoldVideoRanges(lut)) return messages::Fail(error, messages::kLutBadDomain);
    return true;
}

}  // namespace

bool ParseLutText(std::string_view text, Lut3D& lut, std::string* error) {
    lut = Lut3D{};
    if (text.starts_with("KVLUT0")) return true;
    if (text.starts_with("KVLUTP")) return ParsePattern(text, lut, error);

    if (text.starts_with("KVLUT4")) return ParseKvlut4(text, lut, error);
    if (text.starts_with("KVLUT5")) {
        ProcessList list;
        if (!ParseProcessListText(text, list, lut.id, lut.name, error)) return false;
        if (!MakeProcessLut(lut, std::move(list))) return messages::Fail(error, messages::kProcessStepMalformed);
        return true;
    }

    CubeHeader h;
    if (text.starts_with("KVLUT3")) {
        // A long name does not fit the short copy: try again on the long one.
        if (!ScanKvlut3(text, kHeaderCopy, h)) {
            h = CubeHeader{};
            if (!ScanKvlut3(text, kLongHeaderCopy, h)) return messages::Fail(error, messages::kNotLut3);
        }
        lut.name = PercentDecodeName(h.name);
    } else if (text.starts_with("KVLUT2")) {
        if (!ScanKvlut2(text, h)) return messages::Fail(error, messages::kNotLut2);
    } else if (!ScanKvlut1(text, h)) {
        return messages::Fail(error, messages::kNotLut2);
    }
    if (!FiniteScale(h.lo, h.hi)) {
        return messages::Fail(error, text.starts_with("KVLUT3") ? messages::kNotLut3 : messages::kNotLut2);
    }
    lut.id = static_cast<int32_t>(h.id);
    if (h.size < kMinSize || h.size > kMaxSize) return messages::Fail(error, messages::kLutSizeOutOfRange);
    const auto n = static_cast<size_t>(h.size);
    // 2 bytes a value take 8/3 base64 characters: a text too short for its
    // size fails as truncated before 25 MB are made ready for it.
    if (text.size() - h.offset < n * n * n * 8) return messages::Fail(error, messages::kLutDataTruncated);
    lut.size = static_cast<int32_t>(h.size);
    lut.data.assign(n * n * n * 3, 0.0f);
    Base64Bytes stream(text.substr(h.offset));
    if (!DecodeValues(stream, 2, h.lo, h.hi, lut.data)) return messages::Fail(error, messages::kLutDataTruncated);
    return true;
}

std::string PercentDecodeName(std::string_view token) {
    if (token == "-") return {};
    std::string name;
    name.reserve(token.size());
    for (size_t i = 0; i < token.size(); ++i) {
        int value = 0;
        if (token[i] == '%' && i + 2 < token.size() && ScanHexByte(token.substr(i + 1, 2), value)) {
            name.push_back(static_cast<char>(static_cast<unsigned char>(value & 0xFF)));
            i += 2;
        } else {
            name.push_back(token[i]);
        }
    }
    return name;
}

}  // namespace kv
