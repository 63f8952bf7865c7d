#pragma once
// Numbers of the hosts' effect SDK: versions, commands, error codes, flags,
// parameter kinds and the arbitrary-data selectors.

#include "sdk/effect_sdk_types.h"

// Packs an effect version the way the hosts decode it: build 9 bits, stage 2,
// bug-fix 4, sub-version 4, version low 3 bits at 19 and high 4 bits at 26.
constexpr A_u_long PF_VERSION(A_u_long vers, A_u_long subvers, A_u_long bugfix, A_u_long stage,
                              A_u_long build) {
    return ((vers >> 3) & 15u) << 26 | (vers & 7u) << 19 | (subvers & 15u) << 15 |
           (bugfix & 15u) << 11 | (stage & 3u) << 9 | (build & 511u);
}

constexpr A_long PF_PLUG_IN_VERSION = 13;
constexpr A_long PF_PLUG_IN_SUBVERS = 28;
constexpr A_long PF_AE_PLUG_IN_VERSION = 13;
constexpr A_long PF_AE_PLUG_IN_SUBVERS = 28;
constexpr A_long PF_AE220_PLUG_IN_VERSION = 13;
constexpr A_long PF_AE220_PLUG_IN_SUBVERS = 27;

// PF_InData::appl_id of the two hosts. The plug-in guide documents these;
// the SDK headers give them no names.
constexpr A_long kApplIdAfterEffects = 0x46585443;  // 'FXTC'
constexpr A_long kApplIdPremiere = 0x50724D72;      // 'PrMr'

constexpr A_u_long PF_Stage_DEVELOP = 0;
constexpr A_u_long PF_Stage_ALPHA = 1;
constexpr A_u_long PF_Stage_BETA = 2;
constexpr A_u_long PF_Stage_RELEASE = 3;

static_assert(PF_VERSION(1, 0, 0, PF_Stage_DEVELOP, 1) == 0x00080001);
static_assert(PF_VERSION(1, 0, 0, PF_Stage_RELEASE, 0) == 0x00080600);
static_assert(PF_VERSION(2, 4, 0, PF_Stage_DEVELOP, 1) == 0x00120001);
static_assert(PF_VERSION(13, 28, 0, PF_Stage_RELEASE, 0) == 0x042E0600);
static_assert(PF_VERSION(17, 3, 5, PF_Stage_BETA, 100) == 0x0809AC64);

constexpr A_long PF_MAX_EFFECT_NAME_LEN = 31;
constexpr A_long PF_MAX_EFFECT_CATEGORY_NAME_LEN = 31;
constexpr A_long PF_MAX_EFFECT_PARAM_NAME_LEN = 31;
constexpr A_long PF_MAX_PARAM_DESCRIPTION_LEN = 31;
constexpr A_long PF_MAX_PARAM_VALUE_LEN = 31;
constexpr A_long PF_MAX_EFFECT_MSG_LEN = 255;
constexpr A_long PF_MAX_WORLD_WIDTH = 30000;
constexpr A_long PF_MAX_WORLD_HEIGHT = 30000;
constexpr A_long PF_FIRST_ERR = 512;

// Registration: the kind of an effect, the reserved info word and the entry
// point name that the property list and the registration call both carry.
constexpr A_long PF_Kind_EFFECT = KvSdkFourCC('e', 'F', 'K', 'T');
constexpr A_long AE_RESERVED_INFO = 8;
#define AE_ENTRY_POINT "EffectMain"

// Application ids in PF_InData::appl_id.
constexpr A_long PF_ApplId_AFTER_EFFECTS = KvSdkFourCC('F', 'X', 'T', 'C');
constexpr A_long PF_ApplId_PREMIERE = KvSdkFourCC('P', 'r', 'M', 'r');
static_assert(PF_ApplId_AFTER_EFFECTS == 1180193859 && PF_ApplId_PREMIERE == 1349668210);

