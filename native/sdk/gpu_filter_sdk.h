#pragma once
// The editing host's GPU filter interface: the exported entry, the instance
// and render records, the filter's function table and the legacy suites
// record through which the basic suite is reached. All byte-packed.

#include "sdk/effect_sdk_suites.h"
#include "sdk/premiere_sdk_types.h"

struct prFileSpec;
struct prTimebaseRec;

#pragma pack(push, 1)

struct PlugUtilFuncs {
    void* unused1;
    void (*getSerialNumber)(char* buffer);
    csSDK_int32 (*getFileTimebase)(prFileSpec* file, csSDK_int32 audio_only, prTimebaseRec* timebase);
    KvSdkUnusedSlot getFileVideo;
    KvSdkUnusedSlot getFileAudioSecond;
    void* unused2;
    csSDK_int32 (*getFileVideoBounds)(prFileSpec* file, prRect* bounds);
    SPBasicSuite* (*getSPBasicSuite)(void);
    csSDK_int32 (*getFileExtString)(csSDK_uint32 file_types, char* buffer, csSDK_uint32 buffer_size);
};
typedef PlugUtilFuncs* PlugUtilFuncsPtr;

// The other four legacy tables are never called: opaque.
typedef struct PlugMemoryFuncs* PlugMemoryFuncsPtr;
typedef struct PlugWindowFuncs* PlugWindowFuncsPtr;
typedef struct PlugppixFuncs* PlugppixFuncsPtr;
typedef struct PlugTimelineFuncs* PlugTimelineFuncsPtr;

struct piSuites {
    int piInterfaceVer;
    PlugMemoryFuncsPtr memFuncs;
    PlugWindowFuncsPtr windFuncs;
    PlugppixFuncsPtr ppixFuncs;
    PlugUtilFuncsPtr utilFuncs;
    PlugTimelineFuncsPtr timelineFuncs;
};
typedef piSuites* piSuitesPtr;

struct PrGPUFilterInfo {
    csSDK_uint32 outInterfaceVersion;
    // Left zeroed, the host takes the module's property-list match name.
    PrSDKString outMatchName;
};

struct PrGPUFilterInstance {
    piSuitesPtr piSuites;
    csSDK_uint32 inDeviceIndex;
    PrTimelineID inTimelineID;
    csSDK_int32 inNodeID;
    void* ioPrivatePluginData;  // the plug-in's own; the host never touches it
    prBool outIsRealtime;
};

struct PrGPUFilterRenderParams {
    PrTime inClipTime;
    PrTime inSequenceTime;
    PrRenderQuality inQuality;
    float inDownsampleFactorX;
    float inDownsampleFactorY;
    csSDK_uint32 inRenderWidth;
    csSDK_uint32 inRenderHeight;
    csSDK_uint32 inRenderPARNum;
    csSDK_uint32 inRenderPARDen;
    prFieldType inRenderFieldType;
    PrTime inRenderTicksPerFrame;
    pmFieldDisplay inRenderField;
};

struct PrGPUFilterFrameDependency {
    PrGPUFilterFrameDependencyType outDependencyType;
    csSDK_int32 outTrackID;
    PrTime outSequenceTime;
    PrPixelFormat outPrecomputePixelFormat;
    csSDK_uint32 outPrecomputeFrameWidth;
    csSDK_uint32 outPrecomputeFrameHeight;
    csSDK_uint32 outPrecomputeFramePARNumerator;
    csSDK_uint32 outPrecomputeFramePARDenominator;
    prFieldType outPrecomputeFrameFieldType;
    csSDK_size_t outPrecomputeCustomDataSize;
    prBool outNeedsFieldSeparation;
    prBool outReadIncomingTransition;
};

// Filled by the plug-in at start-up. A failing CreateInstance makes the host
// render that node in software for this parameter set.
struct PrGPUFilter {
    prSuiteError (*CreateInstance)(PrGPUFilterInstance* instance);
    prSuiteError (*DisposeInstance)(PrGPUFilterInstance* instance);
    prSuiteError (*GetFrameDependencies)(PrGPUFilterInstance* instance, const PrGPUFilterRenderParams* params,
                                         csSDK_int32* query_index, PrGPUFilterFrameDependency* dependency);
    prSuiteError (*Precompute)(PrGPUFilterInstance* instance, const PrGPUFilterRenderParams* params,
                               csSDK_int32 index, PPixHand frame);
    // frames[0] is the input at the current time.
    prSuiteError (*Render)(PrGPUFilterInstance* instance, const PrGPUFilterRenderParams* params,
                           const PPixHand* frames, csSDK_size_t frame_count, PPixHand* out_frame);
};

#pragma pack(pop)

typedef prSuiteError (*PrGPUFilterEntry)(csSDK_uint32 host_interface_version, csSDK_int32* io_index,
                                         prBool startup, piSuitesPtr suites, PrGPUFilter* out_filter,
                                         PrGPUFilterInfo* out_info);

#define PrGPUFilterEntryPointName "xGPUFilterEntry"
constexpr csSDK_uint32 PrSDKGPUFilterInterfaceVersion1 = 1;
constexpr csSDK_uint32 PrSDKGPUFilterInterfaceVersion2 = 2;
constexpr csSDK_uint32 PrSDKGPUFilterInterfaceVersion = PrSDKGPUFilterInterfaceVersion2;
constexpr int PR_PISUITES_VERSION = 9;

