#include "host_link/LutCache.h"
#include "host_link/LutParamBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
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

// A 64-bit word hash of the kind a cache might key on: a multiply-xorshift
// step per little-endian 8-byte word, FNV-style steps for the tail bytes.
// Its state can be steered back, so bytes that collide on it can be made.
uint64_t WordStep(uint64_t h, const std::string& bytes, size_t word) {
    static_assert(std::endian::native == std::endian::little);
    uint64_t w = 0;
    std::memcpy(&w, bytes.data() + word * 8, 8);
    h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 32);
}

uint64_t WordHash(const std::string& bytes) {
    uint64_t h = static_cast<uint64_t>(bytes.size()) ^ 0x9E3779B97F4A7C15ull;
    const size_t words = bytes.size() / 8;
    for (size_t i = 0; i < words; ++i) h = WordStep(h, bytes, i);
    for (size_t i = words * 8; i < bytes.size(); ++i) h = (h ^ static_cast<unsigned char>(bytes[i])) * 0x100000001B3ull;
    return h;
}

// Other bytes of the same length and WordHash: words `word` and `word + 1`
// replaced, the first by letters, the second by the value that brings the
// hash's state back to where the original pair left it. Tries letters until
// every new byte passes `keep`.
std::string HashTwin(const std::string& text, size_t word, bool (*keep)(unsigned char)) {
    uint64_t before = static_cast<uint64_t>(text.size()) ^ 0x9E3779B97F4A7C15ull;
    for (size_t i = 0; i < word; ++i) {
        before = WordStep(before, text, i);
    }
    for (uint64_t trial = 0;; ++trial) {
        std::string twin = text;
        for (size_t i = 0; i < 8; ++i) {
            twin[word * 8 + i] = static_cast<char>('A' + (trial >> (3 * i)) % 8);
        }
        uint64_t next = 0;
        std::memcpy(&next, text.data() + word * 8 + 8, 8);
        next ^= WordStep(before, text, word) ^ WordStep(before, twin, word);
        std::memcpy(twin.data() + word * 8 + 8, &next, 8);
        if (twin != text && std::all_of(twin.begin() + static_cast<std::ptrdiff_t>(word * 8),
                                        twin.begin() + static_cast<std::ptrdiff_t>(word * 8 + 16),
                                        [&](char c) { return keep(static_cast<unsigned char>(c)); })) {
            return twin;
        }
    }
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

TEST(LutCacheLookup, BytesOfTheSameLengthAndHashGetTheirOwnOutcome) {
    // LUT text whose name holds two whole words, the words where a twin
    // differs.
    struct Named {
        std::string text;
        std::string name;
        size_t word;
    };
    const auto named = [](int id) {
        const std::string name(40, 'n');
        const std::string text = kvtest::InvertRedText(id, name);
        return Named{text, name, (text.find(name) + 7) / 8};
    };
    const auto nameByte = +[](unsigned char c) { return c > ' ' && c < 0x7F && c != '%'; };
    const auto anyByte = +[](unsigned char) { return true; };
    const Named a = named(6101);
    const Named b = named(6102);
    const Named c = named(6103);
    const std::string aTwin = HashTwin(a.text, a.word, nameByte);
    struct Case {
        const char* name;
        std::string first;
        std::string second;
        std::string firstLut;  // the LUT's name; "" for no LUT
        std::string secondLut;
    };
    const Case cases[] = {
        {"a LUT, then one with another name", a.text, aTwin, a.name, aTwin.substr(a.text.find(a.name), 40)},
        {"a LUT, then bytes that are no LUT text", b.text, HashTwin(b.text, 0, anyByte), b.name, ""},
        {"bytes that are no LUT text, then a LUT", HashTwin(c.text, 0, anyByte), c.text, "", c.name},
    };
    const auto nameOf = [](const std::shared_ptr<const kv::Lut3D>& lut) {
        return lut != nullptr ? lut->name : std::string();
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.name);
        ASSERT_NE(t.first, t.second);
        ASSERT_EQ(t.first.size(), t.second.size());
        ASSERT_EQ(WordHash(t.first), WordHash(t.second));
        ASSERT_NE(t.firstLut, t.secondLut);
        std::string error;
        EXPECT_EQ(nameOf(Lookup(t.first)), t.firstLut);
        EXPECT_EQ(nameOf(Lookup(t.second, &error)), t.secondLut);
        EXPECT_EQ(error, t.secondLut.empty() ? "parameter does not hold KVLUT text" : "");
        // Both stay cached side by side.
        EXPECT_EQ(nameOf(Lookup(t.first)), t.firstLut);
        EXPECT_EQ(nameOf(Lookup(t.second)), t.secondLut);
    }
}

TEST(LutCacheLookup, PatternRequestsAreLuts) {
    const auto pattern = Lookup(kvtest::PatternText(5));
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->probe, 5);
}

}  // namespace
