#include "platform/TextConversion.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kv::platform::Utf8FromWide;
using kv::platform::WideFromUtf8;

TEST(TextConversion, RoundTripsAccentedAndAstralText) {
    // "Crème brûlée / 日本 / 🎬": two-, three- and four-byte sequences.
    const std::string utf8 = "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9" "e / \xE6\x97\xA5\xE6\x9C\xAC / \xF0\x9F\x8E\xAC";
    const std::wstring wide = WideFromUtf8(utf8);
    EXPECT_EQ(wide.substr(0, 4), L"Cr\u00E8m");
    EXPECT_NE(wide.find(L"\u65E5\u672C"), std::wstring::npos);
#ifdef _WIN32
    EXPECT_EQ(wide.substr(wide.size() - 2), std::wstring({wchar_t(0xD83C), wchar_t(0xDFAC)}));
#else
    EXPECT_EQ(wide.back(), wchar_t(0x1F3AC));
#endif
    EXPECT_EQ(Utf8FromWide(wide), utf8);
    EXPECT_EQ(WideFromUtf8(""), L"");
    EXPECT_EQ(Utf8FromWide(L""), "");
}

TEST(TextConversion, InvalidUtf8BecomesReplacementCharacters) {
    // A stray continuation byte, then a three-byte sequence cut off by 'A'.
    EXPECT_EQ(WideFromUtf8("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(WideFromUtf8("\xE6\x97" "A"), L"\uFFFDA");
    // Overlong "/" and an encoded surrogate are refused, not decoded.
    EXPECT_EQ(WideFromUtf8("\xC0\xAF").find(L'/'), std::wstring::npos);
    EXPECT_EQ(WideFromUtf8("\xED\xA0\x80").find(wchar_t(0xD800)), std::wstring::npos);
    // A truncated sequence at the very end.
    const std::wstring cut = WideFromUtf8("ok\xF0\x9F");
    ASSERT_GE(cut.size(), 3u);
    EXPECT_EQ(cut.substr(0, 2), L"ok");
    EXPECT_EQ(cut[2], L'\uFFFD');
}

TEST(TextConversion, LoneSurrogateBecomesReplacementCharacter) {
    const std::wstring lone = {L'x', wchar_t(0xD800), L'y'};
    EXPECT_EQ(Utf8FromWide(lone), "x\xEF\xBF\xBDy");
}

}  // namespace
