#pragma once
// The records the hosts pass with every command (PF_InData, PF_OutData and
// their callback tables), the command-specific `extra` records, and the two
// entry points' types. Function tables list every slot up to the last one in
// the record, so that each slot sits at index = byte offset / 8.

#include "sdk/effect_sdk_suites.h"

struct PF_CustomUIInfo;

struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long time_step,
                             A_u_long time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    // index -1 appends, which is how every parameter is added.
    PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
    // Non-zero when the user interrupted; the effect returns it.
    PF_Err (*abort)(PF_ProgPtr effect_ref);
    PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
    PF_Err (*register_ui)(PF_ProgPtr effect_ref, PF_CustomUIInfo* info);
    KvSdkUnusedSlot checkout_layer_audio;
    KvSdkUnusedSlot checkin_layer_audio;
    KvSdkUnusedSlot get_audio_data;
    void* reserved_str[3];
    void* reserved[10];
};

struct PF_ANSICallbacks {
    KvSdkUnusedSlot atan, atan2, ceil, cos, exp, fabs, floor, fmod, hypot, log, log10, pow, sin, sqrt, tan;
    KvSdkUnusedSlot sprintf, strcpy, asin, acos;
    A_long ansi_procs[1];
};

struct PF_ColorCallbacks {
    KvSdkUnusedSlot RGBtoHLS, HLStoRGB, RGBtoYIQ, YIQtoRGB, Luminance, Hue, Lightness, Saturation;
};

typedef PF_Err (*PF_IteratePixelFunc)(void* refcon, A_long thread_index, A_long i, A_long iterations);

struct PF_UtilCallbacks {
    KvSdkUnusedSlot begin_sampling;
    KvSdkUnusedSlot subpixel_sample;
    KvSdkUnusedSlot area_sample;
    void* get_batch_func_is_deprecated;
    KvSdkUnusedSlot end_sampling;
    KvSdkUnusedSlot composite_rect;
    KvSdkUnusedSlot blend;
    KvSdkUnusedSlot convolve;
    KvSdkUnusedSlot copy;
    KvSdkUnusedSlot fill;
    KvSdkUnusedSlot gaussian_kernel;
    KvSdkUnusedSlot iterate;
    KvSdkUnusedSlot premultiply;
    KvSdkUnusedSlot premultiply_color;
    KvSdkUnusedSlot new_world;
    KvSdkUnusedSlot dispose_world;
    KvSdkUnusedSlot iterate_origin;
    KvSdkUnusedSlot iterate_lut;
    KvSdkUnusedSlot transfer_rect;
    KvSdkUnusedSlot transform_world;
    PF_Handle (*host_new_handle)(A_u_longlong size);
    void* (*host_lock_handle)(PF_Handle h);
    void (*host_unlock_handle)(PF_Handle h);
    void (*host_dispose_handle)(PF_Handle h);
    KvSdkUnusedSlot get_callback_addr;
    PF_Err (*app)(PF_ProgPtr effect_ref, A_long selector, ...);
    PF_ANSICallbacks ansi;
    PF_ColorCallbacks colorCB;
    // With PF_PlatData_MAIN_WND, `data` is the address of the caller's HWND.
    PF_Err (*get_platform_data)(PF_ProgPtr effect_ref, PF_PlatDataID which, void* data);
    A_u_longlong (*host_get_handle_size)(PF_Handle h);
    KvSdkUnusedSlot iterate_origin_non_clip_src;
    PF_Err (*iterate_generic)(A_long iterations, void* refcon, PF_IteratePixelFunc fn);
    PF_Err (*host_resize_handle)(A_u_longlong new_size, PF_Handle* h);
    KvSdkUnusedSlot subpixel_sample16;
    KvSdkUnusedSlot area_sample16;
    KvSdkUnusedSlot fill16;
    KvSdkUnusedSlot premultiply_color16;
    KvSdkUnusedSlot iterate16;
    KvSdkUnusedSlot iterate_origin16;
    KvSdkUnusedSlot iterate_origin_non_clip_src16;
    KvSdkUnusedSlot get_pixel_data8;
    KvSdkUnusedSlot get_pixel_data16;
    A_long reserved[1];
};

struct PF_SoundFormatInfo {
    PF_FpLong rateF;
    PF_SoundChannels num_channels;
    PF_SoundFormat format;
    PF_SoundSampleSize sample_size;
};

struct PF_SoundWorld {
    PF_SoundFormatInfo fi;
    A_long num_samples;
    void* dataP;
};

struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_Quality quality;
    PF_SpecVersion version;
    A_long serial_num;
    A_long appl_id;
    A_long num_params;
    A_long reserved;
    A_long what_cpu;
    A_long what_fpu;
    A_long current_time;
    A_long time_step;
    A_long total_time;
    A_long local_time_step;
    A_u_long time_scale;
    PF_Field field;
    PF_Fixed shutter_angle;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    A_long output_origin_x;
    A_long output_origin_y;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    PF_InFlags in_flags;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    A_long start_sampL;
    A_long dur_sampL;
    A_long total_sampL;
    PF_SoundWorld src_snd;
    SPBasicSuite* pica_basicP;
    A_long pre_effect_source_origin_x;
    A_long pre_effect_source_origin_y;
    PF_Fixed shutter_phase;
};

struct PF_OutData {
    A_u_long my_version;
    A_char name[PF_MAX_EFFECT_NAME_LEN + 1];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    A_long flat_sdata_size;
    PF_Handle frame_data;
    A_long width;
    A_long height;
    PF_Point origin;
    PF_OutFlags out_flags;
    A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
    A_long start_sampL;
    A_long dur_sampL;
    PF_SoundWorld dest_snd;
    PF_OutFlags2 out_flags2;
};

// `extra` of PF_Cmd_ARBITRARY_CALLBACK. Every member of `u` starts with the
// refcon given at PARAMS_SETUP.
struct PF_ArbParamsExtra {
    PF_FunctionSelector which_function;
    A_short id;
    A_short padding;
    union {
        struct {
            void* refconPV;
            PF_ArbitraryH* arbPH;
        } new_func_params;
        struct {
            void* refconPV;
            PF_ArbitraryH arbH;
        } dispose_func_params;
        struct {
            void* refconPV;
            PF_ArbitraryH src_arbH;
            PF_ArbitraryH* dst_arbPH;
        } copy_func_params;
        struct {
            void* refconPV;
            PF_ArbitraryH arbH;
            A_u_long* flat_data_sizePLu;
        } flat_size_func_params;
        struct {
            void* refconPV;
            PF_ArbitraryH arbH;
            A_u_long buf_sizeLu;
            void* flat_dataPV;
        } flatten_func_params;
        struct {
            void* refconPV;
            A_u_long buf_sizeLu;
            const void* flat_dataPV;
            PF_ArbitraryH* arbPH;
        } unflatten_func_params;
        struct {
            void* refconPV;
            PF_ArbitraryH left_arbH;
            PF_ArbitraryH right_arbH;
            PF_FpLong tF;
            PF_ArbitraryH* interpPH;
        } interp_func_params;
        struct {
            void* refconPV;
            PF_ArbitraryH a_arbH;
            PF_ArbitraryH b_arbH;
            PF_ArbCompareResult* compareP;
        } compare_func_params;
        struct {
            void* refconPV;
            PF_ArbitraryH arbH;
            A_u_long* print_sizePLu;
        } print_size_func_params;
        struct {
            void* refconPV;
            PF_ArbPrintFlags print_flags;
            PF_ArbitraryH arbH;
            A_u_long print_sizeLu;
            A_char* print_bufferPC;
        } print_func_params;
        struct {
            void* refconPV;
            const A_char* bufPC;
            A_u_long bytes_to_scanLu;
            PF_ArbitraryH* arbPH;
        } scan_func_params;
    } u;
};

// `extra` of PF_Cmd_USER_CHANGED_PARAM.
struct PF_UserChangedParamExtra {
    PF_ParamIndex param_index;
};

// EffectMain.
typedef PF_Err (*PF_FilterProc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamList params,
                                PF_LayerDef* output, void* extra);

// The host's registration callback, called once from PluginDataEntryFunction2.
typedef A_Err (*PF_PluginDataCB2)(PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* match_name,
                                  const A_u_char* category, const A_u_char* entry_point_name, A_long kind,
                                  A_long api_version_major, A_long api_version_minor, A_long reserved_info,
                                  const A_u_char* support_url);

typedef A_Err (*PluginDataEntryFunction2Ptr)(PF_PluginDataPtr inPtr, PF_PluginDataCB2 cb, SPBasicSuite* basic,
                                             const char* host_name, const char* host_version);

static_assert(sizeof(PF_InteractCallbacks) == 176 && alignof(PF_InteractCallbacks) == 8);
static_assert(offsetof(PF_InteractCallbacks, checkin_param) == 8);
static_assert(offsetof(PF_InteractCallbacks, add_param) == 16);
static_assert(offsetof(PF_InteractCallbacks, abort) == 24);
static_assert(offsetof(PF_InteractCallbacks, progress) == 32);
static_assert(offsetof(PF_InteractCallbacks, register_ui) == 40);
static_assert(offsetof(PF_InteractCallbacks, checkout_layer_audio) == 48);
static_assert(offsetof(PF_InteractCallbacks, get_audio_data) == 64);
static_assert(offsetof(PF_InteractCallbacks, reserved_str) == 72);
static_assert(offsetof(PF_InteractCallbacks, reserved) == 96);

