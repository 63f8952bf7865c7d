// The kernel texts as the drivers receive them: CR LF line ends, one
// self-contained OpenCL source, a PTX module with the one expected entry.
#include "gpu/KernelSources.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

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

    const std::regex entry(R"(\.entry\s+(\w+)\()");
    std::vector<std::string> entries;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it) {
        entries.push_back((*it)[1]);
    }
    ASSERT_EQ(entries, std::vector<std::string>{"KromvaleLut"});
    EXPECT_NE(text.find(".visible .entry KromvaleLut("), std::string::npos);

    const std::regex param(R"(\.param \.(\w+) KromvaleLut_param_(\d+))");
    std::string types;
    int expectedIndex = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), param); it != std::sregex_iterator(); ++it) {
        EXPECT_EQ(std::stoi((*it)[2]), expectedIndex++);
        types += (*it)[1].str() + " ";
    }
    EXPECT_EQ(types,
              "u64 u32 u64 u32 u32 u32 u32 u64 u32 f32 f32 f32 f32 f32 f32 f32 "
              "u32 u32 u32 u32 u32 u32 u32 ");
}

}  // namespace
