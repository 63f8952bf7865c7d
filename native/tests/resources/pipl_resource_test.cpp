// The property list that hosts read before they load the module. On Linux the
// generated file is checked; on Windows the resource compiled into
// Kromvale.aex, together with the exports a host looks up by name.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ExpectedPipl.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::vector<std::uint8_t> Expected() {
    return {std::begin(kvtest::kExpectedPipl), std::end(kvtest::kExpectedPipl)};
}

// Walks the list the way a host does: each property advances by its length
// rounded up to 4. Returns the keys, or an empty list if the walk overruns.
std::vector<std::string> WalkKeys(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> keys;
    if (bytes.size() < 10) return {};
    std::uint32_t count = 0;
    std::memcpy(&count, bytes.data() + 6, 4);
    std::size_t at = 10;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + 16 > bytes.size()) return {};
        std::uint32_t length = 0;
        std::memcpy(&length, bytes.data() + at + 12, 4);
        // The key is stored as the little-endian image of a four-character code.
        keys.push_back({static_cast<char>(bytes[at + 7]), static_cast<char>(bytes[at + 6]),
                        static_cast<char>(bytes[at + 5]), static_cast<char>(bytes[at + 4])});
        at += 16 + ((length + 3u) & ~3u);
        if (at > bytes.size()) return {};
    }
    if (at != bytes.size()) return {};
    return keys;
}

void ExpectSameBytes(const std::vector<std::uint8_t>& actual) {
    const std::vector<std::uint8_t> expected = Expected();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "byte " << i;
    }
}

TEST(PiplExpectation, HostWalkVisitsThirteenPropertiesInOrderAndEndsExactly) {
    const std::vector<std::string> want = {"kind", "name", "catg", "8664", "ePVR", "eSVR", "eVER",
                                           "eINF", "eGLO", "eGL2", "eMNA", "aeFL", "eURL"};
    EXPECT_EQ(WalkKeys(Expected()), want);
}

#ifndef _WIN32

TEST(PiplResource, GeneratedFileMatchesEveryByte) {
    std::ifstream in(KV_PIPL_PATH, std::ios::binary);
    ASSERT_TRUE(in) << KV_PIPL_PATH;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ExpectSameBytes(bytes);
}

#else

#define KV_WIDEN2(x) L##x
#define KV_WIDEN(x) KV_WIDEN2(x)

class ModuleResources : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(KV_WIDEN(KV_MODULE_PATH));
        ASSERT_NE(module_, nullptr) << "LoadLibraryW " << KV_MODULE_PATH << " error " << GetLastError();
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    std::vector<std::uint8_t> Resource(HRSRC found) const {
        const DWORD size = SizeofResource(module_, found);
        HGLOBAL loaded = LoadResource(module_, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) return {};
        const auto* p = static_cast<const std::uint8_t*>(data);
        return {p, p + size};
    }
    HMODULE module_ = nullptr;
};

TEST_F(ModuleResources, ExportsUndecoratedEntryPoints) {
    EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(module_, "EffectMain")), nullptr);
    EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(module_, "PluginDataEntryFunction2")), nullptr);
    // Decorated spellings must not be the only way in: a host asks for the plain names.
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module_, "_EffectMain")), nullptr);
}

TEST_F(ModuleResources, PiplIsFoundUnderLanguage1033AndMatchesEveryByte) {
    HRSRC found = FindResourceExW(module_, L"PiPL", MAKEINTRESOURCEW(16000),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(found, nullptr) << "error " << GetLastError();
    ExpectSameBytes(Resource(found));
    // The lookup a host makes without naming a language finds the same bytes.
    HRSRC plain = FindResourceW(module_, MAKEINTRESOURCEW(16000), L"PiPL");
    ASSERT_NE(plain, nullptr);
    ExpectSameBytes(Resource(plain));
}

TEST_F(ModuleResources, CarriesItsManifestAsResource2) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::vector<std::uint8_t> bytes = Resource(found);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

#endif

}  // namespace
