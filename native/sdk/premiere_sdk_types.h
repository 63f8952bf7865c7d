#pragma once
// Scalar types, small records and constants of the editing host's SDK. Its
// headers pack every record to 1 byte, so the records here do the same:
// piSuites::utilFuncs lands at 28 and 64-bit members may sit unaligned.

#include <cstddef>
#include <cstdint>

typedef int8_t csSDK_int8;
typedef int16_t csSDK_int16;
typedef int32_t csSDK_int32;
typedef int64_t csSDK_int64;
typedef uint8_t csSDK_uint8;
typedef uint16_t csSDK_uint16;
typedef uint32_t csSDK_uint32;
typedef uint64_t csSDK_uint64;
typedef uint64_t csSDK_size_t;

// prBool is a 4-byte int, not bool.
typedef csSDK_int32 prBool;
typedef csSDK_int32 prSuiteError;
typedef csSDK_int32 prMALError;
typedef csSDK_int64 prInt64;
typedef prInt64 PrTime;
typedef csSDK_int32 PrTimelineID;
typedef csSDK_int32 prFieldType;
typedef char* PrMemoryPtr;
typedef char** PrMemoryHandle;
typedef char16_t prUTF16Char;

// The host's enums are 4 bytes; a few carry 0xFFFFFFFF, so they are held as
// unsigned 32-bit values (the bit pattern is what crosses the boundary).
typedef csSDK_uint32 PrPixelFormat;
typedef csSDK_uint32 PrRenderQuality;
typedef csSDK_uint32 pmFieldDisplay;
typedef csSDK_uint32 PrParamType;
typedef csSDK_uint32 PrPPixBufferAccess;
typedef csSDK_int32 PrGPUDeviceFramework;
typedef csSDK_int32 PrGPUFilterFrameDependencyType;

typedef char prPluginID[37];

#pragma pack(push, 1)

// An opaque string or GUID handle: two 64-bit words.
struct PrSDKString {
    csSDK_int64 opaque[2];
};
typedef PrSDKString PrSDKGuid;

struct prFPoint64 {
    double x;
    double y;
};

// Windows order: left, top, right, bottom.
struct prRect {
    csSDK_int32 left;
    csSDK_int32 top;
    csSDK_int32 right;
    csSDK_int32 bottom;
};

struct PPix {
    prRect bounds;
    csSDK_int32 rowbytes;
    csSDK_int32 bitsperpixel;
    void* pix;
    void* reserved[32];
};
typedef PPix** PPixHand;

#pragma pack(pop)

// Pixel-format FourCCs put their first character in the low byte, the
// opposite of the effect SDK's multi-character constants.
constexpr PrPixelFormat KvPrPixelFormatFourCC(char a, char b, char c, char d) {
    return static_cast<PrPixelFormat>(static_cast<uint8_t>(a)) |
           static_cast<PrPixelFormat>(static_cast<uint8_t>(b)) << 8 |
           static_cast<PrPixelFormat>(static_cast<uint8_t>(c)) << 16 |
           static_cast<PrPixelFormat>(static_cast<uint8_t>(d)) << 24;
}

constexpr PrPixelFormat PrPixelFormat_BGRA_4444_8u = KvPrPixelFormatFourCC('b', 'g', 'r', 'a');
constexpr PrPixelFormat PrPixelFormat_BGRA_4444_16u = KvPrPixelFormatFourCC('B', 'g', 'r', 'a');
constexpr PrPixelFormat PrPixelFormat_BGRA_4444_32f = KvPrPixelFormatFourCC('B', 'G', 'r', 'a');
constexpr PrPixelFormat PrPixelFormat_BGRA_4444_32f_Linear = KvPrPixelFormatFourCC('B', 'G', 'a', 'L');
constexpr PrPixelFormat PrPixelFormat_VUYA_4444_8u = KvPrPixelFormatFourCC('v', 'u', 'y', 'a');
constexpr PrPixelFormat PrPixelFormat_VUYA_4444_32f = KvPrPixelFormatFourCC('V', 'U', 'y', 'a');
constexpr PrPixelFormat PrPixelFormat_ARGB_4444_8u = KvPrPixelFormatFourCC('a', 'r', 'g', 'b');
constexpr PrPixelFormat PrPixelFormat_Invalid = KvPrPixelFormatFourCC('b', 'a', 'd', 'f');
constexpr PrPixelFormat PrPixelFormat_Any = 0;
// GPU frames: '@' in the low byte, then three characters.
constexpr PrPixelFormat PrPixelFormat_GPU_BGRA_4444_16f = KvPrPixelFormatFourCC('@', 'C', 'D', 'a');
constexpr PrPixelFormat PrPixelFormat_GPU_BGRA_4444_32f = KvPrPixelFormatFourCC('@', 'C', 'D', 'A');