constexpr PF_Cmd PF_Cmd_ABOUT = 0;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETUP = 1;
constexpr PF_Cmd PF_Cmd_UNUSED_0 = 2;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETDOWN = 3;
constexpr PF_Cmd PF_Cmd_PARAMS_SETUP = 4;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETUP = 5;
constexpr PF_Cmd PF_Cmd_SEQUENCE_RESETUP = 6;
constexpr PF_Cmd PF_Cmd_SEQUENCE_FLATTEN = 7;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETDOWN = 8;
constexpr PF_Cmd PF_Cmd_DO_DIALOG = 9;
constexpr PF_Cmd PF_Cmd_FRAME_SETUP = 10;
constexpr PF_Cmd PF_Cmd_RENDER = 11;
constexpr PF_Cmd PF_Cmd_FRAME_SETDOWN = 12;
constexpr PF_Cmd PF_Cmd_USER_CHANGED_PARAM = 13;
constexpr PF_Cmd PF_Cmd_UPDATE_PARAMS_UI = 14;
constexpr PF_Cmd PF_Cmd_EVENT = 15;
constexpr PF_Cmd PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16;
constexpr PF_Cmd PF_Cmd_COMPLETELY_GENERAL = 17;
constexpr PF_Cmd PF_Cmd_QUERY_DYNAMIC_FLAGS = 18;
constexpr PF_Cmd PF_Cmd_AUDIO_RENDER = 19;
constexpr PF_Cmd PF_Cmd_AUDIO_SETUP = 20;
constexpr PF_Cmd PF_Cmd_AUDIO_SETDOWN = 21;
constexpr PF_Cmd PF_Cmd_ARBITRARY_CALLBACK = 22;
constexpr PF_Cmd PF_Cmd_SMART_PRE_RENDER = 23;
constexpr PF_Cmd PF_Cmd_SMART_RENDER = 24;
constexpr PF_Cmd PF_Cmd_RESERVED1 = 25;
constexpr PF_Cmd PF_Cmd_RESERVED2 = 26;
constexpr PF_Cmd PF_Cmd_RESERVED3 = 27;
constexpr PF_Cmd PF_Cmd_GET_FLATTENED_SEQUENCE_DATA = 28;
constexpr PF_Cmd PF_Cmd_TRANSLATE_PARAMS_TO_PREFS = 29;
constexpr PF_Cmd PF_Cmd_RESERVED4 = 30;
constexpr PF_Cmd PF_Cmd_SMART_RENDER_GPU = 31;
constexpr PF_Cmd PF_Cmd_GPU_DEVICE_SETUP = 32;
constexpr PF_Cmd PF_Cmd_GPU_DEVICE_SETDOWN = 33;
constexpr PF_Cmd PF_Cmd_NUM_CMDS = 34;

constexpr PF_Err PF_Err_NONE = 0;
constexpr PF_Err PF_Err_OUT_OF_MEMORY = 4;
constexpr PF_Err PF_Err_INTERNAL_STRUCT_DAMAGED = 512;
constexpr PF_Err PF_Err_INVALID_INDEX = 513;
constexpr PF_Err PF_Err_UNRECOGNIZED_PARAM_TYPE = 514;
constexpr PF_Err PF_Err_INVALID_CALLBACK = 515;
constexpr PF_Err PF_Err_BAD_CALLBACK_PARAM = 516;
constexpr PF_Err PF_Interrupt_CANCEL = 517;
constexpr PF_Err PF_Err_CANNOT_PARSE_KEYFRAME_TEXT = 518;

constexpr A_Err A_Err_NONE = 0;
constexpr A_Err A_Err_GENERIC = 1;
constexpr A_Err A_Err_STRUCT = 2;
constexpr A_Err A_Err_PARAMETER = 3;
constexpr A_Err A_Err_ALLOC = 4;
constexpr A_Err A_Err_MISSING_SUITE = 13;

constexpr SPErr kSPNoError = 0;
constexpr SPErr kSPSuiteNotFoundError = KvSdkFourCC('S', '!', 'F', 'd');
constexpr SPErr kSPBadParameterError = KvSdkFourCC('P', 'a', 'r', 'm');
constexpr SPErr kSPUnimplementedError = KvSdkFourCC('!', 'I', 'M', 'P');
static_assert(kSPSuiteNotFoundError == 1394689636 && kSPBadParameterError == 1348563565 &&
              kSPUnimplementedError == 558452048);

