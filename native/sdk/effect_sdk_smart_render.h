#pragma once
// The compositing host's smart render: the pre-render and render records,
// their callback tables, the World Suite that names a world's pixel format,
// and the deep-colour constants. The host sends SMART_PRE_RENDER and
// SMART_RENDER (never RENDER) to an effect that declares smart render, at the
// project's depth when the effect also declares deep and float colour.

#include "sdk/effect_sdk_params.h"
#include "sdk/effect_sdk_suites.h"
#include "sdk/effect_sdk_types.h"

typedef A_long PF_PixelFormat;
typedef A_long PF_ChannelMask;
typedef A_long PF_RenderOutputFlags;

constexpr PF_PixelFormat KvPfPixelFormatFourCC(char a, char b, char c, char d) {
    return static_cast<PF_PixelFormat>(static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24 |
                                       static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16 |
                                       static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8 |
                                       static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

constexpr PF_PixelFormat PF_PixelFormat_ARGB32 = KvPfPixelFormatFourCC('b', 'g', 'r', 'a');   // 8 bpc
constexpr PF_PixelFormat PF_PixelFormat_ARGB64 = KvPfPixelFormatFourCC('6', '1', 'e', 'a');   // 16 bpc
constexpr PF_PixelFormat PF_PixelFormat_ARGB128 = KvPfPixelFormatFourCC('2', '3', 'e', 'a');  // 32 bpc float
constexpr PF_PixelFormat PF_PixelFormat_INVALID = KvPfPixelFormatFourCC('f', 'd', 'a', 'b');
static_assert(PF_PixelFormat_ARGB32 == 0x62677261 && PF_PixelFormat_ARGB64 == 0x36316561);
static_assert(PF_PixelFormat_ARGB128 == 0x32336561 && PF_PixelFormat_INVALID == 0x66646162);

// 16-bit channels run 0..32768, not 0..65535.
constexpr A_long PF_MAX_CHAN16 = 32768;

constexpr PF_ChannelMask PF_ChannelMask_ARGB = 15;
constexpr PF_RenderOutputFlags PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1;

struct PF_RenderRequest {
    PF_LRect rect;
    PF_Field field;
    PF_ChannelMask channel_mask;
    PF_Boolean preserve_rgb_of_zero_alpha;
    char unused[3];
    A_long reserved[4];
};

struct PF_PreRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth;  // bits per channel: 8, 16 or 32
    const void* gpu_data;
    A_long what_gpu;
    A_u_long device_index;
};

typedef void (*PF_DeletePreRenderDataFunc)(void* pre_render_data);

struct PF_PreRenderOutput {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_Boolean solid;
    PF_Boolean reserved;
    A_short flags;  // PF_RenderOutputFlags
    void* pre_render_data;
    PF_DeletePreRenderDataFunc delete_pre_render_data_func;
};

struct PF_CheckoutResult {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_RationalScale par;
    PF_Boolean solid;
    PF_Boolean reservedB[3];
    A_long ref_width;
    A_long ref_height;
    A_long reserved[6];
};

struct PF_PreRenderCallbacks {
    // index 0 is the input layer; checkout_id is the effect's own, >= 0 and unique.
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id,
                             const PF_RenderRequest* req, A_long what_time, A_long time_step, A_u_long time_scale,
                             PF_CheckoutResult* result);
    PF_Err (*GuidMixInPtr)(PF_ProgPtr effect_ref, A_u_long buf_size, const void* buf);
};

struct PF_PreRenderExtra {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
};

struct PF_SmartRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth;
    void* pre_render_data;
    const void* gpu_data;
    A_long what_gpu;
    A_u_long device_index;
};

struct PF_SmartRenderCallbacks {
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id, PF_EffectWorld** pixels);
    PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
};

struct PF_SmartRenderExtra {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
};

struct PF_WorldSuite2 {
    PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, A_long width, A_long height, PF_Boolean clear_pix,
                          PF_PixelFormat pixel_format, PF_EffectWorld* world);
    PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* world, PF_PixelFormat* pixel_format);
};