static_assert(sizeof(PF_ANSICallbacks) == 160 && offsetof(PF_ANSICallbacks, ansi_procs) == 152);
static_assert(sizeof(PF_ColorCallbacks) == 64);
static_assert(sizeof(PF_UtilCallbacks) == 552 && alignof(PF_UtilCallbacks) == 8);
static_assert(offsetof(PF_UtilCallbacks, get_batch_func_is_deprecated) == 24);
static_assert(offsetof(PF_UtilCallbacks, end_sampling) == 32);
static_assert(offsetof(PF_UtilCallbacks, transform_world) == 152);
static_assert(offsetof(PF_UtilCallbacks, host_new_handle) == 160);
static_assert(offsetof(PF_UtilCallbacks, host_lock_handle) == 168);
static_assert(offsetof(PF_UtilCallbacks, host_unlock_handle) == 176);
static_assert(offsetof(PF_UtilCallbacks, host_dispose_handle) == 184);
static_assert(offsetof(PF_UtilCallbacks, get_callback_addr) == 192);
static_assert(offsetof(PF_UtilCallbacks, app) == 200);
static_assert(offsetof(PF_UtilCallbacks, ansi) == 208);
static_assert(offsetof(PF_UtilCallbacks, colorCB) == 368);
static_assert(offsetof(PF_UtilCallbacks, get_platform_data) == 432);
static_assert(offsetof(PF_UtilCallbacks, host_get_handle_size) == 440);
static_assert(offsetof(PF_UtilCallbacks, iterate_origin_non_clip_src) == 448);
static_assert(offsetof(PF_UtilCallbacks, iterate_generic) == 456);
static_assert(offsetof(PF_UtilCallbacks, host_resize_handle) == 464);
static_assert(offsetof(PF_UtilCallbacks, subpixel_sample16) == 472);
static_assert(offsetof(PF_UtilCallbacks, get_pixel_data16) == 536);
static_assert(offsetof(PF_UtilCallbacks, reserved) == 544);

static_assert(sizeof(PF_SoundFormatInfo) == 16 && alignof(PF_SoundFormatInfo) == 8);
static_assert(offsetof(PF_SoundFormatInfo, num_channels) == 8);
static_assert(offsetof(PF_SoundFormatInfo, format) == 10);
static_assert(offsetof(PF_SoundFormatInfo, sample_size) == 12);
static_assert(sizeof(PF_SoundWorld) == 32 && alignof(PF_SoundWorld) == 8);
static_assert(offsetof(PF_SoundWorld, num_samples) == 16 && offsetof(PF_SoundWorld, dataP) == 24);

static_assert(sizeof(PF_InData) == 408 && alignof(PF_InData) == 8);
static_assert(offsetof(PF_InData, inter.add_param) == 16);
static_assert(offsetof(PF_InData, utils) == 176);
static_assert(offsetof(PF_InData, effect_ref) == 184);
static_assert(offsetof(PF_InData, quality) == 192);
static_assert(offsetof(PF_InData, version) == 196);
static_assert(offsetof(PF_InData, version.major) == 196 && offsetof(PF_InData, version.minor) == 198);
static_assert(offsetof(PF_InData, serial_num) == 200);
static_assert(offsetof(PF_InData, appl_id) == 204);
static_assert(offsetof(PF_InData, num_params) == 208);
static_assert(offsetof(PF_InData, reserved) == 212);
static_assert(offsetof(PF_InData, what_cpu) == 216);
static_assert(offsetof(PF_InData, what_fpu) == 220);
static_assert(offsetof(PF_InData, current_time) == 224);
static_assert(offsetof(PF_InData, time_step) == 228);
static_assert(offsetof(PF_InData, total_time) == 232);
static_assert(offsetof(PF_InData, local_time_step) == 236);
static_assert(offsetof(PF_InData, time_scale) == 240);
static_assert(offsetof(PF_InData, field) == 244);
static_assert(offsetof(PF_InData, shutter_angle) == 248);
static_assert(offsetof(PF_InData, width) == 252);
static_assert(offsetof(PF_InData, height) == 256);
static_assert(offsetof(PF_InData, extent_hint) == 260);
static_assert(offsetof(PF_InData, output_origin_x) == 276);
static_assert(offsetof(PF_InData, output_origin_y) == 280);
static_assert(offsetof(PF_InData, downsample_x) == 284);
static_assert(offsetof(PF_InData, downsample_y) == 292);
static_assert(offsetof(PF_InData, pixel_aspect_ratio) == 300);
static_assert(offsetof(PF_InData, in_flags) == 308);
static_assert(offsetof(PF_InData, global_data) == 312);
static_assert(offsetof(PF_InData, sequence_data) == 320);
static_assert(offsetof(PF_InData, frame_data) == 328);
static_assert(offsetof(PF_InData, start_sampL) == 336);
static_assert(offsetof(PF_InData, dur_sampL) == 340);
static_assert(offsetof(PF_InData, total_sampL) == 344);
static_assert(offsetof(PF_InData, src_snd) == 352);
static_assert(offsetof(PF_InData, pica_basicP) == 384);
static_assert(offsetof(PF_InData, pre_effect_source_origin_x) == 392);
static_assert(offsetof(PF_InData, pre_effect_source_origin_y) == 396);
static_assert(offsetof(PF_InData, shutter_phase) == 400);

