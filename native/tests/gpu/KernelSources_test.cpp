// The kernel texts as the drivers receive them: CR LF line ends, one
// self-contained OpenCL source, a PTX module with the one expected entry.
#include "gpu/KernelSources.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void ExpectCrLfOnly(const std::string& text) {
    ASSERT_FALSE(text.empty());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at byte " << i;
        } else if (text[i] == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(KernelSources, OpenClTextIsSelfContainedAndOpensByNamingItsTwins) {
    const std::string text = kKromvaleLutOpenCl;
    ExpectCrLfOnly(text);
    EXPECT_EQ(text.rfind("/* KromvaleLut", 0), 0u);
    const std::string opening = text.substr(0, text.find("*/"));
    EXPECT_NE(opening.find("kv::sampleTetra"), std::string::npos);
    EXPECT_NE(opening.find("native/src/lut_engine"), std::string::npos);
    EXPECT_NE(opening.find("CUDA source KromvaleLut"), std::string::npos);
    EXPECT_EQ(text.find("#include"), std::string::npos);
    EXPECT_EQ(text.find("#pragma once"), std::string::npos);
    EXPECT_NE(text.find("float kvUnit(float v, float lo, float hi)"), std::string::npos);
    EXPECT_NE(text.find("__kernel void KromvaleLut("), std::string::npos);
    for (const char c : text) {
        ASSERT_TRUE(c == '\r' || c == '\n' || c == '\t' || (c >= ' ' && c <= '~')) << int(c);
    }
}

TEST(KernelSources, PtxDeclaresTargetAndOneEntryWithParametersInOrder) {
    const std::string text = kKromvaleLutPtx;
    ExpectCrLfOnly(text);
    EXPECT_NE(text.find("\r\n.version 9.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n.target sm_75\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n.address_size 64\r\n"), std::string::npos);

    // One entry, and it is the visible KromvaleLut.
    size_t entries = 0;
    for (size_t at = text.find(".entry"); at != std::string::npos; at = text.find(".entry", at + 1)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    EXPECT_NE(text.find("\r\n.visible .entry KromvaleLut(\r\n"), std::string::npos);

    // Parameter lines read "\t.param .<type> KromvaleLut_param_<i>[,]".
    std::string types;
    int expectedIndex = 0;
    const std::string marker = " KromvaleLut_param_";
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
        const size_t typeStart = text.rfind(".param .", at) + 8;
        types += text.substr(typeStart, at - typeStart) + " ";
        const size_t digits = at + marker.size();
        const size_t digitsEnd = text.find_first_not_of("0123456789", digits);
        EXPECT_EQ(text.substr(digits, digitsEnd - digits), std::to_string(expectedIndex++));
    }
    EXPECT_EQ(types,
              "u64 u32 u64 u32 u32 u32 u32 u64 u32 f32 f32 f32 f32 f32 f32 f32 "
              "u32 u32 u32 u32 u32 u32 u32 ");
}

}  // namespace