constexpr PF_OutFlags PF_OutFlag_NONE = 0;
constexpr PF_OutFlags PF_OutFlag_KEEP_RESOURCE_OPEN = 1 << 0;
constexpr PF_OutFlags PF_OutFlag_WIDE_TIME_INPUT = 1 << 1;
constexpr PF_OutFlags PF_OutFlag_NON_PARAM_VARY = 1 << 2;
constexpr PF_OutFlags PF_OutFlag_RESERVED6 = 1 << 3;
constexpr PF_OutFlags PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 1 << 4;
constexpr PF_OutFlags PF_OutFlag_I_DO_DIALOG = 1 << 5;
constexpr PF_OutFlags PF_OutFlag_USE_OUTPUT_EXTENT = 1 << 6;
constexpr PF_OutFlags PF_OutFlag_SEND_DO_DIALOG = 1 << 7;
constexpr PF_OutFlags PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8;
constexpr PF_OutFlags PF_OutFlag_I_EXPAND_BUFFER = 1 << 9;
constexpr PF_OutFlags PF_OutFlag_PIX_INDEPENDENT = 1 << 10;
constexpr PF_OutFlags PF_OutFlag_I_WRITE_INPUT_BUFFER = 1 << 11;
constexpr PF_OutFlags PF_OutFlag_I_SHRINK_BUFFER = 1 << 12;
constexpr PF_OutFlags PF_OutFlag_WORKS_IN_PLACE = 1 << 13;
constexpr PF_OutFlags PF_OutFlag_RESERVED8 = 1 << 14;
constexpr PF_OutFlags PF_OutFlag_CUSTOM_UI = 1 << 15;
constexpr PF_OutFlags PF_OutFlag_RESERVED7 = 1 << 16;
constexpr PF_OutFlags PF_OutFlag_REFRESH_UI = 1 << 17;
constexpr PF_OutFlags PF_OutFlag_NOP_RENDER = 1 << 18;
constexpr PF_OutFlags PF_OutFlag_I_USE_SHUTTER_ANGLE = 1 << 19;
constexpr PF_OutFlags PF_OutFlag_I_USE_AUDIO = 1 << 20;
constexpr PF_OutFlags PF_OutFlag_I_AM_OBSOLETE = 1 << 21;
constexpr PF_OutFlags PF_OutFlag_FORCE_RERENDER = 1 << 22;
constexpr PF_OutFlags PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS = 1 << 23;
constexpr PF_OutFlags PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES = 1 << 24;
constexpr PF_OutFlags PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25;
constexpr PF_OutFlags PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 26;
constexpr PF_OutFlags PF_OutFlag_AUDIO_FLOAT_ONLY = 1 << 27;
constexpr PF_OutFlags PF_OutFlag_AUDIO_IIR = 1 << 28;
constexpr PF_OutFlags PF_OutFlag_I_SYNTHESIZE_AUDIO = 1 << 29;
constexpr PF_OutFlags PF_OutFlag_AUDIO_EFFECT_TOO = 1 << 30;
constexpr PF_OutFlags PF_OutFlag_AUDIO_EFFECT_ONLY = INT32_MIN;  // bit 31

constexpr PF_OutFlags2 PF_OutFlag2_NONE = 0;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS = 1 << 0;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_3D_CAMERA = 1 << 1;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_3D_LIGHTS = 1 << 2;
constexpr PF_OutFlags2 PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG = 1 << 3;
constexpr PF_OutFlags2 PF_OutFlag2_I_AM_THREADSAFE = 1 << 4;
constexpr PF_OutFlags2 PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION = 1 << 5;
constexpr PF_OutFlags2 PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS = 1 << 6;
constexpr PF_OutFlags2 PF_OutFlag2_REVEALS_ZERO_ALPHA = 1 << 7;
constexpr PF_OutFlags2 PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS = 1 << 8;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10;
constexpr PF_OutFlags2 PF_OutFlag2_RESERVED9 = 1 << 11;
constexpr PF_OutFlags2 PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_COLORSPACE_ENUMERATION = 1 << 13;
constexpr PF_OutFlags2 PF_OutFlag2_I_AM_DEPRECATED = 1 << 14;
constexpr PF_OutFlags2 PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER = 1 << 15;
constexpr PF_OutFlags2 PF_OutFlag2_RESERVED10 = 1 << 16;
constexpr PF_OutFlags2 PF_OutFlag2_AUTOMATIC_WIDE_TIME_INPUT = 1 << 17;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_TIMECODE = 1 << 18;
constexpr PF_OutFlags2 PF_OutFlag2_DEPENDS_ON_UNREFERENCED_MASKS = 1 << 19;
constexpr PF_OutFlags2 PF_OutFlag2_OUTPUT_IS_WATERMARKED = 1 << 20;
constexpr PF_OutFlags2 PF_OutFlag2_I_MIX_GUID_DEPENDENCIES = 1 << 21;
constexpr PF_OutFlags2 PF_OutFlag2_AE13_5_THREADSAFE = 1 << 22;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA = 1 << 23;
constexpr PF_OutFlags2 PF_OutFlag2_CUSTOM_UI_ASYNC_MANAGER = 1 << 24;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_GPU_RENDER_F32 = 1 << 25;
constexpr PF_OutFlags2 PF_OutFlag2_RESERVED12 = 1 << 26;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_THREADED_RENDERING = 1 << 27;
constexpr PF_OutFlags2 PF_OutFlag2_MUTABLE_RENDER_SEQUENCE_DATA_SLOWER = 1 << 28;

