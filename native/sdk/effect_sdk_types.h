#pragma once
// Scalar types of the hosts' effect SDK, with the sizes the hosts were built
// with (64-bit Windows, MSVC). Fixed-width types keep the layout identical in
// the Linux build, where `long` is 64 bits and `wchar_t` 32 bits.

#include <cstddef>
#include <cstdint>

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef uint64_t A_u_longlong;
typedef uint64_t A_HandleSize;
typedef intptr_t A_intptr_t;
typedef double A_FpLong;
typedef float A_FpShort;
typedef char16_t A_UTF16Char;
typedef A_long A_Err;

// The hosts' Windows branch makes PF_Boolean a 1-byte char, unlike SPBoolean.
typedef A_char PF_Boolean;
typedef void** PF_Handle;
typedef A_long PF_Fixed;
typedef A_u_long PF_UFixed;
typedef A_long PF_ParamValue;
typedef struct PF_ProgressInfo* PF_ProgPtr;
typedef A_long PF_Err;
typedef A_long PF_Cmd;
typedef A_long PF_ParamIndex;
typedef A_long PF_ParamType;
typedef A_long PF_ParamFlags;
typedef A_long PF_ParamUIFlags;
typedef A_long PF_ChangeFlags;
typedef A_long PF_OutFlags;
typedef A_long PF_OutFlags2;
typedef A_long PF_InFlags;
typedef A_long PF_Quality;
typedef A_long PF_ModeFlags;
typedef A_long PF_Field;
typedef A_long PF_WorldFlags;
typedef A_long PF_NewWorldFlags;
typedef A_long PF_PlatDataID;
typedef A_long PF_FunctionSelector;
typedef A_long PF_ArbCompareResult;
typedef A_long PF_ArbPrintFlags;
typedef A_long PF_CallbackID;
typedef A_long PF_KeyIndex;
typedef A_long PF_TimeDir;
typedef A_short PF_ValueDisplayFlags;
typedef A_u_long PF_FSliderFlags;
typedef A_short PF_SoundChannels;
typedef A_short PF_SoundFormat;
typedef A_short PF_SoundSampleSize;
typedef float PF_FpShort;
typedef double PF_FpLong;
typedef PF_Handle PF_ArbitraryH;
typedef void* PF_PixelPtr;
typedef void* PF_PluginDataPtr;

typedef int32_t int32;
typedef int32 SPErr;
typedef int32 SPBoolean;

// A function-table slot that this module never calls. Declared as a pointer
// so that the slots after it keep their byte offsets.
typedef void (*KvSdkUnusedSlot)(void);

// Multi-character constants as MSVC and GCC pack them: the first character
// lands in the most significant byte ('eFKT' == 0x65464B54).
constexpr A_long KvSdkFourCC(char a, char b, char c, char d) {
    return static_cast<A_long>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                               (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                               (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                               static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

static_assert(sizeof(void*) == 8, "the hosts are 64-bit only");
static_assert(sizeof(A_long) == 4 && sizeof(A_u_long) == 4 && sizeof(A_short) == 2);
static_assert(sizeof(A_Boolean) == 1 && sizeof(PF_Boolean) == 1 && sizeof(SPBoolean) == 4);
static_assert(sizeof(A_u_longlong) == 8 && alignof(A_u_longlong) == 8);
static_assert(sizeof(A_FpLong) == 8 && alignof(A_FpLong) == 8 && sizeof(A_FpShort) == 4);
static_assert(sizeof(A_UTF16Char) == 2);
static_assert(sizeof(PF_Handle) == 8 && sizeof(PF_ProgPtr) == 8 && sizeof(PF_ArbitraryH) == 8);
static_assert(sizeof(PF_ValueDisplayFlags) == 2 && sizeof(PF_FSliderFlags) == 4);
static_assert(KvSdkFourCC('e', 'F', 'K', 'T') == 0x65464B54);
