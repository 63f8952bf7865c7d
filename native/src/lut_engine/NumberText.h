#pragma once
// Locale-free scanning and printing of the numbers in LUT text and .cube
// files. A host process may have set a comma-decimal locale, so nothing here
// goes through the C library's locale-aware conversions: "." is always the
// decimal point and white space is always the "C" locale set.
//
// Every scanner takes the text and a position, never reads at or beyond
// text.size() (the text need not be NUL-terminated), and on success moves
// the position past what it consumed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// Space, \t, \n, \v, \f, \r: isspace() in the "C" locale.
constexpr bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Skips "C" white space from pos; returns how many characters were skipped.
size_t SkipCSpace(std::string_view text, size_t& pos);

// How a float conversion chooses the characters it converts.
enum class FloatScan {
    // Like strtof: the longest prefix that is a complete number ("1e5x" gives
    // 1e5, "1e" gives 1, "0x" gives 0, "infin" gives inf).
    LongestValidPrefix,
    // Like scanf's %f: the longest prefix of something that could still
    // become a number must itself be a complete number, else the conversion
    // fails ("1e" followed by a blank, "0x", "infin" and "nan(" all fail).
    Formatted,
};

// Reads one float after optional leading white space: an optional sign,
// then a decimal number with optional exponent, a hexadecimal number
// ("0x" prefix, optional binary exponent "p"), "inf", "infinity", "nan" or
// "nan(chars)", case-insensitive. The result is rounded to nearest; values
// beyond the float range give +/-infinity, values below it +/-0 or a
// subnormal, as strtof would. Returns false, pos unchanged, if no number
// could be read.
bool ScanFloat(std::string_view text, size_t& pos, float& value, FloatScan mode);

// ScanFloat's grammar rounded once to double: for readers that scale a value
// before storing it as float, as other tools do in double.
bool ScanDouble(std::string_view text, size_t& pos, double& value, FloatScan mode);

// Like scanf's %d and %ld: optional leading white space, an optional sign and
// at least one decimal digit. Magnitudes beyond the int64 range saturate to
// INT64_MIN / INT64_MAX, so callers check the range they need.
bool ScanInteger(std::string_view text, size_t& pos, int64_t& value);

// Like atoi on the rest of a line: white space, sign and digits, stopping at
// the first non-digit; no digits gives 0. Saturates like ScanInteger.
int64_t LeadingInteger(std::string_view text);

// Like sscanf(two, "%2x", &v) on a string of (at most) two characters: after
// optional white space, one or two hexadecimal digits, or a sign and one
// digit (the sign counts toward the width of two). "0x" alone is only the
// start of a prefixed number and fails, as does a string without a digit.
bool ScanHexByte(std::string_view two, int& value);

// printf("%.9g", value) in the "C" locale: enough digits to read back any
// float32 exactly.
std::string FormatG9(double value);

// The decimal form of an integer, "-" before negative values.
std::string FormatInteger(int64_t value);

}  // namespace kv
