/* The effect's identity: names, version and global flags, in one place.
 *
 * Read by the C++ code (registration, GLOBAL_SETUP, the about text), by the
 * property-list generator native/resources/make_pipl.py, by the Windows
 * resource compiler and by CMake. A host compares what the property list
 * says with what the module registers and sets at GLOBAL_SETUP, so both
 * must come from here.
 *
 * Only `#define KV_NAME value` lines, where a value is a decimal or 0x
 * number or a "string" without escapes: every reader above parses that much
 * and no more. */
#ifndef KV_EFFECT_IDENTITY_H
#define KV_EFFECT_IDENTITY_H

#define KV_EFFECT_NAME "Kromvale"
#define KV_EFFECT_MATCH_NAME "KRVL Kromvale"
#define KV_EFFECT_CATEGORY "Color Correction"
#define KV_EFFECT_ENTRY_POINT "EffectMain"
#define KV_EFFECT_SUPPORT_URL "https://kromvale.example/support"

/* major.minor, development stage, build: the packed effect version is
 * major << 19 | minor << 15 | bugfix << 11 | stage << 9 | build. */
#define KV_VERSION_MAJOR 1
#define KV_VERSION_MINOR 0
#define KV_VERSION_BUGFIX 0
#define KV_VERSION_STAGE 0
#define KV_VERSION_BUILD 12

/* The effect API version the module is written against. */
#define KV_API_VERSION_MAJOR 13
#define KV_API_VERSION_MINOR 29

/* GLOBAL_SETUP's out_flags and out_flags2 (the property list's eGLO and
 * eGL2). out_flags: PIX_INDEPENDENT | SEND_UPDATE_PARAMS_UI |
 * DEEP_COLOR_AWARE. out_flags2: SUPPORTS_THREADED_RENDERING |
 * SUPPORTS_SMART_RENDER | FLOAT_COLOR_AWARE | SUPPORTS_GPU_RENDER_F32 (the
 * editing host is not told the GPU bit at GLOBAL_SETUP: it renders on the GPU
 * through its own filter entry). EffectGlobal.h checks them against the
 * SDK's named flags. */
#define KV_OUT_FLAGS 0x06000400
#define KV_OUT_FLAGS2 0x0A001400

#endif
