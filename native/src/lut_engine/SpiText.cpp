#include "lut_engine/SpiText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "lut_engine/NumberText.h"

namespace kv {
namespace {

// Halfway between the smallest normal float and the 24-bit value below it:
// a value under it is tiny after rounding, which is when glibc's strtof
// reports an inexact result as an underflow.
constexpr double kTinyBound = 0x1.ffffffp-127;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

int HexDigitValue(char c) {
    c = Lower(c);
    return c <= '9' ? c - '0' : c - 'a' + 10;
}

int TrailingZeroBits(int digit) {
    int n = 0;
    while ((digit & 1) == 0) {
        digit >>= 1;
        ++n;
    }
    return n;
}

// Whether a non-zero hexadecimal mantissa ("1.8", "0.004") times 2^exponent
// lands on the float grid below the normal range: its lowest set bit is at
// 2^-149 or above.
bool IsExactSubnormal(std::string_view mantissa, int64_t exponent) {
    const size_t dot = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : mantissa.substr(dot + 1);
    int64_t lowest = 0;
    if (const size_t k = fraction.find_last_not_of('0'); k != std::string_view::npos) {
        lowest = exponent - 4 * static_cast<int64_t>(k + 1) + TrailingZeroBits(HexDigitValue(fraction[k]));
    } else {
        const size_t k2 = whole.find_last_not_of('0');
        lowest = exponent + 4 * static_cast<int64_t>(whole.size() - 1 - k2) +
                 TrailingZeroBits(HexDigitValue(whole[k2]));
    }
    return lowest >= -149;
}

// `number` is what strtof consumed and `value` what it returned: true where
// strtof would set ERANGE.
bool IsRangeError(std::string_view number, float value) {
    size_t p = 0;
    if (number[p] == '+' || number[p] == '-') ++p;
    const char first = Lower(number[p]);
    if (first == 'i' || first == 'n') return false;
    if (std::isinf(value)) return true;
    // "0x" without digits was consumed as "0" alone, so a hex number here
    // has at least one digit.
    const bool hex = number.size() > p + 1 && number[p] == '0' && Lower(number[p + 1]) == 'x';
    const size_t start = hex ? p + 2 : p;
    const size_t mark = number.find_first_of(hex ? "pP" : "eE", start);
    const std::string_view mantissa = number.substr(start, mark == std::string_view::npos ? mark : mark - start);
    if (mantissa.find_first_not_of("0.") == std::string_view::npos) return false;  // exactly zero

    double magnitude = 0.0;
    const auto result = std::from_chars(number.data() + start, number.data() + number.size(), magnitude,
                                        hex ? std::chars_format::hex : std::chars_format::general);
    // A double out of range here has underflowed: the float did not overflow.
    if (result.ec == std::errc() && !(magnitude < kTinyBound)) return false;
    // A decimal number cannot be exactly a value below the normal range in
    // fewer than 89 significant digits, far more than a word may hold.
    if (!hex) return true;
    // Clamped far beyond any float exponent, so that adding to it is safe.
    int64_t exponent = 0;
    if (mark != std::string_view::npos) {
        exponent = std::clamp<int64_t>(LeadingInteger(number.substr(mark + 1)), -99999, 99999);
    }
    return !IsExactSubnormal(mantissa, exponent);
}

}  // namespace

bool NextSpiLine(std::string_view text, size_t& pos, SpiLine& line) {
    if (pos >= text.size()) return false;
    size_t end = text.find('\n', pos);
    const bool newline = end != std::string_view::npos;
    if (!newline) end = text.size();
    line.whole = text.substr(pos, end - pos);
    line.tooLong = line.whole.size() > kMaxSpiLineLength;
    line.text = line.whole.substr(0, kMaxSpiLineLength);
    line.ended = newline && !line.tooLong;
    pos = newline ? end + 1 : end;
    return true;
}

bool ScanSpiInt(std::string_view text, size_t& pos, int32_t& value) {
    int64_t wide = 0;
    if (!ScanInteger(text, pos, wide)) return false;
    value = static_cast<int32_t>(wide);
    return true;
}

bool ScanSpiWord(std::string_view text, size_t& pos, std::string_view& word) {
    size_t p = pos;
    SkipCSpace(text, p);
    const size_t start = p;
    while (p < text.size() && !IsCSpace(text[p])) ++p;
    if (p == start) return false;
    word = text.substr(start, p - start);
    pos = p;
    return true;
}

SpiNumber ReadSpiNumber(std::string_view word, float& value) {
    if (word.size() > kMaxSpiNumberLength) return SpiNumber::kTooLong;
    size_t pos = 0;
    float v = 0.0f;
    if (!ScanFloat(word, pos, v, FloatScan::LongestValidPrefix)) return SpiNumber::kNotANumber;
    if (IsRangeError(word.substr(0, pos), v)) return SpiNumber::kNotANumber;
    value = v;
    return SpiNumber::kOk;
}

}  // namespace kv
