#include "lut_engine/ProcessListText.h"

#include <bit>
#include <type_traits>
#include <vector>

#include "lut_engine/Base64.h"
#include "lut_engine/LutText.h"
#include "lut_engine/LutTextHeader.h"
#include "lut_engine/ReaderMessages.h"

namespace kv {
namespace {

constexpr size_t kHeaderCopy = 1200;  // a 399-character name and the rest fit
constexpr size_t kMaxFormatLength = 16;

enum StepTag : uint8_t { kTagMatrix, kTagRange, kTagLog, kTagExponent, kTagCdl, kTagLut1D, kTagLut3D };

class ByteWriter {
public:
    void Byte(uint8_t b) { bytes_.push_back(b); }
    void Word(uint32_t w) {
        for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>((w >> shift) & 0xFF));
    }
    void Float(float f) { Word(std::bit_cast<uint32_t>(f)); }
    void Floats(const float* f, size_t n) {
        for (size_t i = 0; i < n; ++i) Float(f[i]);
    }
    const std::vector<unsigned char>& Bytes() const { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

void WriteStep(const ProcessStep& step, ByteWriter& w) {
    std::visit(
        [&w](const auto& s) {
            using S = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<S, MatrixStep>) {
                w.Byte(kTagMatrix);
                w.Floats(s.m, 9);
                w.Floats(s.offset, 3);
            } else if constexpr (std::is_same_v<S, RangeStep>) {
                w.Byte(kTagRange);
                w.Byte(static_cast<uint8_t>((s.hasMin ? 1 : 0) | (s.hasMax ? 2 : 0) | (s.clamp ? 4 : 0)));
                const float v[4] = {s.minIn, s.minOut, s.maxIn, s.maxOut};
                w.Floats(v, 4);
            } else if constexpr (std::is_same_v<S, LogStep>) {
                w.Byte(kTagLog);
                w.Byte(static_cast<uint8_t>(s.style));
                w.Float(s.base);
                for (const LogParams& p : s.channel) {
                    const float v[6] = {p.logSideSlope, p.logSideOffset, p.linSideSlope,
                                        p.linSideOffset, p.linSideBreak, p.linearSlope};
                    w.Floats(v, 6);
                    w.Byte(p.hasLinearSlope ? 1 : 0);
                }
            } else if constexpr (std::is_same_v<S, ExponentStep>) {
                w.Byte(kTagExponent);
                w.Byte(static_cast<uint8_t>(s.style));
                w.Floats(s.exponent, 3);
                w.Floats(s.offset, 3);
            } else if constexpr (std::is_same_v<S, CdlStep>) {
                w.Byte(kTagCdl);
                w.Byte(static_cast<uint8_t>(s.style));
                w.Floats(s.slope, 3);
                w.Floats(s.offset, 3);
                w.Floats(s.power, 3);
                w.Float(s.saturation);
            } else if constexpr (std::is_same_v<S, Lut1DStep>) {
                w.Byte(kTagLut1D);
                w.Byte(static_cast<uint8_t>((s.halfDomain ? 1 : 0) | (s.hueAdjust ? 2 : 0)));
                w.Word(static_cast<uint32_t>(s.size));
                w.Floats(s.values.data(), s.values.size());
            } else {
                w.Byte(kTagLut3D);
                w.Byte(static_cast<uint8_t>(s.interpolation));
                w.Word(static_cast<uint32_t>(s.size));
                w.Floats(s.values.data(), s.values.size());
            }
        },
        step);
}

// The data's bytes in order; any read past their end fails and stays failed.
class ByteReader {
public:
    explicit ByteReader(std::string_view base64) : bytes_(base64), left_((base64.size() * 3) / 4) {}

