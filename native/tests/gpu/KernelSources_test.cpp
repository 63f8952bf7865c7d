// The kernel texts as the drivers receive them: CR LF line ends, one
// self-contained OpenCL source, a PTX module with the three expected entries;
// and each entry's signature in the PTX, the OpenCL text and the CUDA source
// against the argument list the launches are built from.
#include "gpu/KernelSources.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gpu/KernelArgs.h"

namespace {

struct ListedArg {
    std::string kind;
    std::string name;
};

#define KV_LISTED_ARG(kind, name, initial) {#kind, #name},
const std::vector<ListedArg> kPlainArgs = {KV_KERNEL_ARGS(KV_LISTED_ARG)};
const std::vector<ListedArg> kShapedArgs = {KV_KERNEL_SHAPED_ARGS(KV_LISTED_ARG)};
const std::vector<ListedArg> kStepsArgs = {KV_KERNEL_STEPS_ARGS(KV_LISTED_ARG)};
#undef KV_LISTED_ARG

// Each entry point and the argument list its launches are built from.
struct Entry {
    const char* name;
    const std::vector<ListedArg>& args;
    int count;
};
const Entry kEntries[] = {
    {kv::gpu::kKromvaleLutEntry, kPlainArgs, kv::gpu::kKernelArgCount},
    {kv::gpu::kKromvaleLutShapedEntry, kShapedArgs, kv::gpu::kShapedKernelArgCount},
    {kv::gpu::kKromvaleLutStepsEntry, kStepsArgs, kv::gpu::kStepsKernelArgCount},
};

struct Parameter {
    std::string type;  // blanks collapsed to one
    std::string name;
};

// The parameters of the function whose declaration starts with `opening`
// ("... KromvaleLut("), as written in C-like `source`.
std::vector<Parameter> SignatureOf(const std::string& source, const std::string& opening) {
    std::vector<Parameter> parameters;
    const size_t start = source.find(opening);
    EXPECT_NE(start, std::string::npos) << opening;
    if (start == std::string::npos) {
        return parameters;
    }
    const size_t begin = start + opening.size();
    std::stringstream list(source.substr(begin, source.find(')', begin) - begin));
    for (std::string item; std::getline(list, item, ',');) {
        std::vector<std::string> words;
        std::string word;
        for (const char c : item + " ") {
            if (std::isspace(static_cast<unsigned char>(c)) || c == '*') {
                if (!word.empty()) {
                    words.push_back(word);
                    word.clear();
                }
                if (c == '*') {
                    words.emplace_back("*");
                }
            } else {
                word += c;
            }
        }
        Parameter p;
        if (!words.empty()) {
            p.name = words.back();
            words.pop_back();
        }
        for (const std::string& w : words) {
            p.type += (p.type.empty() ? "" : " ") + w;
        }
        parameters.push_back(p);
    }
    return parameters;
}

// Names in the list's order, and each type as the list's kind requires: a
// pointer for a buffer (in the __global space for OpenCL), int or float for
// the rest.
// The source with the shared parameter list written out where each entry
// names it, so that every signature reads as the compiler sees it.
std::string WithEntryParamsExpanded(std::string source) {
    const std::string name = "KV_CUBE_ENTRY_PARAMS";
    const size_t define = source.find("#define " + name);
    EXPECT_NE(define, std::string::npos);
    if (define == std::string::npos) {
        return source;
    }
    std::string body;
    for (size_t at = define + 8 + name.size();;) {
        const size_t eol = source.find('\n', at);
        std::string line = source.substr(at, eol - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool continued = !line.empty() && line.back() == '\\';
        if (continued) line.pop_back();
        body += line + " ";
        if (!continued || eol == std::string::npos) break;
        at = eol + 1;
    }
    const std::string use = "(" + name;
    for (size_t at = source.find(use); at != std::string::npos; at = source.find(use, at + 1)) {
        source.replace(at + 1, name.size(), body);
    }
    return source;
}

void ExpectSignatureFollowsList(const std::vector<Parameter>& parameters, const std::vector<ListedArg>& listed,
                                bool openCl) {
    ASSERT_EQ(parameters.size(), listed.size());
    for (size_t i = 0; i < parameters.size(); ++i) {
        const ListedArg& arg = listed[i];
        const Parameter& p = parameters[i];
        SCOPED_TRACE("parameter " + std::to_string(i) + ": " + p.type + " " + p.name);
        EXPECT_EQ(p.name, arg.name);
        if (arg.kind == "Buffer") {
            EXPECT_NE(p.type.find('*'), std::string::npos);
            if (openCl) {
                EXPECT_EQ(p.type.rfind("__global ", 0), 0u);
            }
        } else {
            EXPECT_EQ(p.type, arg.kind == "Float" ? "float" : "int");
        }
    }
}

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
    const std::string text = kv::gpu::kKromvaleLutOpenCl;
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

TEST(KernelSources, PtxDeclaresTargetAndEveryEntryWithParametersInOrder) {
    const std::string text = kv::gpu::kKromvaleLutPtx;
    ExpectCrLfOnly(text);
    EXPECT_NE(text.find("\r\n.version 9.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n.target sm_75\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n.address_size 64\r\n"), std::string::npos);

    size_t entries = 0;
    for (size_t at = text.find(".entry"); at != std::string::npos; at = text.find(".entry", at + 1)) {
        ++entries;
    }
    EXPECT_EQ(entries, std::size(kEntries));

    for (const Entry& entry : kEntries) {
        SCOPED_TRACE(entry.name);
        const std::string opening = std::string("\r\n.visible .entry ") + entry.name + "(\r\n";
        const size_t start = text.find(opening);
        ASSERT_NE(start, std::string::npos);
        const std::string declaration = text.substr(start, text.find("\r\n)\r\n", start) - start);

        // Parameter lines read "\t.param .<type> <entry>_param_<i>[,]": 64
        // bits for a device pointer, 32 for the rest.
        std::string expected;
        for (const ListedArg& arg : entry.args) {
            expected += arg.kind == "Buffer" ? "u64 " : arg.kind == "Float" ? "f32 " : "u32 ";
        }
        std::string types;
        int expectedIndex = 0;
        const std::string marker = std::string(" ") + entry.name + "_param_";
        for (size_t at = declaration.find(marker); at != std::string::npos; at = declaration.find(marker, at + 1)) {
            const size_t typeStart = declaration.rfind(".param .", at) + 8;
            types += declaration.substr(typeStart, at - typeStart) + " ";
            const size_t digits = at + marker.size();
            const size_t digitsEnd = declaration.find_first_not_of("0123456789", digits);
            EXPECT_EQ(declaration.substr(digits, digitsEnd - digits), std::to_string(expectedIndex++));
        }
        EXPECT_EQ(types, expected);
        EXPECT_EQ(expectedIndex, entry.count);
    }
}

TEST(KernelSources, OpenClAndCudaSignaturesFollowTheArgumentLists) {
    // The PTX keeps only parameter numbers; the names are in its source.
    std::ifstream file(std::string(KV_TEST_DATA_DIR) + "/../../src/gpu/kernel/KromvaleLut.cu", std::ios::binary);
    ASSERT_TRUE(file.good()) << "KromvaleLut.cu not found";
    std::stringstream cudaFile;
    cudaFile << file.rdbuf();
    const std::string cuda = WithEntryParamsExpanded(cudaFile.str());
    const std::string openCl = WithEntryParamsExpanded(kv::gpu::kKromvaleLutOpenCl);
    for (const Entry& entry : kEntries) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.args.size(), static_cast<size_t>(entry.count));
        ExpectSignatureFollowsList(
            SignatureOf(openCl, std::string("__kernel void ") + entry.name + "("), entry.args, true);
        ExpectSignatureFollowsList(SignatureOf(cuda, std::string("__global__ void ") + entry.name + "("),
                                   entry.args, false);
    }
}

