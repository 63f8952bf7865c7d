// The property-list resource as a host reads it, written out by hand byte for
// byte so that a fault in the generator cannot also be a fault here.
#pragma once

#include <cstdint>

namespace kvtest {

// clang-format off
inline constexpr std::uint8_t kExpectedPipl[] = {
    0x01, 0x00,                          // version 1
    0x00, 0x00, 0x00, 0x00,              // reserved
    0x0D, 0x00, 0x00, 0x00,              // 13 properties

    // kind: an effect
    'M', 'I', 'B', '8',  'd', 'n', 'i', 'k',  0, 0, 0, 0,  4, 0, 0, 0,
    'T', 'K', 'F', 'e',

    // name: counted "Kromvale", 9 bytes padded to 12
    'M', 'I', 'B', '8',  'e', 'm', 'a', 'n',  0, 0, 0, 0,  12, 0, 0, 0,
    8, 'K', 'r', 'o', 'm', 'v', 'a', 'l', 'e', 0, 0, 0,

    // catg: counted "Color Correction", 17 bytes padded to 20
    'M', 'I', 'B', '8',  'g', 't', 'a', 'c',  0, 0, 0, 0,  20, 0, 0, 0,
    16, 'C', 'o', 'l', 'o', 'r', ' ', 'C', 'o', 'r', 'r', 'e', 'c', 't', 'i', 'o', 'n', 0, 0, 0,

    // 8664: the 64-bit Windows entry point as a C string, 11 bytes padded to 12
    'M', 'I', 'B', '8',  '4', '6', '6', '8',  0, 0, 0, 0,  12, 0, 0, 0,
    'E', 'f', 'f', 'e', 'c', 't', 'M', 'a', 'i', 'n', 0, 0,

    // ePVR: property-list version 2.0
    'M', 'I', 'B', '8',  'R', 'V', 'P', 'e',  0, 0, 0, 0,  4, 0, 0, 0,
    2, 0, 0, 0,

    // eSVR: effect API 13.29
    'M', 'I', 'B', '8',  'R', 'V', 'S', 'e',  0, 0, 0, 0,  4, 0, 0, 0,
    13, 0, 29, 0,

    // eVER: 1.0 build 12 = 0x0008000C
    'M', 'I', 'B', '8',  'R', 'E', 'V', 'e',  0, 0, 0, 0,  4, 0, 0, 0,
    0x0C, 0x00, 0x08, 0x00,

    // eINF: 16-bit flags 0; the length says 2, the data is padded to 4
    'M', 'I', 'B', '8',  'F', 'N', 'I', 'e',  0, 0, 0, 0,  2, 0, 0, 0,
    0, 0, 0, 0,

    // eGLO: out-flags 0x06000400
    'M', 'I', 'B', '8',  'O', 'L', 'G', 'e',  0, 0, 0, 0,  4, 0, 0, 0,
    0x00, 0x04, 0x00, 0x06,

    // eGL2: out-flags 2 0x0A001400 (the GPU render bit set)
    'M', 'I', 'B', '8',  '2', 'L', 'G', 'e',  0, 0, 0, 0,  4, 0, 0, 0,
    0x00, 0x14, 0x00, 0x0A,

    // eMNA: counted "KRVL Kromvale", 14 bytes padded to 16
    'M', 'I', 'B', '8',  'A', 'N', 'M', 'e',  0, 0, 0, 0,  16, 0, 0, 0,
    13, 'K', 'R', 'V', 'L', ' ', 'K', 'r', 'o', 'm', 'v', 'a', 'l', 'e', 0, 0,

    // aeFL: 0
    'M', 'I', 'B', '8',  'L', 'F', 'e', 'a',  0, 0, 0, 0,  4, 0, 0, 0,
    0, 0, 0, 0,

    // eURL: counted "https://kromvale.example/support", 33 bytes padded to 36
    'M', 'I', 'B', '8',  'L', 'R', 'U', 'e',  0, 0, 0, 0,  36, 0, 0, 0,
    32, 'h', 't', 't', 'p', 's', ':', '/', '/', 'k', 'r', 'o', 'm', 'v', 'a', 'l', 'e', '.',
    'e', 'x', 'a', 'm', 'p', 'l', 'e', '/', 's', 'u', 'p', 'p', 'o', 'r', 't', 0, 0, 0,
};
// clang-format on

inline constexpr const char* kSupportUrl = "https://kromvale.example/support";

}  // namespace kvtest
