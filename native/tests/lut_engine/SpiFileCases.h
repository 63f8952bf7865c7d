#pragma once
// Crafted .spi1d and .spi3d texts and the outcome each must give, shared by
// the readers' test (our outcome) and the OpenColorIO oracle (OpenColorIO
// 2.1 reads what we read, with the same table, and refuses what we refuse,
// except where a row says it reads or overruns a buffer on that file).

#include <cfloat>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lut_engine/ReaderMessages.h"

namespace kvtest {

enum class OcioOutcome { kRefuses, kReads, kUndefined };

struct SpiGoodCase {
    const char* what;
    const char* ext;  // "spi1d" or "spi3d"
    std::string text;
    int32_t size;  // table entries (1D) or nodes per axis (3D)
    float scale;   // the From step; 1 and 0 when there is none
    float offset;
    // (index into the table step's values, value); 3D tables red fastest.
    std::vector<std::pair<size_t, float>> values;
};

struct SpiBadCase {
    const char* ext;
    std::string text;
    std::string_view message;
    OcioOutcome ocio = OcioOutcome::kRefuses;
};

inline const std::string kSpi1dHead = "Version 1\nFrom 0 1\nLength 2\nComponents 1\n{\n";
inline const std::string kLongBlank(5000, ' ');
// 64 characters: one more than OpenColorIO's buffers hold with their NUL.
inline const std::string kLongNumber = "0.5" + std::string(60, '0') + "1";
inline const std::string kSpi3dHead = "SPILUT 1.0\n3 3\n2 2 2\n";
// Node (r, g, b) holds (r, g, b), listed blue fastest; the first is (0, 0, 0).
inline const std::string kNodes = "0 0 0 0 0 0\n0 0 1 0 0 1\n0 1 0 0 1 0\n0 1 1 0 1 1\n"
                                  "1 0 0 1 0 0\n1 0 1 1 0 1\n1 1 0 1 1 0\n1 1 1 1 1 1\n";
inline const std::string kNodesBut000 = kNodes.substr(12);

// Three nodes per axis, node (r, g, b) holding (r, 10 + g, 20 + b), listed
// from (2, 2, 2) down with blue fastest.
inline std::string Spi3dListedBackwards() {
    std::string text = "SPILUT 1.0\n3 3\n3 3 3\n";
    for (int r = 2; r >= 0; --r) {
        for (int g = 2; g >= 0; --g) {
            for (int b = 2; b >= 0; --b) {
                for (const int v : {r, g, b, r, 10 + g, 20 + b}) text += std::to_string(v) + " ";
                text += "\n";
            }
        }
    }
    return text;
}

inline std::vector<SpiGoodCase> SpiGoodCases() {
    const std::string crlf = "Version 1\r\nFrom 0 1\r\nLength 2\r\nComponents 3\r\n{\r\n";
    return {
        {"components 1 repeat on RGB", "spi1d", kSpi1dHead + "0.25\n0.75\n}\n", 2, 1, 0,
         {{0, 0.25f}, {2, 0.25f}, {5, 0.75f}}},
        {"components 2 leave B at 0", "spi1d", "Version 1\nLength 2\nComponents 2\n{\n0.1 0.2\n0.3 0.4\n}\n", 2, 1, 0,
         {{1, 0.2f}, {2, 0.0f}, {3, 0.3f}, {5, 0.0f}}},
        {"CRLF, blanks, trimmed brace, text after it", "spi1d",
         crlf + "0 0.1 0.2\r\n \t\v\f\r\n1 1 1\r\n }  \r\n9\n", 2, 1, 0, {{2, 0.2f}, {3, 1.0f}}},
        {"reversed From", "spi1d", "Version 1\nFrom 2 -2\nLength 2\nComponents 1\n{\n0\n1\n}\n", 2, -0.25f, 0.5f, {}},
        {"From in strtof forms", "spi1d", "Version 1\nFrom +0.5 0x2\nLength 2\nComponents 1\n{\n0\n1\n}\n", 2,
         static_cast<float>(1.0 / 1.5), static_cast<float>(-0.5 / 1.5), {}},
        {"scanf forms: Version1, From0, wrapped Length, trailing text", "spi1d",
         "Version1\nFrom0 1 2\nLength 4294967298\nComponents 1x\n{ 7 8\n0\n1\n}\n", 2, 1, 0, {{3, 1.0f}}},
        {"a later keyword line wins", "spi1d",
         "Version 1\nLength 9\nFrom 0 4\nVersion 1\nLength 2\nFrom 0 2\nComponents 1\n{\n0\n1\n}\n", 2, 0.5f, 0, {}},
        {"table ends at the text's end after a newline", "spi1d", kSpi1dHead + "0\n1\n", 2, 1, 0, {}},
        {"table ends at an over-long line", "spi1d", kSpi1dHead + "0\n1\n" + kLongBlank + "x\n7\n", 2, 1, 0, {}},
        {"strtof prefixes and non-finite values", "spi1d",
         "Version 1\nLength 5\nComponents 1\n{\n1xyz\nnan\ninf\n-inf\n0x1p-140\n}\n", 5, 1, 0,
         {{0, 1.0f}, {3, 0.0f}, {6, FLT_MAX}, {9, -FLT_MAX}, {12, 0x1p-140f}}},
        {"a value that rounds up to the smallest normal float", "spi1d", kSpi1dHead + "0\n1.17549435e-38\n}\n", 2, 1, 0,
         {{3, FLT_MIN}}},
        {"nodes in any order, red fastest in the step", "spi3d", Spi3dListedBackwards(), 3, 1, 0,
         {{15, 2.0f}, {16, 11.0f}, {17, 20.0f}, {63, 0.0f}, {64, 11.0f}, {65, 22.0f}}},
        {"any-case tag, any second line, skipped lines, anything after", "spi3d",
         "spilut\nanything\n2 2 2 extra\n# 0 0 0 1 1 1\n1.0 0 0 9 9 9\n0 0 0 7 7\n" + kNodes +
             "0 0 0 5 5 5\n0 0 9 x\n" + std::string(1, '\0'),
         2, 1, 0, {{0, 0.0f}, {3, 1.0f}}},
        {"scanf and strtof forms of a node", "spi3d", kSpi3dHead + "+0 -0 0.5 1e 0x1p-1 .5\n" + kNodesBut000, 2, 1, 0,
         {{0, 0.5f}, {1, 1.0f}, {2, 0.5f}}},
        {"shortest node line, wrapped index", "spi3d",
         kSpi3dHead + "0+0+0.5 1 1\n4294967297 0 0 3 3 3\n" + kNodesBut000.substr(0, 36) + kNodesBut000.substr(48),
         2, 1, 0, {{0, 0.5f}, {3, 3.0f}}},
        {"non-finite values", "spi3d", kSpi3dHead + "0 0 0 nan inf -inf\n" + kNodesBut000, 2, 1, 0,
         {{0, 0.0f}, {1, FLT_MAX}, {2, -FLT_MAX}}},
        {"last node without a newline", "spi3d", kSpi3dHead + kNodes.substr(0, 95), 2, 1, 0, {{23, 1.0f}}},
        {"the first 4095 characters of an over-long line", "spi3d",
         kSpi3dHead + kNodes.substr(0, 95) + std::string(4084, ' ') + "9 9 9 9 9 9\n", 2, 1, 0, {{23, 1.0f}}},
    };
}

inline std::vector<SpiBadCase> SpiBadCases() {
    namespace msg = kv::messages;
    const std::string body = "0\n1\n}\n";
    const std::string noVersion = "From 0 1\nLength 2\nComponents 1\n{\n" + body;
    auto with = [&](const std::string& header) { return header + "Length 2\nComponents 1\n{\n" + body; };
    std::string full65537 = "Version 1\nLength 65537\nComponents 1\n{\n";
    for (int i = 0; i < 65537; ++i) full65537 += "0\n";
    return {
        {"spi1d", noVersion, msg::kSpi1dNoVersion},
        {"spi1d", "version 1\n" + noVersion, msg::kSpi1dNoVersion},
        {"spi1d", " Version 1\n" + noVersion, msg::kSpi1dNoVersion},
        {"spi1d", with("Version 2\n"), msg::kSpi1dBadVersion},
        {"spi1d", with("Version x\n"), msg::kSpi1dBadVersion},
        {"spi1d", with("Version 1\nFrom 0.5\n"), msg::kSpi1dBadFrom},
        {"spi1d", with("Version 1\nFrom 0 x\n"), msg::kSpi1dBadFrom},
        {"spi1d", with("Version 1\nFrom 0 1e39\n"), msg::kSpi1dBadFrom},
        {"spi1d", with("Version 1\nFrom 0 1e-39\n"), msg::kSpi1dBadFrom},
        {"spi1d", with("Version 1\nFrom 1 1\n"), msg::kSpi1dUnusableFrom, OcioOutcome::kReads},
        {"spi1d", with("Version 1\nFrom nan 1\n"), msg::kSpi1dUnusableFrom, OcioOutcome::kReads},
        {"spi1d", with("Version 1\nFrom 0 inf\n"), msg::kSpi1dUnusableFrom, OcioOutcome::kReads},
        {"spi1d", "Version 1\nComponents 1\n{\n" + body, msg::kSpi1dNoLength},
        {"spi1d", "Version 1\nLength -1\nComponents 1\n{\n" + body, msg::kSpi1dNoLength},
        {"spi1d", "Version 1\nLength x\nComponents 1\n{\n" + body, msg::kSpi1dBadLength},
        {"spi1d", "Version 1\nLength 1\nComponents 1\n{\n0\n}\n", msg::kSpi1dLengthOutOfRange},
        {"spi1d", full65537, msg::kSpi1dLengthOutOfRange, OcioOutcome::kReads},
        {"spi1d", "Version 1\nLength 2\n{\n" + body, msg::kSpi1dNoComponents},
        {"spi1d", "Version 1\nLength 2\nComponents\n{\n" + body, msg::kSpi1dBadComponents},
        {"spi1d", "Version 1\nLength 2\nComponents 0\n{\n" + body, msg::kSpi1dComponentsOutOfRange},
        {"spi1d", "Version 1\nLength 2\nComponents 4\n{\n0 0 0 0\n1 1 1 1\n}\n", msg::kSpi1dComponentsOutOfRange},
        {"spi1d", "Version 1\nLength 2\nComponents 1\n  {\n" + body, msg::kSpi1dTooFewValues},
        {"spi1d", kSpi1dHead + "0\n1", msg::kSpi1dTooFewValues},
        {"spi1d", kSpi1dHead + "0\n}\n", msg::kSpi1dTooFewValues},
        {"spi1d", kSpi1dHead + "0\n" + kLongBlank + "\n1\n}\n", msg::kSpi1dTooFewValues},
        {"spi1d", kSpi1dHead + "0\n1\n2\n}\n", msg::kSpi1dTooManyValues},
        {"spi1d", kSpi1dHead + "0 1\n1\n}\n", msg::kSpi1dMalformedLine},
        {"spi1d", kSpi1dHead + "0\n0.5 }\n", msg::kSpi1dMalformedLine},
        {"spi1d", kSpi1dHead + "0\nx\n}\n", msg::kSpi1dBadValue},
        {"spi1d", kSpi1dHead + "0\n1e39\n}\n", msg::kSpi1dBadValue},
        {"spi1d", kSpi1dHead + "0\n1e-40\n}\n", msg::kSpi1dBadValue},
        // tiny after rounding although it rounds up to the smallest normal float
        {"spi1d", kSpi1dHead + "0\n1.1754943e-38\n}\n", msg::kSpi1dBadValue},
        {"spi1d", kSpi1dHead + "0\n0x1.8p-149\n}\n", msg::kSpi1dBadValue},
        {"spi1d", kSpi1dHead + "0\n" + kLongNumber + "\n}\n", msg::kSpiNumberTooLong, OcioOutcome::kReads},
        {"spi1d", "Version 1" + kLongBlank + "\n" + noVersion, msg::kSpiHeaderLineTooLong},
        {"spi1d", "Version 1\n#" + std::string(1, '\0') + "\n" + noVersion, msg::kLineWithNul, OcioOutcome::kReads},
        {"spi1d", kSpi1dHead + "0\n1" + std::string(1, '\0') + "\n}\n", msg::kLineWithNul, OcioOutcome::kReads},

        {"spi3d", "", msg::kSpi3dNotSpilut},
        {"spi3d", " " + kSpi3dHead + kNodes, msg::kSpi3dNotSpilut},
        {"spi3d", "SPILUT 1.0\n3 3", msg::kSpi3dBadSizes},
        // the sizes are on the third line whatever the second holds
        {"spi3d", "SPILUT 1.0\n2 2 2\n" + kNodes, msg::kSpi3dSizeOutOfRange},
        {"spi3d", "SPILUT 1.0\n3 3\n2,2,2\n" + kNodes, msg::kSpi3dBadSizes},
        {"spi3d", "SPILUT 1.0\n3 3\n2 2 3\n" + kNodes, msg::kSpi3dUnequalSizes},
        {"spi3d", "SPILUT 1.0\n3 3\n1 1 1\n0 0 0 0.5 0.5 0.5\n", msg::kSpi3dSizeOutOfRange, OcioOutcome::kReads},
        {"spi3d", "SPILUT 1.0\n3 3\n130 130 130\n" + kNodes, msg::kSpi3dSizeOutOfRange},
        {"spi3d", kSpi3dHead + "0 0 2 0 0 0\n" + kNodes, msg::kSpi3dNodeOutside},
        {"spi3d", kSpi3dHead + "-1 0 0 0 0 0\n" + kNodes, msg::kSpi3dNodeOutside},
        {"spi3d", kSpi3dHead + "0 0 0 1 1 1\n" + kNodes, msg::kSpi3dRepeatedNode},
        {"spi3d", kSpi3dHead + kNodesBut000, msg::kSpi3dMissingNodes},
        {"spi3d", kSpi3dHead + "0 0 0 a b c\n" + kNodesBut000, msg::kSpi3dBadValue},
        {"spi3d", kSpi3dHead + "0 0 0 1e39 0 0\n" + kNodesBut000, msg::kSpi3dBadValue},
        {"spi3d", kSpi3dHead + "0 0 0 " + kLongNumber + " 0 0\n" + kNodesBut000, msg::kSpiNumberTooLong,
         OcioOutcome::kUndefined},
        {"spi3d", "SPILUT 1.0" + kLongBlank + "\n3 3\n2 2 2\n" + kNodes, msg::kSpiHeaderLineTooLong},
        {"spi3d", "SPILUT 1.0\n3 3\n2 2 2", msg::kSpi3dMissingNodes},
        {"spi3d", kSpi3dHead + "0 0 0 0 0 0" + kLongBlank + "\n" + kNodesBut000, msg::kSpi3dMissingNodes},
        {"spi3d", "SPILUT 1.0\n3 3\n129 129 129\n" + kNodes, msg::kSpi3dMissingNodes},
        {"spi3d", kSpi3dHead + "# " + std::string(1, '\0') + "\n" + kNodes, msg::kLineWithNul, OcioOutcome::kReads},
    };
}

}  // namespace kvtest