#define kPFWorldSuite "PF World Suite"
constexpr int32 kPFWorldSuiteVersion2 = 2;

static_assert(sizeof(PF_RenderRequest) == 44 && alignof(PF_RenderRequest) == 4);
static_assert(offsetof(PF_RenderRequest, field) == 16 && offsetof(PF_RenderRequest, channel_mask) == 20);
static_assert(offsetof(PF_RenderRequest, preserve_rgb_of_zero_alpha) == 24);
static_assert(offsetof(PF_RenderRequest, reserved) == 28);
static_assert(sizeof(PF_PreRenderInput) == 64 && alignof(PF_PreRenderInput) == 8);
static_assert(offsetof(PF_PreRenderInput, bitdepth) == 44 && offsetof(PF_PreRenderInput, gpu_data) == 48);
static_assert(offsetof(PF_PreRenderInput, what_gpu) == 56 && offsetof(PF_PreRenderInput, device_index) == 60);
static_assert(sizeof(PF_PreRenderOutput) == 56 && alignof(PF_PreRenderOutput) == 8);
static_assert(offsetof(PF_PreRenderOutput, max_result_rect) == 16 && offsetof(PF_PreRenderOutput, solid) == 32);
static_assert(offsetof(PF_PreRenderOutput, reserved) == 33 && offsetof(PF_PreRenderOutput, flags) == 34);
static_assert(offsetof(PF_PreRenderOutput, pre_render_data) == 40);
static_assert(offsetof(PF_PreRenderOutput, delete_pre_render_data_func) == 48);
static_assert(sizeof(PF_CheckoutResult) == 76 && alignof(PF_CheckoutResult) == 4);
static_assert(offsetof(PF_CheckoutResult, max_result_rect) == 16 && offsetof(PF_CheckoutResult, par) == 32);
static_assert(offsetof(PF_CheckoutResult, solid) == 40 && offsetof(PF_CheckoutResult, reservedB) == 41);
static_assert(offsetof(PF_CheckoutResult, ref_width) == 44 && offsetof(PF_CheckoutResult, ref_height) == 48);
static_assert(offsetof(PF_CheckoutResult, reserved) == 52);
static_assert(sizeof(PF_PreRenderCallbacks) == 16 && alignof(PF_PreRenderCallbacks) == 8);
static_assert(offsetof(PF_PreRenderCallbacks, GuidMixInPtr) == 8);
static_assert(sizeof(PF_PreRenderExtra) == 24 && alignof(PF_PreRenderExtra) == 8);
static_assert(offsetof(PF_PreRenderExtra, output) == 8 && offsetof(PF_PreRenderExtra, cb) == 16);
static_assert(sizeof(PF_SmartRenderInput) == 72 && alignof(PF_SmartRenderInput) == 8);
static_assert(offsetof(PF_SmartRenderInput, bitdepth) == 44 && offsetof(PF_SmartRenderInput, pre_render_data) == 48);
static_assert(offsetof(PF_SmartRenderInput, gpu_data) == 56 && offsetof(PF_SmartRenderInput, what_gpu) == 64);
static_assert(offsetof(PF_SmartRenderInput, device_index) == 68);
static_assert(sizeof(PF_SmartRenderCallbacks) == 24 && alignof(PF_SmartRenderCallbacks) == 8);
static_assert(offsetof(PF_SmartRenderCallbacks, checkin_layer_pixels) == 8);
static_assert(offsetof(PF_SmartRenderCallbacks, checkout_output) == 16);
static_assert(sizeof(PF_SmartRenderExtra) == 16 && alignof(PF_SmartRenderExtra) == 8);
static_assert(offsetof(PF_SmartRenderExtra, cb) == 8);
static_assert(sizeof(PF_WorldSuite2) == 24 && alignof(PF_WorldSuite2) == 8);
static_assert(offsetof(PF_WorldSuite2, PF_DisposeWorld) == 8 && offsetof(PF_WorldSuite2, PF_GetPixelFormat) == 16);