static_assert(PF_OutFlag_SEND_UPDATE_PARAMS_UI == 67108864 && PF_OutFlag_FORCE_RERENDER == 4194304);
static_assert(PF_OutFlag2_SUPPORTS_THREADED_RENDERING == 134217728);

constexpr PF_InFlags PF_InFlag_NONE = 0;
constexpr PF_InFlags PF_InFlag_PROJECT_IS_RENDER_ONLY = 1;

constexpr PF_ParamType PF_Param_RESERVED = -1;
constexpr PF_ParamType PF_Param_LAYER = 0;
constexpr PF_ParamType PF_Param_SLIDER = 1;
constexpr PF_ParamType PF_Param_FIX_SLIDER = 2;
constexpr PF_ParamType PF_Param_ANGLE = 3;
constexpr PF_ParamType PF_Param_CHECKBOX = 4;
constexpr PF_ParamType PF_Param_COLOR = 5;
constexpr PF_ParamType PF_Param_POINT = 6;
constexpr PF_ParamType PF_Param_POPUP = 7;
constexpr PF_ParamType PF_Param_CUSTOM = 8;
constexpr PF_ParamType PF_Param_NO_DATA = 9;
constexpr PF_ParamType PF_Param_FLOAT_SLIDER = 10;
constexpr PF_ParamType PF_Param_ARBITRARY_DATA = 11;
constexpr PF_ParamType PF_Param_PATH = 12;
constexpr PF_ParamType PF_Param_GROUP_START = 13;
constexpr PF_ParamType PF_Param_GROUP_END = 14;
constexpr PF_ParamType PF_Param_BUTTON = 15;
constexpr PF_ParamType PF_Param_RESERVED2 = 16;
constexpr PF_ParamType PF_Param_RESERVED3 = 17;
constexpr PF_ParamType PF_Param_POINT_3D = 18;

constexpr PF_ParamFlags PF_ParamFlag_RESERVED1 = 1 << 0;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_TIME_VARY = 1 << 1;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_INTERP = 1 << 2;
constexpr PF_ParamFlags PF_ParamFlag_RESERVED2 = 1 << 3;
constexpr PF_ParamFlags PF_ParamFlag_RESERVED3 = 1 << 4;
constexpr PF_ParamFlags PF_ParamFlag_COLLAPSE_TWIRLY = 1 << 5;
constexpr PF_ParamFlags PF_ParamFlag_SUPERVISE = 1 << 6;
constexpr PF_ParamFlags PF_ParamFlag_START_COLLAPSED = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS = 1 << 7;
constexpr PF_ParamFlags PF_ParamFlag_LAYER_PARAM_IS_TRACKMATTE = 1 << 7;
constexpr PF_ParamFlags PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED = 1 << 8;
constexpr PF_ParamFlags PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 1 << 9;

constexpr PF_ParamUIFlags PF_PUI_NONE = 0;
constexpr PF_ParamUIFlags PF_PUI_TOPIC = 1 << 0;
constexpr PF_ParamUIFlags PF_PUI_CONTROL = 1 << 1;
constexpr PF_ParamUIFlags PF_PUI_STD_CONTROL_ONLY = 1 << 2;
constexpr PF_ParamUIFlags PF_PUI_NO_ECW_UI = 1 << 3;
constexpr PF_ParamUIFlags PF_PUI_ECW_SEPARATOR = 1 << 4;
constexpr PF_ParamUIFlags PF_PUI_DISABLED = 1 << 5;
constexpr PF_ParamUIFlags PF_PUI_DONT_ERASE_TOPIC = 1 << 6;
constexpr PF_ParamUIFlags PF_PUI_DONT_ERASE_CONTROL = 1 << 7;
constexpr PF_ParamUIFlags PF_PUI_RADIO_BUTTON = 1 << 8;
constexpr PF_ParamUIFlags PF_PUI_INVISIBLE = 1 << 9;

constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_NONE = 0;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PERCENT = 1;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PIXEL = 2;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_RESERVED1 = 4;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_REVERSE = 8;

constexpr PF_FSliderFlags PF_FSliderFlag_NONE = 0;
constexpr PF_FSliderFlags PF_FSliderFlag_WANT_PHASE = 1;

constexpr PF_ChangeFlags PF_ChangeFlag_NONE = 0;
constexpr PF_ChangeFlags PF_ChangeFlag_CHANGED_VALUE = 1;
constexpr PF_ChangeFlags PF_ChangeFlag_RESERVED = 2;
constexpr PF_ChangeFlags PF_ChangeFlag_SET_TO_VARY = 4;
constexpr PF_ChangeFlags PF_ChangeFlag_SET_TO_CONSTANT = 8;

