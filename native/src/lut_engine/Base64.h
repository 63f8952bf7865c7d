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

private:
    std::string_view text_;
    size_t pos_ = 0;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
};

}  // namespace kv
