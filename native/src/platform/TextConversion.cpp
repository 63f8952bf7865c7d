#include "platform/TextConversion.h"

#ifdef _WIN32
#include <windows.h>

#include <climits>
#endif

namespace kv::platform {

#ifdef _WIN32

std::wstring WideFromUtf8(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
    const int inLength = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), length);
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return std::string();
    const int inLength = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

#else

namespace {
constexpr char32_t kReplacement = 0xFFFD;

bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }
}  // namespace

// Each maximal prefix of a valid sequence that breaks off becomes one U+FFFD,
// and decoding resumes at the byte that broke it.
std::wstring WideFromUtf8(std::string_view utf8) {
    std::wstring wide;
    wide.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i++]);
        if (lead < 0x80) {
            wide.push_back(static_cast<wchar_t>(lead));
            continue;
        }
        int needed;
        char32_t code;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            code = lead & 0x0Fu;
            if (lead == 0xE0) low = 0xA0;  // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            code = lead & 0x07u;
            if (lead == 0xF0) low = 0x90;  // overlong
            if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
        } else {
            wide.push_back(static_cast<wchar_t>(kReplacement));
            continue;
        }
        bool complete = true;
        for (int k = 0; k < needed; ++k) {
            const unsigned char next = i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0;
            if (i >= utf8.size() || next < low || next > high) {
                complete = false;
                break;
            }
            code = (code << 6) | (next & 0x3Fu);
            ++i;
            low = 0x80;
            high = 0xBF;
        }
        wide.push_back(static_cast<wchar_t>(complete ? code : kReplacement));
    }
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    std::string utf8;
    utf8.reserve(wide.size());
    for (const wchar_t unit : wide) {
        char32_t c = static_cast<char32_t>(unit);
        if (!IsScalarValue(c)) c = kReplacement;
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | (c >> 18)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return utf8;
}

#endif

}  // namespace kv::platform
