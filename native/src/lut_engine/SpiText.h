#pragma once
// The lines, words and numbers of .spi1d and .spi3d text, taken the way
// OpenColorIO 2.1 takes them: lines through a 4096-byte getline buffer,
// integers through scanf's %d, words through %s and floats through strtof
// with its range error. Both .spi readers share them so that their quirks
// stay in one place.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kv {

// The longest line a 4096-byte getline buffer holds whole.
inline constexpr size_t kMaxSpiLineLength = 4095;
// The longest number word OpenColorIO's 64-byte buffers hold: longer words
// overrun them, so what it reads from one is not defined.
inline constexpr size_t kMaxSpiNumberLength = 63;

// One line as getline hands it over. `text` is at most kMaxSpiLineLength
// characters; `whole` is the full line, for the NUL check. `tooLong` is a
// line of more characters (getline keeps the first 4095 and fails);
// `ended` says the line ended at "\n" and the stream is still good after it
// (false for a last line without "\n", and for a line that is too long).
struct SpiLine {
    std::string_view text;
    std::string_view whole;
    bool ended = false;
    bool tooLong = false;
};

// The next line from pos; false at the end of the text, where getline reads
// nothing and fails. Moves pos past the line and its "\n".
bool NextSpiLine(std::string_view text, size_t& pos, SpiLine& line);

// scanf's %d: white space, a sign and at least one digit. The value wraps
// to 32 bits as the C library's long-to-int store does ("4294967298" is 2,
// a magnitude beyond 64 bits saturates first).
bool ScanSpiInt(std::string_view text, size_t& pos, int32_t& value);

// scanf's %s: white space, then a run of at least one non-blank character.
bool ScanSpiWord(std::string_view text, size_t& pos, std::string_view& word);

enum class SpiNumber { kOk, kNotANumber, kTooLong };

// A word read as strtof reads it in the "C" locale (its longest numeric
// prefix: "0.5abc" is 0.5, "0x1p-2" is 0.25, "inf" and "nan" pass), failing
// where strtof fails or sets ERANGE: no number, a value beyond the float
// range, or a non-zero value that is tiny after rounding (below the
// smallest normal float) and not exactly representable.
SpiNumber ReadSpiNumber(std::string_view word, float& value);

}  // namespace kv
