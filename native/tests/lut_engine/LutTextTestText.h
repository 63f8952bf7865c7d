#pragma once
// Builders of LUT text for the reader and writer tests, written independently
// of the writer so that each can check the other.

#include <bit>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kvtest {

// RFC 4648 base64 with "=" padding.
inline std::string base64(const std::vector<uint8_t>& bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        uint32_t group = uint32_t{bytes[i]} << 16;
        if (left > 1) group |= uint32_t{bytes[i + 1]} << 8;
        if (left > 2) group |= bytes[i + 2];
        out += alphabet[group >> 18];
        out += alphabet[(group >> 12) & 63];
        out += left > 1 ? alphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? alphabet[group & 63] : '=';
    }
    return out;
}

// Base64 of 16-bit codes, low byte first.
inline std::string codesBase64(const std::vector<uint16_t>& codes) {
    std::vector<uint8_t> bytes;
    for (const uint16_t q : codes) {
        bytes.push_back(static_cast<uint8_t>(q & 0xFF));
        bytes.push_back(static_cast<uint8_t>(q >> 8));
    }
    return base64(bytes);
}

// The value the reader must produce for code q.
inline float decodedValue(uint16_t q, float lo, float hi) {
    const float k = std::bit_cast<float>(uint32_t{0x37800080});
    const float step = (hi - lo) * k;
    const float scaled = static_cast<float>(q) * step;  // two roundings, no fused multiply-add
    return scaled + lo;
}

// codes 0, 1000, 2000, ... for a cube of edge n
inline std::vector<uint16_t> rampCodes(int n) {
    std::vector<uint16_t> codes(static_cast<size_t>(n) * n * n * 3);
    for (size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<uint16_t>((i * 1000) % 65536);
    return codes;
}

inline std::string readDataFile(const std::string& relative) {
    std::ifstream in(std::string(KV_TEST_DATA_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace kvtest
