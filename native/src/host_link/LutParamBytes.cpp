#include "host_link/LutParamBytes.h"

#include <cstring>

namespace kv {

namespace {

constexpr unsigned char kMagic8[5] = {'K', 'V', 'L', 'U', 'T'};
constexpr unsigned char kMagic16[10] = {'K', 0, 'V', 0, 'L', 0, 'U', 0, 'T', 0};

}  // namespace

bool StartsWithLutMagic8(const void* bytes, size_t length) {
    return bytes != nullptr && length >= sizeof kMagic8 && std::memcmp(bytes, kMagic8, sizeof kMagic8) == 0;
}

bool StartsWithLutMagic16(const void* bytes, size_t length) {
    return bytes != nullptr && length >= sizeof kMagic16 && std::memcmp(bytes, kMagic16, sizeof kMagic16) == 0;
}

// UTF-16 values need the 10-byte magic; 8-bit ones need only its 5 bytes and
// a sixth (the shortest LUT text, "KVLUT0"). Asking 10 bytes of both forms
// would turn a short 8-bit pattern request such as "KVLUTP 17" into no LUT
// whenever the project is saved, copied or reopened.
bool LooksLikeLutValue(const void* bytes, size_t length) {
    if (length < kMinLutTextBytes) {
        return false;
    }
    return StartsWithLutMagic16(bytes, length) || StartsWithLutMagic8(bytes, length);
}

std::string ExtractLutText(const void* bytes, size_t length) {
    if (bytes == nullptr || length < kMinLutTextBytes) {
        return {};
    }
    const auto* p = static_cast<const unsigned char*>(bytes);
    if (StartsWithLutMagic8(p, length)) {
        return std::string(reinterpret_cast<const char*>(p), length);
    }
    if (!StartsWithLutMagic16(p, length)) {
        return {};
    }
    const size_t units = length / 2;  // an odd last byte is not part of any unit
    std::string text(units, '\0');
    for (size_t i = 0; i < units; ++i) {
        if (p[2 * i + 1] != 0) {
            return {};
        }
        text[i] = static_cast<char>(p[2 * i]);
    }
    return text;
}

std::string WidenLutText(std::string_view text) {
    std::string stored(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        stored[2 * i] = text[i];
    }
    return stored;
}

std::span<const unsigned char> NoLutValue() {
    static constexpr unsigned char kNoLut16[12] = {'K', 0, 'V', 0, 'L', 0, 'U', 0, 'T', 0, '0', 0};
    return kNoLut16;
}

}  // namespace kv
