#pragma once
// Pixel worlds and parameter definitions of the hosts' effect SDK. The hosts
// use natural alignment on x64, so plain declarations reproduce their layout;
// the static_asserts pin every size and offset the hosts rely on.

#include "sdk/effect_sdk_constants.h"

struct PF_LRect {
    A_long left;
    A_long top;
    A_long right;
    A_long bottom;
};
typedef PF_LRect PF_Rect;
typedef PF_LRect PF_UnionableRect;

struct PF_Point {
    A_long h;
    A_long v;
};

struct PF_RationalScale {
    A_long num;
    A_u_long den;
};

struct PF_SpecVersion {
    A_short major;
    A_short minor;
};

// After Effects' own pixels are A, R, G, B in memory.
struct PF_Pixel {
    A_u_char alpha;
    A_u_char red;
    A_u_char green;
    A_u_char blue;
};
typedef PF_Pixel PF_Pixel8;

struct PF_Pixel16 {
    A_u_short alpha;
    A_u_short red;
    A_u_short green;
    A_u_short blue;
};

struct PF_PixelFloat {
    PF_FpShort alpha;
    PF_FpShort red;
    PF_FpShort green;
    PF_FpShort blue;
};
typedef PF_PixelFloat PF_Pixel32;

struct PF_LayerDef {
    void* reserved0;
    void* reserved1;
    PF_WorldFlags world_flags;
    PF_PixelPtr data;
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_UnionableRect extent_hint;
    void* platform_ref;
    A_long reserved_long1;
    void* reserved_long4;
    PF_RationalScale pix_aspect_ratio;
    void* reserved_long2;
    A_long origin_x;
    A_long origin_y;
    A_long reserved_long3;
    A_long dephault;
};
typedef PF_LayerDef PF_EffectWorld;

struct PF_FloatSliderDef {
    PF_FpLong value;
    PF_FpLong phase;
    A_char value_desc[PF_MAX_PARAM_DESCRIPTION_LEN + 1];
    PF_FpShort valid_min;
    PF_FpShort valid_max;
    PF_FpShort slider_min;
    PF_FpShort slider_max;
    PF_FpShort dephault;
    A_short precision;
    PF_ValueDisplayFlags display_flags;
    PF_FSliderFlags fs_flags;
    PF_FpShort curve_tolerance;
    PF_Boolean useExponent;
    PF_FpShort exponent;
};

struct PF_ArbitraryDef {
    A_short id;
    A_short pad;
    PF_ArbitraryH dephault;
    PF_ArbitraryH value;
    void* refconPV;
};

struct PF_ButtonDef {
    PF_ParamValue value;
    union {
        const A_char* namesptr;
    } u;
};

struct PF_CheckBoxDef {
    PF_ParamValue value;
    PF_Boolean dephault;
    A_char reserved;
    A_short reserved1;
    union {
        const A_char* nameptr;
    } u;
};

struct PF_PopupDef {
    PF_ParamValue value;
    A_short num_choices;
    A_short dephault;
    union {
        const A_char* namesptr;
    } u;
};

// Parameter kinds the module never defines or reads: only their sizes matter,
// as members of the parameter union.
struct PF_SliderDef {
    A_long opaque[22];
};
struct PF_FixedSliderDef {
    A_long opaque[23];
};
struct PF_AngleDef {
    PF_Fixed opaque[4];
};
struct PF_ColorDef {
    PF_Pixel value;
    PF_Pixel dephault;
};
struct PF_PointDef {
    A_long opaque[5];
};
struct PF_PathDef {
    A_long opaque[3];
};
struct PF_Point3DDef {
    PF_FpLong opaque[8];
};

union PF_ParamDefUnion {
    PF_LayerDef ld;
    PF_SliderDef sd;
    PF_FixedSliderDef fd;
    PF_AngleDef ad;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PointDef td;
    PF_PopupDef pd;
    PF_FloatSliderDef fs_d;
    PF_ArbitraryDef arb_d;
    PF_PathDef path_d;
    PF_ButtonDef button_d;
    PF_Point3DDef point3d_d;
};