// In OpenCL C (C99) a plain inline function is only an inline definition:
// a call that a device compiler does not inline is left to an external
// function no one defines, and the program fails to link. Compiled with
// nothing inlined, the text must define every function it calls.
TEST(KernelSources, OpenClTextDefinesEveryFunctionItCallsWhenNothingIsInlined) {
#ifndef KV_TEST_CLANG
    GTEST_SKIP() << "no clang to compile the OpenCL text with";
#else
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string stem = (dir / ("kromvale-kernel-" + std::to_string(std::random_device{}()))).string();
    std::ofstream(stem + ".cl", std::ios::binary) << kv::gpu::kKromvaleLutOpenCl;
    const std::string command = std::string(KV_TEST_CLANG) +
                                " -x cl -cl-std=CL1.2 -cl-single-precision-constant -Xclang -finclude-default-header"
                                " -O0 -S -emit-llvm -o " + stem + ".ll " + stem + ".cl";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream ir(stem + ".ll");
    for (std::string line; std::getline(ir, line);) {
        EXPECT_FALSE(line.rfind("declare", 0) == 0 && line.find("@kv") != std::string::npos) << line;
    }
    ir.close();
    std::filesystem::remove(stem + ".cl");
    std::filesystem::remove(stem + ".ll");
#endif
}

}  // namespace
