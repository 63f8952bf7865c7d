// The version resource of Kromvale.aex, read back the way Explorer and
// installers read it: through the system's version API on the module file.
// Every value must come from the effect's identity header.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "effect/EffectIdentity.h"

namespace {

#define KV_TEST_TEXT2(x) #x
#define KV_TEST_TEXT(x) KV_TEST_TEXT2(x)
constexpr char kVersionText[] = KV_TEST_TEXT(KV_VERSION_MAJOR) "." KV_TEST_TEXT(KV_VERSION_MINOR) "." KV_TEST_TEXT(
    KV_VERSION_BUGFIX) "." KV_TEST_TEXT(KV_VERSION_BUILD);

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class VersionResource : public testing::Test {
protected:
    void SetUp() override {
        const std::wstring path = Wide(KV_MODULE_PATH);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version resource, error " << GetLastError();
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block_.data()));
    }

    // A string of the U.S. English, Unicode table; empty when missing.
    std::wstring Text(const wchar_t* name) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block_.data(), query.c_str(), &value, &length) || value == nullptr) return {};
        return static_cast<const wchar_t*>(value);
    }

    std::vector<unsigned char> block_;
};

TEST_F(VersionResource, FixedPartCarriesTheVersionAsADll) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
    const DWORD ms = MAKELONG(KV_VERSION_MINOR, KV_VERSION_MAJOR);
    const DWORD ls = MAKELONG(KV_VERSION_BUILD, KV_VERSION_BUGFIX);
    EXPECT_EQ(info->dwFileVersionMS, ms);
    EXPECT_EQ(info->dwFileVersionLS, ls);
    EXPECT_EQ(info->dwProductVersionMS, ms);
    EXPECT_EQ(info->dwProductVersionLS, ls);
    EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(info->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(info->dwFileFlags & info->dwFileFlagsMask, 0u) << "a release carries no debug or pre-release flag";
}

TEST_F(VersionResource, StringsNameTheProductAndItsVersion) {
    EXPECT_EQ(Text(L"ProductName"), Wide(KV_EFFECT_NAME));
    EXPECT_EQ(Text(L"FileDescription"), Wide(KV_EFFECT_NAME " colour-match video effect"));
    EXPECT_EQ(Text(L"FileVersion"), Wide(kVersionText));
    EXPECT_EQ(Text(L"ProductVersion"), Wide(kVersionText));
    EXPECT_EQ(Text(L"InternalName"), Wide(KV_EFFECT_NAME));
    EXPECT_EQ(Text(L"OriginalFilename"), Wide(KV_EFFECT_NAME ".aex"));
}

TEST_F(VersionResource, TranslationPointsAtTheEnglishUnicodeTable) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* pair = static_cast<const WORD*>(value);
    EXPECT_EQ(pair[0], 0x0409);  // U.S. English
    EXPECT_EQ(pair[1], 1200);    // Unicode
}

}  // namespace
