#include "lut_engine/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>
#include <type_traits>

namespace kv {
namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// How many characters of `word` (lower case) match text from pos, ignoring case.
size_t MatchNoCase(std::string_view text, size_t pos, std::string_view word) {
    size_t m = 0;
    while (m < word.size() && pos + m < text.size() && Lower(text[pos + m]) == word[m]) ++m;
    return m;
}

// What "nan(...)" may hold between its parentheses.
bool IsNanChar(char c) { return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'z') || c == '_'; }

size_t SkipDigits(std::string_view text, size_t pos, bool hex) {
    while (pos < text.size() && (hex ? IsHexDigit(text[pos]) : IsDigit(text[pos]))) ++pos;
    return pos;
}

enum class Kind { Decimal, Hex, Inf, NaN };

// The result of lexing one number. itemEnd is where the longest prefix of a
// possible number ends (what scanf takes as its input item); validEnd is where
// the longest complete number ends, kNone if there is none.
struct Lexeme {
    Kind kind = Kind::Decimal;
    size_t itemEnd = 0;
    size_t validEnd = kNone;
};

// An exponent: [eEpP] [+-] digits. Extends itemEnd over whatever could still
// become an exponent; validEnd only over a complete one.
void LexExponent(std::string_view text, size_t pos, char mark, Lexeme& lex) {
    if (pos >= text.size() || Lower(text[pos]) != mark) return;
    size_t p = pos + 1;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
    const size_t digitsEnd = SkipDigits(text, p, false);
    if (digitsEnd > p) {
        lex.itemEnd = lex.validEnd = digitsEnd;
    } else {
        lex.itemEnd = p;
    }
}

// Lexes the number that starts at p (after white space and sign).
Lexeme LexNumber(std::string_view text, size_t p) {
    Lexeme lex;
    lex.itemEnd = p;
    if (const size_t m = MatchNoCase(text, p, "infinity"); m > 0) {
        lex.kind = Kind::Inf;
        lex.itemEnd = p + m;
        if (m == 8) {
            lex.validEnd = p + 8;
        } else if (m >= 3) {
            lex.validEnd = p + 3;
        }
        return lex;
    }
    if (const size_t m = MatchNoCase(text, p, "nan"); m > 0) {
        lex.kind = Kind::NaN;
        lex.itemEnd = p + m;
        if (m < 3) return lex;
        lex.validEnd = p + 3;
        size_t q = p + 3;
        if (q < text.size() && text[q] == '(') {
            ++q;
            while (q < text.size() && IsNanChar(text[q])) ++q;
            if (q < text.size() && text[q] == ')') {
                lex.itemEnd = lex.validEnd = q + 1;
            } else {
                lex.itemEnd = q;
            }
        }
        return lex;
    }
    const bool hex = p + 1 < text.size() && text[p] == '0' && Lower(text[p + 1]) == 'x';
    size_t q = p;
    if (hex) {
        lex.kind = Kind::Hex;
        lex.validEnd = p + 1;  // the "0" alone is a complete number
        q = p + 2;
    }
    const size_t intEnd = SkipDigits(text, q, hex);
    size_t digits = intEnd - q;
    q = intEnd;
    if (q < text.size() && text[q] == '.') {
        const size_t fracEnd = SkipDigits(text, q + 1, hex);
        digits += fracEnd - (q + 1);
        q = fracEnd;
    }
    lex.itemEnd = q;
    if (digits == 0) {
        // "0x" without digits: only its "0" is a number (strtof reads 0).
        lex.kind = Kind::Decimal;
        return lex;
    }
    lex.validEnd = q;
    LexExponent(text, q, hex ? 'p' : 'e', lex);
    return lex;
}

// Rough sign of the value's exponent: true when |value| is at least about 1.
// Only used to tell overflow from underflow for numbers beyond double range.
bool IsLargeMagnitude(std::string_view digits, bool hex) {
    const char mark = hex ? 'p' : 'e';
    int64_t scale = 0;  // digit positions of the leading non-zero digit
    bool seenPoint = false;
    bool seenNonZero = false;
    size_t i = 0;
    for (; i < digits.size() && Lower(digits[i]) != mark; ++i) {
        const char c = digits[i];
        if (c == '.') {
            seenPoint = true;
        } else if (c != '0' && !seenNonZero) {
            seenNonZero = true;
            if (!seenPoint) ++scale;
        } else if (!seenPoint && seenNonZero) {
            ++scale;
        } else if (seenPoint && !seenNonZero) {
            --scale;
        }
    }
    int64_t exponent = 0;
    if (i < digits.size()) exponent = LeadingInteger(digits.substr(i + 1));
    if (hex) scale *= 4;
    // Saturating: the magnitudes here are far beyond any sum that matters.
    if (exponent > 0 && scale > std::numeric_limits<int64_t>::max() - exponent) return true;
    if (exponent < 0 && scale < std::numeric_limits<int64_t>::min() - exponent) return false;
    return scale + exponent > 0;
}