constexpr prSuiteError suiteError_NoError = 0;
constexpr prSuiteError suiteError_Fail = INT32_MIN;  // 0x80000000
constexpr prSuiteError suiteError_InvalidParms = suiteError_Fail + 1;
constexpr prSuiteError suiteError_OutOfMemory = suiteError_Fail + 2;
constexpr prSuiteError suiteError_InvalidCall = suiteError_Fail + 3;
constexpr prSuiteError suiteError_NotImplemented = suiteError_Fail + 4;
constexpr prSuiteError suiteError_IDNotValid = suiteError_Fail + 5;
constexpr bool PrSuiteErrorSucceeded(prSuiteError e) { return e >= 0; }
constexpr bool PrSuiteErrorFailed(prSuiteError e) { return e < 0; }

constexpr prMALError malNoError = 0;
constexpr prMALError malUnknownError = 99;
constexpr prBool kPrTrue = 1;
constexpr prBool kPrFalse = 0;

constexpr PrRenderQuality kPrRenderQuality_Draft = 0;
constexpr PrRenderQuality kPrRenderQuality_Low = 1;
constexpr PrRenderQuality kPrRenderQuality_Medium = 2;
constexpr PrRenderQuality kPrRenderQuality_High = 3;
constexpr PrRenderQuality kPrRenderQuality_Max = 4;
constexpr PrRenderQuality kPrRenderQuality_Invalid = 0xFFFFFFFFu;

constexpr pmFieldDisplay pmFieldDisplay_ShowFirstField = 0;
constexpr pmFieldDisplay pmFieldDisplay_ShowSecondField = 1;
constexpr pmFieldDisplay pmFieldDisplay_ShowBothFields = 2;

constexpr prFieldType prFieldsNone = 0;
constexpr prFieldType prFieldsUpperFirst = 1;
constexpr prFieldType prFieldsLowerFirst = 2;
constexpr prFieldType prFieldsUnknown = 3;
constexpr prFieldType prFieldsAny = 4;
constexpr prFieldType prFieldsInvalid = -1;

constexpr PrPPixBufferAccess PrPPixBufferAccess_ReadOnly = 0;
constexpr PrPPixBufferAccess PrPPixBufferAccess_WriteOnly = 1;
constexpr PrPPixBufferAccess PrPPixBufferAccess_ReadWrite = 2;

static_assert(sizeof(csSDK_size_t) == 8 && sizeof(prBool) == 4 && sizeof(PrTime) == 8);
static_assert(sizeof(prUTF16Char) == 2 && sizeof(PrPixelFormat) == 4 && sizeof(PrRenderQuality) == 4);
static_assert(sizeof(prPluginID) == 37 && alignof(prPluginID) == 1);
static_assert(sizeof(PrSDKString) == 16 && alignof(PrSDKString) == 1);
static_assert(sizeof(prFPoint64) == 16 && alignof(prFPoint64) == 1);
static_assert(sizeof(prRect) == 16 && alignof(prRect) == 1);
static_assert(offsetof(prRect, top) == 4 && offsetof(prRect, right) == 8 && offsetof(prRect, bottom) == 12);
static_assert(sizeof(PPix) == 288 && alignof(PPix) == 1);
static_assert(offsetof(PPix, rowbytes) == 16 && offsetof(PPix, bitsperpixel) == 20);
static_assert(offsetof(PPix, pix) == 24 && offsetof(PPix, reserved) == 32);

static_assert(PrPixelFormat_BGRA_4444_8u == 0x61726762 && PrPixelFormat_BGRA_4444_16u == 0x61726742);
static_assert(PrPixelFormat_BGRA_4444_32f == 0x61724742 && PrPixelFormat_BGRA_4444_32f_Linear == 0x4C614742);
static_assert(PrPixelFormat_VUYA_4444_8u == 0x61797576 && PrPixelFormat_VUYA_4444_32f == 0x61795556);
static_assert(PrPixelFormat_ARGB_4444_8u == 0x62677261 && PrPixelFormat_Invalid == 0x66646162);
static_assert(PrPixelFormat_GPU_BGRA_4444_16f == 0x61444340 && PrPixelFormat_GPU_BGRA_4444_32f == 0x41444340);
static_assert(static_cast<uint32_t>(suiteError_Fail) == 0x80000000u);
static_assert(static_cast<uint32_t>(suiteError_IDNotValid) == 0x80000005u);
