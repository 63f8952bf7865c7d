#include "lut_engine/XmlCharacters.h"

#include "lut_engine/ProcessListMessages.h"

namespace kv {

namespace msg = messages;

bool IsXmlChar(uint32_t c) {
    if (c < 0x20) return c == 0x9 || c == 0xA || c == 0xD;
    if (c < 0xD800) return true;
    if (c < 0xE000) return false;
    if (c < 0xFFFE) return true;
    return c >= 0x10000 && c <= 0x10FFFF;
}

std::string_view CheckXmlCharacters(std::string_view text, XmlEncoding encoding) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (!IsXmlChar(b)) return msg::kXmlBadCharacter;
            ++i;
            continue;
        }
        if (encoding == XmlEncoding::kUsAscii) return msg::kXmlBadCharacter;
        if (encoding == XmlEncoding::kLatin1) {
            ++i;
            continue;
        }
        // UTF-8: the shortest form only, no surrogates, nothing past U+10FFFF.
        size_t length = 0;
        uint32_t c = 0;
        uint32_t least = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, c = b & 0x1F, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, c = b & 0x0F, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, c = b & 0x07, least = 0x10000;
        } else {
            return msg::kXmlNotUtf8;
        }
        if (n - i < length) return msg::kXmlNotUtf8;
        for (size_t k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return msg::kXmlNotUtf8;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return msg::kXmlNotUtf8;
        if (!IsXmlChar(c)) return msg::kXmlBadCharacter;
        i += length;
    }
    return {};
}

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace kv