constexpr PF_FunctionSelector PF_Arbitrary_NEW_FUNC = 0;
constexpr PF_FunctionSelector PF_Arbitrary_DISPOSE_FUNC = 1;
constexpr PF_FunctionSelector PF_Arbitrary_COPY_FUNC = 2;
constexpr PF_FunctionSelector PF_Arbitrary_FLAT_SIZE_FUNC = 3;
constexpr PF_FunctionSelector PF_Arbitrary_FLATTEN_FUNC = 4;
constexpr PF_FunctionSelector PF_Arbitrary_UNFLATTEN_FUNC = 5;
constexpr PF_FunctionSelector PF_Arbitrary_INTERP_FUNC = 6;
constexpr PF_FunctionSelector PF_Arbitrary_COMPARE_FUNC = 7;
constexpr PF_FunctionSelector PF_Arbitrary_PRINT_SIZE_FUNC = 8;
constexpr PF_FunctionSelector PF_Arbitrary_PRINT_FUNC = 9;
constexpr PF_FunctionSelector PF_Arbitrary_SCAN_FUNC = 10;

constexpr PF_ArbCompareResult PF_ArbCompare_EQUAL = 0;
constexpr PF_ArbCompareResult PF_ArbCompare_LESS = 1;
constexpr PF_ArbCompareResult PF_ArbCompare_MORE = 2;
constexpr PF_ArbCompareResult PF_ArbCompare_NOT_EQUAL = 3;

constexpr PF_ArbPrintFlags PF_ArbPrint_NONE = 0;
constexpr PF_ArbPrintFlags PF_ArbPrint_ABBREVIATED = 1;

constexpr PF_PlatDataID PF_PlatData_MAIN_WND = 0;
constexpr PF_PlatDataID PF_PlatData_EXE_FILE_PATH_DEPRECATED = 1;
constexpr PF_PlatDataID PF_PlatData_RES_FILE_PATH_DEPRECATED = 2;
constexpr PF_PlatDataID PF_PlatData_RES_REFNUM = 3;
constexpr PF_PlatDataID PF_PlatData_RES_DLLINSTANCE = 4;
constexpr PF_PlatDataID PF_PlatData_SP_PLUG_REF = 5;
constexpr PF_PlatDataID PF_PlatData_BUNDLE_REF = 6;
constexpr PF_PlatDataID PF_PlatData_EXE_FILE_PATH_W = 7;
constexpr PF_PlatDataID PF_PlatData_RES_FILE_PATH_W = 8;
constexpr A_long AEFX_MAX_PATH = 260;

constexpr A_long PF_LayerDefault_MYSELF = -1;
constexpr A_long PF_LayerDefault_NONE = 0;
constexpr PF_Quality PF_Quality_DRAWING_AUDIO = -1;
constexpr PF_Quality PF_Quality_LO = 0;
constexpr PF_Quality PF_Quality_HI = 1;
constexpr PF_Field PF_Field_FRAME = 0;
constexpr PF_Field PF_Field_UPPER = 1;
constexpr PF_Field PF_Field_LOWER = 2;
constexpr PF_WorldFlags PF_WorldFlag_DEEP = 1;
constexpr PF_WorldFlags PF_WorldFlag_WRITEABLE = 2;
constexpr PF_ModeFlags PF_MF_Alpha_PREMUL = 0;
constexpr PF_ModeFlags PF_MF_Alpha_STRAIGHT = 1;
constexpr PF_NewWorldFlags PF_NewWorldFlag_NONE = 0;
constexpr PF_NewWorldFlags PF_NewWorldFlag_CLEAR_PIXELS = 1;
constexpr PF_NewWorldFlags PF_NewWorldFlag_DEEP_PIXELS = 2;
constexpr A_long PF_GPU_Framework_NONE = 0;
constexpr A_long PF_GPU_Framework_OPENCL = 1;
constexpr A_long PF_GPU_Framework_METAL = 2;
constexpr A_long PF_GPU_Framework_CUDA = 3;

constexpr PF_TimeDir PF_TimeDir_GREATER_THAN = 0x0;
constexpr PF_TimeDir PF_TimeDir_LESS_THAN = 0x1;
constexpr PF_TimeDir PF_TimeDir_GREATER_THAN_OR_EQUAL = 0x1000;
constexpr PF_TimeDir PF_TimeDir_LESS_THAN_OR_EQUAL = 0x1001;
