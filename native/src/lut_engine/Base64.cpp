#include "lut_engine/Base64.h"

namespace kv {

void AppendBase64(const std::vector<unsigned char>& bytes, std::string& out) {
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        out.push_back(alphabet[(group >> 18) & 63]);
        out.push_back(alphabet[(group >> 12) & 63]);
        out.push_back(alphabet[(group >> 6) & 63]);
        out.push_back(alphabet[group & 63]);
    }
    const size_t rest = bytes.size() - i;
    if (rest == 0) return;
    uint32_t group = uint32_t{bytes[i]} << 16;
    if (rest == 2) group |= uint32_t{bytes[i + 1]} << 8;
    out.push_back(alphabet[(group >> 18) & 63]);
    out.push_back(alphabet[(group >> 12) & 63]);
    out.push_back(rest == 2 ? alphabet[(group >> 6) & 63] : '=');
    out.push_back('=');
}

}  // namespace kv
