#pragma once
// The basic suite, through which every other suite is acquired by name and
// version, and the suites the module calls. Natural alignment, like the
// records (the pixel-format suite comes from the editing host's headers but
// is not byte-packed there).

#include "sdk/effect_sdk_params.h"
#include "sdk/premiere_sdk_types.h"

struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, int32 version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32 version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t new_size, void** new_block);
    SPErr (*Undefined)(void);
};

#define kSPBasicSuite "SP Basic Suite"
constexpr int32 kSPBasicSuiteVersion = 4;

struct PF_HandleSuite1 {
    PF_Handle (*host_new_handle)(A_HandleSize size);
    void* (*host_lock_handle)(PF_Handle h);
    void (*host_unlock_handle)(PF_Handle h);
    void (*host_dispose_handle)(PF_Handle h);
    A_HandleSize (*host_get_handle_size)(PF_Handle h);
    PF_Err (*host_resize_handle)(A_HandleSize new_size, PF_Handle* h);
};

#define kPFHandleSuite "PF Handle Suite"
constexpr int32 kPFHandleSuiteVersion1 = 2;

struct PF_PixelFormatSuite {
    PF_Err (*AddSupportedPixelFormat)(PF_ProgPtr effect_ref, PrPixelFormat pixel_format);
    PF_Err (*ClearSupportedPixelFormats)(PF_ProgPtr effect_ref);
    PF_Err (*NewWorldOfPixelFormat)(PF_ProgPtr effect_ref, A_u_long width, A_u_long height,
                                    PF_NewWorldFlags flags, PrPixelFormat pixel_format,
                                    PF_EffectWorld* world);
    PF_Err (*DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
    // No effect reference here, unlike its neighbours.
    PF_Err (*GetPixelFormat)(PF_EffectWorld* world, PrPixelFormat* pixel_format);
    PF_Err (*GetBlackForPixelFormat)(PrPixelFormat pixel_format, void* pixel);
    PF_Err (*GetWhiteForPixelFormat)(PrPixelFormat pixel_format, void* pixel);
    PF_Err (*ConvertColorToPixelFormattedData)(PrPixelFormat pixel_format, float alpha, float red,
                                               float green, float blue, void* pixel);
};
typedef PF_PixelFormatSuite PF_PixelFormatSuite1;

#define kPFPixelFormatSuite "PF Pixel Format Suite"
constexpr int32 kPFPixelFormatSuiteVersion1 = 1;

struct A_Time {
    A_long value;
    A_u_long scale;
};

struct PF_State {
    A_long reserved[4];
};

struct PF_ParamUtilsSuite3 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef* def);
    PF_Err (*PF_GetCurrentState)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const A_Time* start,
                                 const A_Time* duration, PF_State* state);
    PF_Err (*PF_AreStatesIdentical)(PF_ProgPtr effect_ref, const PF_State* state1, const PF_State* state2,
                                    A_Boolean* same);
    PF_Err (*PF_IsIdenticalCheckout)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time1,
                                     A_long time_step1, A_u_long time_scale1, A_long what_time2,
                                     A_long time_step2, A_u_long time_scale2, PF_Boolean* identical);
    PF_Err (*PF_FindKeyframeTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time,
                                  A_u_long time_scale, PF_TimeDir time_dir, PF_Boolean* found,
                                  PF_KeyIndex* key_index, A_long* key_time, A_u_long* key_timescale);
    PF_Err (*PF_GetKeyframeCount)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex* count);
    PF_Err (*PF_CheckoutKeyframe)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_index,
                                  A_long* key_time, A_u_long* key_timescale, PF_ParamDef* param);
    PF_Err (*PF_CheckinKeyframe)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err (*PF_KeyIndexToTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_index,
                                A_long* key_time, A_u_long* key_timescale);
};

#define kPFParamUtilsSuite "PF Param Utils Suite"
constexpr int32 kPFParamUtilsSuiteVersion3 = 3;

#define kPFUtilitySuite "PF Utility Suite"
#define kPFTransitionSuite "PF Transition Suite"
constexpr int32 kPFTransitionSuiteVersion2 = 2;

static_assert(sizeof(SPBasicSuite) == 56 && alignof(SPBasicSuite) == 8);
static_assert(offsetof(SPBasicSuite, AcquireSuite) == 0 && offsetof(SPBasicSuite, ReleaseSuite) == 8);
static_assert(offsetof(SPBasicSuite, IsEqual) == 16 && offsetof(SPBasicSuite, Undefined) == 48);
static_assert(sizeof(PF_HandleSuite1) == 48);
static_assert(offsetof(PF_HandleSuite1, host_get_handle_size) == 32);
static_assert(offsetof(PF_HandleSuite1, host_resize_handle) == 40);
static_assert(sizeof(PF_PixelFormatSuite1) == 64 && alignof(PF_PixelFormatSuite1) == 8);
static_assert(offsetof(PF_PixelFormatSuite1, AddSupportedPixelFormat) == 0);
static_assert(offsetof(PF_PixelFormatSuite1, ClearSupportedPixelFormats) == 8);
static_assert(offsetof(PF_PixelFormatSuite1, GetPixelFormat) == 32);
static_assert(offsetof(PF_PixelFormatSuite1, ConvertColorToPixelFormattedData) == 56);
static_assert(sizeof(A_Time) == 8 && sizeof(PF_State) == 16);
static_assert(sizeof(PF_ParamUtilsSuite3) == 72 && alignof(PF_ParamUtilsSuite3) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_UpdateParamUI) == 0);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_GetKeyframeCount) == 40);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_KeyIndexToTime) == 64);