struct PF_ParamDef {
    union {
        A_long id;
        PF_ChangeFlags change_flags;
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
    PF_ParamFlags flags;
    A_long unused;
    PF_ParamDefUnion u;
};
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamDefH;
// argv-style: params[0] is the input layer, the last entry is null.
typedef PF_ParamDef** PF_ParamList;

static_assert(sizeof(PF_LRect) == 16 && alignof(PF_LRect) == 4);
static_assert(sizeof(PF_Point) == 8 && sizeof(PF_RationalScale) == 8 && alignof(PF_RationalScale) == 4);
static_assert(sizeof(PF_SpecVersion) == 4 && alignof(PF_SpecVersion) == 2);
static_assert(sizeof(PF_Pixel) == 4 && alignof(PF_Pixel) == 1);
static_assert(sizeof(PF_Pixel16) == 8 && alignof(PF_Pixel16) == 2);
static_assert(sizeof(PF_PixelFloat) == 16 && alignof(PF_PixelFloat) == 4);

static_assert(sizeof(PF_LayerDef) == 120 && alignof(PF_LayerDef) == 8);
static_assert(offsetof(PF_LayerDef, reserved1) == 8);
static_assert(offsetof(PF_LayerDef, world_flags) == 16);
static_assert(offsetof(PF_LayerDef, data) == 24);
static_assert(offsetof(PF_LayerDef, rowbytes) == 32);
static_assert(offsetof(PF_LayerDef, width) == 36);
static_assert(offsetof(PF_LayerDef, height) == 40);
static_assert(offsetof(PF_LayerDef, extent_hint) == 44);
static_assert(offsetof(PF_LayerDef, platform_ref) == 64);
static_assert(offsetof(PF_LayerDef, reserved_long1) == 72);
static_assert(offsetof(PF_LayerDef, reserved_long4) == 80);
static_assert(offsetof(PF_LayerDef, pix_aspect_ratio) == 88);
static_assert(offsetof(PF_LayerDef, reserved_long2) == 96);
static_assert(offsetof(PF_LayerDef, origin_x) == 104);
static_assert(offsetof(PF_LayerDef, origin_y) == 108);
static_assert(offsetof(PF_LayerDef, reserved_long3) == 112);
static_assert(offsetof(PF_LayerDef, dephault) == 116);

static_assert(sizeof(PF_FloatSliderDef) == 88 && alignof(PF_FloatSliderDef) == 8);
static_assert(offsetof(PF_FloatSliderDef, phase) == 8);
static_assert(offsetof(PF_FloatSliderDef, value_desc) == 16);
static_assert(offsetof(PF_FloatSliderDef, valid_min) == 48);
static_assert(offsetof(PF_FloatSliderDef, valid_max) == 52);
static_assert(offsetof(PF_FloatSliderDef, slider_min) == 56);
static_assert(offsetof(PF_FloatSliderDef, slider_max) == 60);
static_assert(offsetof(PF_FloatSliderDef, dephault) == 64);
static_assert(offsetof(PF_FloatSliderDef, precision) == 68);
static_assert(offsetof(PF_FloatSliderDef, display_flags) == 70);
static_assert(offsetof(PF_FloatSliderDef, fs_flags) == 72);
static_assert(offsetof(PF_FloatSliderDef, curve_tolerance) == 76);
static_assert(offsetof(PF_FloatSliderDef, useExponent) == 80);
static_assert(offsetof(PF_FloatSliderDef, exponent) == 84);

static_assert(sizeof(PF_ArbitraryDef) == 32 && alignof(PF_ArbitraryDef) == 8);
static_assert(offsetof(PF_ArbitraryDef, pad) == 2);
static_assert(offsetof(PF_ArbitraryDef, dephault) == 8);
static_assert(offsetof(PF_ArbitraryDef, value) == 16);
static_assert(offsetof(PF_ArbitraryDef, refconPV) == 24);

static_assert(sizeof(PF_ButtonDef) == 16 && offsetof(PF_ButtonDef, u.namesptr) == 8);
static_assert(sizeof(PF_CheckBoxDef) == 16);
static_assert(offsetof(PF_CheckBoxDef, dephault) == 4 && offsetof(PF_CheckBoxDef, reserved) == 5);
static_assert(offsetof(PF_CheckBoxDef, reserved1) == 6 && offsetof(PF_CheckBoxDef, u.nameptr) == 8);
static_assert(sizeof(PF_PopupDef) == 16);
static_assert(offsetof(PF_PopupDef, num_choices) == 4 && offsetof(PF_PopupDef, dephault) == 6);
static_assert(offsetof(PF_PopupDef, u.namesptr) == 8);
static_assert(sizeof(PF_SliderDef) == 88 && sizeof(PF_FixedSliderDef) == 92);
static_assert(sizeof(PF_AngleDef) == 16 && sizeof(PF_ColorDef) == 8 && sizeof(PF_PointDef) == 20);
static_assert(sizeof(PF_PathDef) == 12 && sizeof(PF_Point3DDef) == 64);

static_assert(sizeof(PF_ParamDefUnion) == 120 && alignof(PF_ParamDefUnion) == 8);
static_assert(sizeof(PF_ParamDef) == 176 && alignof(PF_ParamDef) == 8);
static_assert(offsetof(PF_ParamDef, uu) == 0 && sizeof(PF_ParamDef::uu) == 4);
static_assert(offsetof(PF_ParamDef, ui_flags) == 4);
static_assert(offsetof(PF_ParamDef, ui_width) == 8);
static_assert(offsetof(PF_ParamDef, ui_height) == 10);
static_assert(offsetof(PF_ParamDef, param_type) == 12);
static_assert(offsetof(PF_ParamDef, name) == 16 && sizeof(PF_ParamDef::name) == 32);
static_assert(offsetof(PF_ParamDef, flags) == 48);
static_assert(offsetof(PF_ParamDef, unused) == 52);
static_assert(offsetof(PF_ParamDef, u) == 56);
static_assert(offsetof(PF_ParamDef, u.ld.data) == 80);
static_assert(offsetof(PF_ParamDef, u.ld.rowbytes) == 88);
static_assert(offsetof(PF_ParamDef, u.ld.width) == 92);
static_assert(offsetof(PF_ParamDef, u.ld.height) == 96);
static_assert(offsetof(PF_ParamDef, u.fs_d.value) == 56);
static_assert(offsetof(PF_ParamDef, u.fs_d.valid_min) == 104);
static_assert(offsetof(PF_ParamDef, u.fs_d.dephault) == 120);
static_assert(offsetof(PF_ParamDef, u.fs_d.precision) == 124);
static_assert(offsetof(PF_ParamDef, u.fs_d.display_flags) == 126);
static_assert(offsetof(PF_ParamDef, u.fs_d.fs_flags) == 128);
static_assert(offsetof(PF_ParamDef, u.arb_d.id) == 56);
static_assert(offsetof(PF_ParamDef, u.arb_d.dephault) == 64);
static_assert(offsetof(PF_ParamDef, u.arb_d.value) == 72);
static_assert(offsetof(PF_ParamDef, u.arb_d.refconPV) == 80);
static_assert(offsetof(PF_ParamDef, u.button_d.value) == 56);
static_assert(offsetof(PF_ParamDef, u.button_d.u.namesptr) == 64);