// Converts an unsigned decimal or hexadecimal (no "0x") number known to be
// complete to T (float or double), rounded once to nearest.
template <class T>
T Convert(std::string_view digits, bool hex) {
    const auto format = hex ? std::chars_format::hex : std::chars_format::general;
    const char* first = digits.data();
    const char* last = first + digits.size();
    T t = 0;
    auto result = std::from_chars(first, last, t, format);
    if (result.ec == std::errc()) return t;
    if constexpr (std::is_same_v<T, float>) {
        // Beyond the float range but perhaps within double's: round from there.
        double d = 0.0;
        result = std::from_chars(first, last, d, format);
        if (result.ec == std::errc()) return static_cast<float>(d);
    }
    return IsLargeMagnitude(digits, hex) ? std::numeric_limits<T>::infinity() : T(0);
}

// ScanFloat and ScanDouble: the same grammar, converted to T.
template <class T>
bool ScanReal(std::string_view text, size_t& pos, T& value, FloatScan mode) {
    size_t p = pos;
    SkipCSpace(text, p);
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    const Lexeme lex = LexNumber(text, p);
    if (lex.validEnd == kNone) return false;
    if (mode == FloatScan::Formatted && lex.validEnd != lex.itemEnd) return false;
    T magnitude = 0;
    switch (lex.kind) {
        case Kind::Inf: magnitude = std::numeric_limits<T>::infinity(); break;
        case Kind::NaN: magnitude = std::numeric_limits<T>::quiet_NaN(); break;
        case Kind::Hex: magnitude = Convert<T>(text.substr(p + 2, lex.validEnd - (p + 2)), true); break;
        case Kind::Decimal: magnitude = Convert<T>(text.substr(p, lex.validEnd - p), false); break;
    }
    value = negative ? -magnitude : magnitude;
    pos = lex.validEnd;
    return true;
}

}  // namespace

size_t SkipCSpace(std::string_view text, size_t& pos) {
    const size_t start = pos;
    while (pos < text.size() && IsCSpace(text[pos])) ++pos;
    return pos - start;
}

bool ScanFloat(std::string_view text, size_t& pos, float& value, FloatScan mode) {
    return ScanReal(text, pos, value, mode);
}

bool ScanDouble(std::string_view text, size_t& pos, double& value, FloatScan mode) {
    return ScanReal(text, pos, value, mode);
}

namespace {

// Sign and digits from pos; no digits gives false with pos unchanged.
bool ScanDigits(std::string_view text, size_t& pos, int64_t& value) {
    size_t p = pos;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    if (p >= text.size() || !IsDigit(text[p])) return false;
    // Accumulate negatively: INT64_MIN has no positive counterpart.
    int64_t acc = 0;
    bool saturated = false;
    for (; p < text.size() && IsDigit(text[p]); ++p) {
        const int digit = text[p] - '0';
        if (!saturated && acc >= (std::numeric_limits<int64_t>::min() + digit) / 10) {
            acc = acc * 10 - digit;
        } else {
            saturated = true;
        }
    }
    if (saturated) {
        value = negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    } else if (negative) {
        value = acc;
    } else {
        value = acc == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -acc;
    }
    pos = p;
    return true;
}

}  // namespace

bool ScanInteger(std::string_view text, size_t& pos, int64_t& value) {
    size_t p = pos;
    SkipCSpace(text, p);
    if (!ScanDigits(text, p, value)) return false;
    pos = p;
    return true;
}

int64_t LeadingInteger(std::string_view text) {
    size_t p = 0;
    int64_t value = 0;
    SkipCSpace(text, p);
    return ScanDigits(text, p, value) ? value : 0;
}

bool ScanHexByte(std::string_view two, int& value) {
    size_t p = 0;
    SkipCSpace(two, p);
    const size_t end = std::min(two.size(), p + 2);
    bool negative = false;
    if (p < end && (two[p] == '+' || two[p] == '-')) {
        negative = two[p] == '-';
        ++p;
    }
    if (p + 1 < end && two[p] == '0' && Lower(two[p + 1]) == 'x') return false;
    int acc = 0;
    const size_t first = p;
    for (; p < end && IsHexDigit(two[p]); ++p) {
        const char c = Lower(two[p]);
        acc = acc * 16 + (IsDigit(c) ? c - '0' : c - 'a' + 10);
    }
    if (p == first) return false;
    value = negative ? -acc : acc;
    return true;
}

std::string FormatG9(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 9);
    return std::string(buffer, result.ptr);
}

std::string FormatInteger(int64_t value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace kv
