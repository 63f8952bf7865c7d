#pragma once
// Base64 as LUT text carries its tables: written with "=" padding, read with
// every byte outside the alphabet skipped and "=" ending the data.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

inline constexpr std::array<int8_t, 256> kBase64Values = [] {
    std::array<int8_t, 256> table{};
    table.fill(-1);
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < alphabet.size(); ++i) table[static_cast<unsigned char>(alphabet[i])] = static_cast<int8_t>(i);
    return table;
}();

// The 6-bit value of a base64 character, or -1 for any other byte.
inline int Base64Value(char c) { return kBase64Values[static_cast<unsigned char>(c)]; }

// Appends the base64 of `bytes` (RFC 4648 alphabet, "=" padding) to `out`.
void AppendBase64(const std::vector<unsigned char>& bytes, std::string& out);

// The stream of bytes that base64 text stands for: bytes outside the
// alphabet are skipped and "=" ends it, as every stored form reads it.
class Base64Bytes {
public:
    explicit Base64Bytes(std::string_view text) : text_(text) {}

    bool Next(uint8_t& byte) {
        while (bitCount_ < 8) {
            if (pos_ >= text_.size() || text_[pos_] == '=') return false;
            const int v = Base64Value(text_[pos_++]);
            if (v < 0) continue;
            bits_ = (bits_ << 6) | static_cast<uint32_t>(v);
            bitCount_ += 6;
        }
        bitCount_ -= 8;
        byte = static_cast<uint8_t>((bits_ >> bitCount_) & 0xFFu);
        bits_ &= (1u << bitCount_) - 1u;
        return true;
    }

    // Fills out[0, count), false where the text ends first. Stored tables
    // are one unbroken run of the alphabet, so whole groups of four
    // characters are decoded at once; anything else (a line break, "=", a
    // group split by an earlier Next) goes one byte at a time.
    bool Read(uint8_t* out, size_t count) {
        size_t i = 0;
        while (i < count) {
            if (bitCount_ == 0 && count - i >= 3 && text_.size() - pos_ >= 4) {
                const int a = Base64Value(text_[pos_]), b = Base64Value(text_[pos_ + 1]);
                const int c = Base64Value(text_[pos_ + 2]), d = Base64Value(text_[pos_ + 3]);
                if ((a | b | c | d) >= 0) {
                    const uint32_t group = (static_cast<uint32_t>(a) << 18) | (static_cast<uint32_t>(b) << 12) |
                                           (static_cast<uint32_t>(c) << 6) | static_cast<uint32_t>(d);
                    out[i] = static_cast<uint8_t>(group >> 16);
                    out[i + 1] = static_cast<uint8_t>(group >> 8);
                    out[i + 2] = static_cast<uint8_t>(group);
                    i += 3;
                    pos_ += 4;
                    continue;
                }
            }
            if (!Next(out[i])) return false;
            ++i;
        }
        return true;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
};

}  // namespace kv
