// Writes the "KVLUT3" form of LUT text (grammar in LutTextReader.cpp):
//
//   "KVLUT3 " id " " name " " size " " lo " " hi " " base64
//
// lo and hi are printed like "%.9g", which reads back as the same float, and
// every value becomes the 16-bit code round((v - lo) * 65535 / (hi - lo)).

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "lut_engine/LutText.h"
#include "lut_engine/NumberText.h"

namespace kv {
namespace {

constexpr size_t kMaxNameToken = 399;
constexpr std::string_view kBase64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Range {
    float lo = 0.0f;
    float hi = 1.0f;
};

// The smallest and largest finite value. NaN and infinities are left out:
// either would make every code (and so the whole LUT read back) NaN. An
// infinite value then saturates to the nearest end of the range.
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

void AppendBase64(const std::vector<unsigned char>& bytes, std::string& out) {
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        out.push_back(kBase64Alphabet[(group >> 18) & 63]);
        out.push_back(kBase64Alphabet[(group >> 12) & 63]);
        out.push_back(kBase64Alphabet[(group >> 6) & 63]);
        out.push_back(kBase64Alphabet[group & 63]);
    }
    const size_t rest = bytes.size() - i;
    if (rest == 0) return;
    uint32_t group = uint32_t{bytes[i]} << 16;
    if (rest == 2) group |= uint32_t{bytes[i + 1]} << 8;
    out.push_back(kBase64Alphabet[(group >> 18) & 63]);
    out.push_back(kBase64Alphabet[(group >> 12) & 63]);
    out.push_back(rest == 2 ? kBase64Alphabet[(group >> 6) & 63] : '=');
    out.push_back('=');
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
std::string NameToken(std::string_view name) {
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
    const Range range = ValueRange(lut.data);
    const double scale = 65535.0 / (static_cast<double>(range.hi) - static_cast<double>(range.lo));
    std::vector<unsigned char> bytes;
    bytes.reserve(lut.data.size() * 2);
    for (const float v : lut.data) {
        const uint16_t q = Quantise(v, range.lo, scale);
        bytes.push_back(static_cast<unsigned char>(q & 0xFF));
        bytes.push_back(static_cast<unsigned char>(q >> 8));
    }
    std::string text = "KVLUT3 ";
    text += FormatInteger(id);
    text += ' ';
    text += NameToken(name);
    text += ' ';
    text += FormatInteger(lut.size);
    text += ' ';
    text += FormatG9(static_cast<double>(range.lo));
    text += ' ';
    text += FormatG9(static_cast<double>(range.hi));
    text += ' ';
    AppendBase64(bytes, text);
    return text;
}

}  // namespace kv