static_assert(sizeof(PF_OutData) == 408 && alignof(PF_OutData) == 8);
static_assert(offsetof(PF_OutData, name) == 4 && sizeof(PF_OutData::name) == 32);
static_assert(offsetof(PF_OutData, global_data) == 40);
static_assert(offsetof(PF_OutData, num_params) == 48);
static_assert(offsetof(PF_OutData, sequence_data) == 56);
static_assert(offsetof(PF_OutData, flat_sdata_size) == 64);
static_assert(offsetof(PF_OutData, frame_data) == 72);
static_assert(offsetof(PF_OutData, width) == 80);
static_assert(offsetof(PF_OutData, height) == 84);
static_assert(offsetof(PF_OutData, origin) == 88);
static_assert(offsetof(PF_OutData, out_flags) == 96);
static_assert(offsetof(PF_OutData, return_msg) == 100 && sizeof(PF_OutData::return_msg) == 256);
static_assert(offsetof(PF_OutData, start_sampL) == 356);
static_assert(offsetof(PF_OutData, dur_sampL) == 360);
static_assert(offsetof(PF_OutData, dest_snd) == 368);
static_assert(offsetof(PF_OutData, out_flags2) == 400);

static_assert(sizeof(PF_ArbParamsExtra) == 48 && alignof(PF_ArbParamsExtra) == 8);
static_assert(offsetof(PF_ArbParamsExtra, id) == 4 && offsetof(PF_ArbParamsExtra, padding) == 6);
static_assert(offsetof(PF_ArbParamsExtra, u) == 8 && sizeof(PF_ArbParamsExtra::u) == 40);
static_assert(offsetof(PF_ArbParamsExtra, u.new_func_params.refconPV) == 8);
static_assert(offsetof(PF_ArbParamsExtra, u.new_func_params.arbPH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.dispose_func_params.arbH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.copy_func_params.src_arbH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.copy_func_params.dst_arbPH) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.flat_size_func_params.arbH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.flat_size_func_params.flat_data_sizePLu) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.flatten_func_params.arbH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.flatten_func_params.buf_sizeLu) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.flatten_func_params.flat_dataPV) == 32);
static_assert(offsetof(PF_ArbParamsExtra, u.unflatten_func_params.buf_sizeLu) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.unflatten_func_params.flat_dataPV) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.unflatten_func_params.arbPH) == 32);
static_assert(offsetof(PF_ArbParamsExtra, u.interp_func_params.left_arbH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.interp_func_params.right_arbH) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.interp_func_params.tF) == 32);
static_assert(offsetof(PF_ArbParamsExtra, u.interp_func_params.interpPH) == 40);
static_assert(offsetof(PF_ArbParamsExtra, u.compare_func_params.a_arbH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.compare_func_params.b_arbH) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.compare_func_params.compareP) == 32);
static_assert(offsetof(PF_ArbParamsExtra, u.print_size_func_params.arbH) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.print_size_func_params.print_sizePLu) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.print_func_params.print_flags) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.print_func_params.arbH) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.print_func_params.print_sizeLu) == 32);
static_assert(offsetof(PF_ArbParamsExtra, u.print_func_params.print_bufferPC) == 40);
static_assert(offsetof(PF_ArbParamsExtra, u.scan_func_params.bufPC) == 16);
static_assert(offsetof(PF_ArbParamsExtra, u.scan_func_params.bytes_to_scanLu) == 24);
static_assert(offsetof(PF_ArbParamsExtra, u.scan_func_params.arbPH) == 32);

static_assert(sizeof(PF_UserChangedParamExtra) == 4);