constexpr PrGPUFilterFrameDependencyType PrGPUDependency_InputFrame = 1;
constexpr PrGPUFilterFrameDependencyType PrGPUDependency_Precompute = 2;
constexpr PrGPUFilterFrameDependencyType PrGPUDependency_FieldSeparation = 4;
constexpr PrGPUFilterFrameDependencyType PrGPUDependency_TransitionInputFrame = 8;

static_assert(sizeof(PlugUtilFuncs) == 72 && alignof(PlugUtilFuncs) == 1);
static_assert(offsetof(PlugUtilFuncs, getSerialNumber) == 8);
static_assert(offsetof(PlugUtilFuncs, unused2) == 40);
static_assert(offsetof(PlugUtilFuncs, getFileVideoBounds) == 48);
static_assert(offsetof(PlugUtilFuncs, getSPBasicSuite) == 56);
static_assert(offsetof(PlugUtilFuncs, getFileExtString) == 64);

static_assert(sizeof(piSuites) == 44 && alignof(piSuites) == 1);
static_assert(offsetof(piSuites, memFuncs) == 4);
static_assert(offsetof(piSuites, windFuncs) == 12);
static_assert(offsetof(piSuites, ppixFuncs) == 20);
static_assert(offsetof(piSuites, utilFuncs) == 28);
static_assert(offsetof(piSuites, timelineFuncs) == 36);

static_assert(sizeof(PrGPUFilterInfo) == 20 && alignof(PrGPUFilterInfo) == 1);
static_assert(offsetof(PrGPUFilterInfo, outMatchName) == 4);

static_assert(sizeof(PrGPUFilterInstance) == 32 && alignof(PrGPUFilterInstance) == 1);
static_assert(offsetof(PrGPUFilterInstance, inDeviceIndex) == 8);
static_assert(offsetof(PrGPUFilterInstance, inTimelineID) == 12);
static_assert(offsetof(PrGPUFilterInstance, inNodeID) == 16);
static_assert(offsetof(PrGPUFilterInstance, ioPrivatePluginData) == 20);
static_assert(offsetof(PrGPUFilterInstance, outIsRealtime) == 28);

static_assert(sizeof(PrGPUFilterRenderParams) == 60 && alignof(PrGPUFilterRenderParams) == 1);
static_assert(offsetof(PrGPUFilterRenderParams, inSequenceTime) == 8);
static_assert(offsetof(PrGPUFilterRenderParams, inQuality) == 16);
static_assert(offsetof(PrGPUFilterRenderParams, inDownsampleFactorX) == 20);
static_assert(offsetof(PrGPUFilterRenderParams, inDownsampleFactorY) == 24);
static_assert(offsetof(PrGPUFilterRenderParams, inRenderWidth) == 28);
static_assert(offsetof(PrGPUFilterRenderParams, inRenderHeight) == 32);
static_assert(offsetof(PrGPUFilterRenderParams, inRenderPARNum) == 36);
static_assert(offsetof(PrGPUFilterRenderParams, inRenderPARDen) == 40);
static_assert(offsetof(PrGPUFilterRenderParams, inRenderFieldType) == 44);
static_assert(offsetof(PrGPUFilterRenderParams, inRenderTicksPerFrame) == 48);
static_assert(offsetof(PrGPUFilterRenderParams, inRenderField) == 56);

static_assert(sizeof(PrGPUFilterFrameDependency) == 56 && alignof(PrGPUFilterFrameDependency) == 1);
static_assert(offsetof(PrGPUFilterFrameDependency, outTrackID) == 4);
static_assert(offsetof(PrGPUFilterFrameDependency, outSequenceTime) == 8);
static_assert(offsetof(PrGPUFilterFrameDependency, outPrecomputePixelFormat) == 16);
static_assert(offsetof(PrGPUFilterFrameDependency, outPrecomputeFrameWidth) == 20);
static_assert(offsetof(PrGPUFilterFrameDependency, outPrecomputeFrameHeight) == 24);
static_assert(offsetof(PrGPUFilterFrameDependency, outPrecomputeFramePARNumerator) == 28);
static_assert(offsetof(PrGPUFilterFrameDependency, outPrecomputeFramePARDenominator) == 32);
static_assert(offsetof(PrGPUFilterFrameDependency, outPrecomputeFrameFieldType) == 36);
static_assert(offsetof(PrGPUFilterFrameDependency, outPrecomputeCustomDataSize) == 40);
static_assert(offsetof(PrGPUFilterFrameDependency, outNeedsFieldSeparation) == 48);
static_assert(offsetof(PrGPUFilterFrameDependency, outReadIncomingTransition) == 52);

static_assert(sizeof(PrGPUFilter) == 40 && alignof(PrGPUFilter) == 1);
static_assert(offsetof(PrGPUFilter, DisposeInstance) == 8);
static_assert(offsetof(PrGPUFilter, GetFrameDependencies) == 16);
static_assert(offsetof(PrGPUFilter, Precompute) == 24);
static_assert(offsetof(PrGPUFilter, Render) == 32);
