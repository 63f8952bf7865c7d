#include "host_link/LutCache.h"
#include "host_link/LutParamBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EffectTestLuts.h"

namespace {

std::vector<unsigned char> Utf16(std::string_view text) {
    std::vector<unsigned char> wide(text.size() * 2, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        wide[2 * i] = static_cast<unsigned char>(text[i]);
    }
    return wide;
}

std::shared_ptr<const kv::Lut3D> Lookup(std::string_view text, std::string* error = nullptr) {
    return kv::GetLutForParam(text.data(), text.size(), error);
}

TEST(LutCacheHash, KnownVectors) {
    EXPECT_EQ(kv::HashLutParamBytes("abcdefghij", 10), 0x9B806F8C98399DE5ull);  // one word, two tail bytes
    EXPECT_EQ(kv::HashLutParamBytes("abcdef", 6), 0x461ADF7632DC2424ull);      // tail bytes only
    EXPECT_NE(kv::HashLutParamBytes("abcdefgh", 8), kv::HashLutParamBytes("abcdefgh\0", 9));
}

TEST(LutCacheExtract, ReadsBothStorageForms) {
    const std::string text = "KVLUT0 x";
    EXPECT_EQ(kv::ExtractLutText(text.data(), text.size()), text);
    const std::vector<unsigned char> wide = Utf16(text);
    EXPECT_EQ(kv::ExtractLutText(wide.data(), wide.size()), text);

    // An odd last byte is no unit; a unit above 255 is not LUT text.
    std::vector<unsigned char> odd = wide;
    odd.push_back('Z');
    EXPECT_EQ(kv::ExtractLutText(odd.data(), odd.size()), text);
    std::vector<unsigned char> high = wide;
    high[13] = 0x01;
    EXPECT_EQ(kv::ExtractLutText(high.data(), high.size()), "");

    EXPECT_EQ(kv::ExtractLutText("KVLUT", 5), "");
    EXPECT_EQ(kv::ExtractLutText(nullptr, 12), "");
    EXPECT_EQ(kv::ExtractLutText("XVLUT0", 6), "");
    EXPECT_EQ(kv::ExtractLutText(wide.data(), 8), "");  // UTF-16 needs all five magic units
}

TEST(LutCacheLookup, ShortOrNullBytesAreNotCached) {
    const size_t before = kv::LutCacheEntryCount();
    std::string error = "unchanged";
    EXPECT_EQ(kv::GetLutForParam("KVLUT", 5, &error), nullptr);
    EXPECT_EQ(kv::GetLutForParam(nullptr, 100, &error), nullptr);
    EXPECT_EQ(error, "unchanged");
    EXPECT_EQ(kv::LutCacheEntryCount(), before);
}

TEST(LutCacheLookup, NoLutTextGivesNothingWithoutMessage) {
    std::string error;
    EXPECT_EQ(Lookup("KVLUT0", &error), nullptr);
    EXPECT_EQ(error, "");
    const std::vector<unsigned char> wide = Utf16("KVLUT0");
    EXPECT_EQ(kv::GetLutForParam(wide.data(), wide.size(), &error), nullptr);
    EXPECT_EQ(error, "");
}

TEST(LutCacheLookup, FailuresReportOnceThenComeFromTheCache) {
    std::string error;
    const std::vector<unsigned char> wide = [] {
        std::vector<unsigned char> w = Utf16("KVLUT1 unique-wide-text");
        w[15] = 0x01;  // a character above 255
        return w;
    }();
    EXPECT_EQ(kv::GetLutForParam(wide.data(), wide.size(), &error), nullptr);
    EXPECT_EQ(error, "parameter does not hold KVLUT text");
    error.clear();
    EXPECT_EQ(kv::GetLutForParam(wide.data(), wide.size(), &error), nullptr);
    EXPECT_EQ(error, "");

    const std::string broken = "KVLUT3 77 broken-cache-test 2 0 1 !!!";
    EXPECT_EQ(Lookup(broken, &error), nullptr);
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_EQ(Lookup(broken, &error), nullptr);
    EXPECT_EQ(error, "");
}

TEST(LutCacheLookup, SharesOneParsedLutPerText) {
    const std::string text = kvtest::InvertRedText(4101);
    const auto first = Lookup(text);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->id, 4101);
    EXPECT_EQ(first->size, 2);
    EXPECT_EQ(Lookup(text).get(), first.get());

    // The same text stored as UTF-16 is other bytes: its own entry, an equal LUT.
    const std::vector<unsigned char> wide = Utf16(text);
    const auto second = kv::GetLutForParam(wide.data(), wide.size());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second.get(), first.get());
    EXPECT_EQ(second->data, first->data);
    EXPECT_EQ(second->id, first->id);
}

TEST(LutCacheLookup, KeepsTheNewestEightInsertions) {
    std::vector<std::string> texts;
    for (int i = 0; i < 9; ++i) {
        texts.push_back(kvtest::InvertRedText(5000 + i));
    }
    std::vector<std::shared_ptr<const kv::Lut3D>> luts;
    for (const std::string& text : texts) {
        luts.push_back(Lookup(text));
        ASSERT_NE(luts.back(), nullptr);
    }
    EXPECT_EQ(kv::LutCacheEntryCount(), 8u);
    // The first was evicted by the ninth: parsed again, a new object, and the
    // render that still holds the old one keeps a valid LUT.
    const auto again = Lookup(texts[0]);
    EXPECT_NE(again.get(), luts[0].get());
    EXPECT_EQ(luts[0]->id, 5000);
    // Hits do not reorder: the second was evicted by that re-insertion.
    EXPECT_NE(Lookup(texts[1]).get(), luts[1].get());
    EXPECT_EQ(Lookup(texts[8]).get(), luts[8].get());
    EXPECT_EQ(kv::LutCacheEntryCount(), 8u);
}

TEST(LutCacheLookup, PatternRequestsAreLuts) {
    const auto pattern = Lookup(kvtest::PatternText(5));
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->probe, 5);
}

}  // namespace