    uint8_t Byte() {
        uint8_t b = 0;
        if (ok_ && !bytes_.Next(b)) ok_ = false;
        if (ok_) --left_;
        return b;
    }
    uint32_t Word() {
        uint32_t w = 0;
        for (int shift = 0; shift < 32; shift += 8) w |= uint32_t{Byte()} << shift;
        return w;
    }
    float Float() { return std::bit_cast<float>(Word()); }
    void Floats(float* f, size_t n) {
        for (size_t i = 0; i < n && ok_; ++i) f[i] = Float();
    }
    // Room for n floats, refused (and the read failed) when the text cannot
    // hold them, so that a short text never makes room for a huge table.
    bool Reserve(std::vector<float>& v, uint64_t n) {
        if (!ok_ || n * 4 > left_) return ok_ = false;
        v.assign(static_cast<size_t>(n), 0.0f);
        return true;
    }
    bool Ok() const { return ok_; }

private:
    Base64Bytes bytes_;
    uint64_t left_;  // at most this many bytes are left
    bool ok_ = true;
};

template <class Enum>
bool ReadStyle(ByteReader& r, Enum last, Enum& style) {
    const uint8_t v = r.Byte();
    if (v > static_cast<uint8_t>(last)) return false;
    style = static_cast<Enum>(v);
    return true;
}

bool ReadStep(ByteReader& r, ProcessStep& step) {
    switch (r.Byte()) {
        case kTagMatrix: {
            MatrixStep s;
            r.Floats(s.m, 9);
            r.Floats(s.offset, 3);
            step = s;
            return r.Ok();
        }
        case kTagRange: {
            RangeStep s;
            const uint8_t flags = r.Byte();
            if (flags > 7) return false;
            s.hasMin = (flags & 1) != 0;
            s.hasMax = (flags & 2) != 0;
            s.clamp = (flags & 4) != 0;
            s.minIn = r.Float();
            s.minOut = r.Float();
            s.maxIn = r.Float();
            s.maxOut = r.Float();
            step = s;
            return r.Ok();
        }
        case kTagLog: {
            LogStep s;
            if (!ReadStyle(r, LogStyle::kCameraLogToLin, s.style)) return false;
            s.base = r.Float();
            for (LogParams& p : s.channel) {
                float v[6];
                r.Floats(v, 6);
                p = {v[0], v[1], v[2], v[3], v[4], false, v[5]};
                const uint8_t given = r.Byte();
                if (given > 1) return false;
                p.hasLinearSlope = given == 1;
            }
            step = s;
            return r.Ok();
        }
        case kTagExponent: {
            ExponentStep s;
            if (!ReadStyle(r, ExponentStyle::kMonCurveMirrorRev, s.style)) return false;
            r.Floats(s.exponent, 3);
            r.Floats(s.offset, 3);
            step = s;
            return r.Ok();
        }
        case kTagCdl: {
            CdlStep s;
            if (!ReadStyle(r, CdlStyle::kRevNoClamp, s.style)) return false;
            r.Floats(s.slope, 3);
            r.Floats(s.offset, 3);
            r.Floats(s.power, 3);
            s.saturation = r.Float();
            step = s;
            return r.Ok();
        }
        case kTagLut1D: {
            Lut1DStep s;
            const uint8_t flags = r.Byte();
            if (flags > 3) return false;
            s.halfDomain = (flags & 1) != 0;
            s.hueAdjust = (flags & 2) != 0;
            const uint32_t size = r.Word();
            if (size < 2 || size > static_cast<uint32_t>(kMaxProcessLut1DSize) || (s.halfDomain && size != 65536)) {
                return false;
            }
            s.size = static_cast<int32_t>(size);
            if (!r.Reserve(s.values, uint64_t{size} * 3)) return false;
            r.Floats(s.values.data(), s.values.size());
            step = std::move(s);
            return r.Ok();
        }
        case kTagLut3D: {
            Lut3DStep s;
            if (!ReadStyle(r, Interpolation3D::kTetrahedral, s.interpolation)) return false;
            const uint32_t size = r.Word();
            if (size < 2 || size > static_cast<uint32_t>(kMaxProcessLut3DSize)) return false;
            s.size = static_cast<int32_t>(size);
            if (!r.Reserve(s.values, uint64_t{size} * size * size * 3)) return false;
            r.Floats(s.values.data(), s.values.size());
            step = std::move(s);
            return r.Ok();
        }
        default:
            return false;
    }
}

bool IsFormatToken(std::string_view token) {
    if (token.empty() || token.size() > kMaxFormatLength) return false;
    for (const char c : token) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!alnum) return false;
    }
    return true;
}

}  // namespace

std::string FormatProcessListText(const ProcessList& list, int32_t id, std::string_view name) {
    ByteWriter w;
    for (const ProcessStep& step : list.steps) WriteStep(step, w);
    std::string text = "KVLUT5 ";
    text += FormatInteger(id);
    text += ' ';
    text += LutTextNameToken(name);
    text += ' ';
    text += IsFormatToken(list.format) ? list.format : std::string("steps");
    text += ' ';
    text += FormatInteger(static_cast<int64_t>(list.steps.size()));
    text += ' ';
    AppendBase64(w.Bytes(), text);
    return text;
}

bool ParseProcessListText(std::string_view text, ProcessList& list, int32_t& id, std::string& name,
                          std::string* error) {
    list = ProcessList{};
    HeaderScan s(text, kHeaderCopy);
    int64_t scannedId = 0, count = 0;
    std::string_view nameToken, format;
    size_t offset = 0;
    if (!(s.Literal("KVLUT5") && s.Integer(scannedId) && scannedId >= INT32_MIN && scannedId <= INT32_MAX &&
          s.token(399, nameToken) && s.token(kMaxFormatLength + 1, format) && IsFormatToken(format) &&
          s.Integer(count) && s.DataOffset(offset))) {
        return messages::Fail(error, messages::kNotLut5);
    }
    if (count < 1 || count > static_cast<int64_t>(kMaxProcessSteps)) {
        return messages::Fail(error, messages::kProcessStepCount);
    }
    id = static_cast<int32_t>(scannedId);
    name = PercentDecodeName(nameToken);
    list.format = std::string(format);
    ByteReader reader(text.substr(offset));
    list.steps.resize(static_cast<size_t>(count));
    for (ProcessStep& step : list.steps) {
        if (!ReadStep(reader, step)) {
            list.steps.clear();
            return messages::Fail(error, reader.Ok() ? messages::kProcessStepMalformed : messages::kLutDataTruncated);
        }
    }
    return true;
}

}  // namespace kv
