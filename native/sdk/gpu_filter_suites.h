#pragma once
// The editing host's suites that a GPU filter instance acquires: GPU device,
// video segment (parameter values of the effect node), memory manager and
// PPix. Byte-packed, like the rest of that SDK.

#include "sdk/effect_sdk_types.h"
#include "sdk/premiere_sdk_types.h"

#pragma pack(push, 1)

struct PrGPUDeviceInfo {
    PrGPUDeviceFramework outDeviceFramework;
    prBool outMeetsMinimumRequirementsForAcceleration;
    void* outPlatformHandle;      // cl_platform_id
    void* outDeviceHandle;        // CUdevice or cl_device_id
    void* outContextHandle;       // CUcontext or cl_context
    void* outCommandQueueHandle;  // CUstream or cl_command_queue
    void* outOffscreenOpenGLContextHandle;
    void* outOffscreenOpenGLDeviceHandle;
};

struct PrSDKGPUDeviceSuite {
    prSuiteError (*GetDeviceCount)(csSDK_uint32* device_count);
    prSuiteError (*GetDeviceInfo)(csSDK_uint32 suite_version, csSDK_uint32 device_index, PrGPUDeviceInfo* info);
    prSuiteError (*AcquireExclusiveDeviceAccess)(csSDK_uint32 device_index);
    prSuiteError (*ReleaseExclusiveDeviceAccess)(csSDK_uint32 device_index);
    prSuiteError (*AllocateDeviceMemory)(csSDK_uint32 device_index, size_t size_in_bytes, void** memory);
    prSuiteError (*FreeDeviceMemory)(csSDK_uint32 device_index, void* memory);
    prSuiteError (*PurgeDeviceMemory)(csSDK_uint32 device_index, size_t requested, size_t* purged);
    prSuiteError (*AllocateHostMemory)(csSDK_uint32 device_index, size_t size_in_bytes, void** memory);
    prSuiteError (*FreeHostMemory)(csSDK_uint32 device_index, void* memory);
    prSuiteError (*PurgeHostMemory)(csSDK_uint32 device_index, size_t requested, size_t* purged);
    prSuiteError (*CreateGPUPPix)(csSDK_uint32 device_index, PrPixelFormat pixel_format, int width, int height,
                                  int par_numerator, int par_denominator, prFieldType field_type,
                                  PPixHand* ppix);
    // The frame's device memory (a CUDA device pointer or an OpenCL buffer).
    prSuiteError (*GetGPUPPixData)(PPixHand ppix, void** data);
    prSuiteError (*GetGPUPPixDeviceIndex)(PPixHand ppix, csSDK_uint32* device_index);
    prSuiteError (*GetGPUPPixSize)(PPixHand ppix, size_t* size_in_bytes);
};

struct PrParam {
    PrParamType mType;
    union {
        csSDK_int8 mInt8;
        csSDK_int16 mInt16;
        csSDK_int32 mInt32;
        csSDK_int64 mInt64;
        float mFloat32;
        double mFloat64;
        csSDK_uint8 mBool;
        prFPoint64 mPoint;
        prPluginID mGuid;
        PrMemoryPtr mMemoryPtr;
    };
};

struct PrSDKVideoSegmentSuite {
    prSuiteError (*AcquireVideoSegmentsID)(PrTimelineID timeline, csSDK_int32* segments_id);
    prSuiteError (*AcquireVideoSegmentsWithPreviewsID)(PrTimelineID timeline, csSDK_int32* segments_id);
    prSuiteError (*AcquireVideoSegmentsWithOpaquePreviewsID)(PrTimelineID timeline, csSDK_int32* segments_id);
    prSuiteError (*ReleaseVideoSegmentsID)(csSDK_int32 segments_id);
    prSuiteError (*GetHash)(csSDK_int32 segments_id, prPluginID* hash);
    prSuiteError (*GetSegmentCount)(csSDK_int32 segments_id, csSDK_int32* count);
    prSuiteError (*GetSegmentInfo)(csSDK_int32 segments_id, csSDK_int32 index, PrTime* start, PrTime* end,
                                   PrTime* offset, prPluginID* hash);
    prSuiteError (*AcquireNodeID)(csSDK_int32 segments_id, prPluginID* hash, csSDK_int32* node_id);
    prSuiteError (*ReleaseVideoNodeID)(csSDK_int32 node_id);
    prSuiteError (*GetNodeInfo)(csSDK_int32 node_id, char* node_type, prPluginID* hash, csSDK_int32* flags);
    prSuiteError (*GetNodeInputCount)(csSDK_int32 node_id, csSDK_int32* count);
    prSuiteError (*AcquireInputNodeID)(csSDK_int32 node_id, csSDK_int32 index, PrTime* offset,
                                       csSDK_int32* input_node_id);
    prSuiteError (*GetNodeOperatorCount)(csSDK_int32 node_id, csSDK_int32* count);
    prSuiteError (*AcquireOperatorNodeID)(csSDK_int32 node_id, csSDK_int32 index, csSDK_int32* operator_id);
    KvSdkUnusedSlot IterateNodeProperties;
    // The value is a host-allocated string, freed with PrDisposePtr.
    prSuiteError (*GetNodeProperty)(csSDK_int32 node_id, const char* key, PrMemoryPtr* value);
    prSuiteError (*GetParamCount)(csSDK_int32 node_id, csSDK_int32* count);
    // index counts from 0 without the input layer: effect parameter i is i - 1.
    prSuiteError (*GetParam)(csSDK_int32 node_id, csSDK_int32 index, PrTime time, PrParam* param);
    prSuiteError (*GetNextKeyframeTime)(csSDK_int32 node_id, csSDK_int32 index, PrTime time, PrTime* key_time,
                                        csSDK_int32* interp_mode);
    prSuiteError (*TransformNodeTime)(csSDK_int32 node_id, PrTime time, PrTime* out_time);
    prSuiteError (*GetVideoSegmentsProperties)(PrTimelineID timeline, prRect* bounds, csSDK_int32* par_num,
                                               csSDK_int32* par_den, PrTime* frame_rate, prFieldType* fields);
    prSuiteError (*AcquireNodeForTime)(csSDK_int32 segments_id, PrTime time, csSDK_int32* node_id,
                                       PrTime* segment_offset);
    prSuiteError (*AcquireVideoSegmentsIDWithStreamLabel)(PrTimelineID timeline, const char* label,
                                                          csSDK_int32* segments_id);
    prSuiteError (*AcquireVideoSegmentsWithPreviewsIDWithStreamLabel)(PrTimelineID timeline, const char* label,
                                                                      csSDK_int32* segments_id);
    prSuiteError (*AcquireVideoSegmentsWithOpaquePreviewsIDWithStreamLabel)(PrTimelineID timeline,
                                                                            const char* label,
                                                                            csSDK_int32* segments_id);
    prSuiteError (*AcquireFirstNodeInTimeRange)(csSDK_int32 segments_id, PrTime start, PrTime end,
                                                csSDK_int32* node_id, PrTime* segment_offset);
    prSuiteError (*AcquireOperatorOwnerNodeID)(csSDK_int32 node_id, csSDK_int32* owner_node_id);
    prSuiteError (*GetGraphicsTransformedParams)(csSDK_int32 node_id, PrTime time, prFPoint64* position,
                                                 prFPoint64* anchor, prFPoint64* scale, float* rotation);
    prSuiteError (*HasGraphicsGroup)(csSDK_int32 node_id, bool* has_group);
    prSuiteError (*GetGraphicsGroupID)(csSDK_int32 node_id, csSDK_int32* group_id);
    KvSdkUnusedSlot GetVideoSegmentsPropertiesExt;
    prSuiteError (*AcquireFirstNodeInTimeRangeExt)(csSDK_int32 segments_id, PrTime start, PrTime end,
                                                   csSDK_int32* node_id, PrTime* segment_start,
                                                   PrTime* segment_end, PrTime* segment_offset);
    prSuiteError (*GetNodeTimeScale)(csSDK_int32 node_id, PrTime time, double* rate);
};

struct PrSDKMemoryManagerSuite {
    prSuiteError (*ReserveMemory)(csSDK_uint32 plugin_id, csSDK_uint32 size);
    prSuiteError (*GetMemoryManagerSize)(csSDK_uint64* size);
    prSuiteError (*AddBlock)(csSDK_size_t size, void (*purge)(void* data, csSDK_uint32 id), void* purge_data,
                             csSDK_uint32* id);
    prSuiteError (*TouchBlock)(csSDK_uint32 id);
    prSuiteError (*RemoveBlock)(csSDK_uint32 id);
    PrMemoryPtr (*NewPtrClear)(csSDK_uint32 byte_count);
    PrMemoryPtr (*NewPtr)(csSDK_uint32 byte_count);
    csSDK_uint32 (*GetPtrSize)(PrMemoryPtr p);
    void (*SetPtrSize)(PrMemoryPtr* p, csSDK_uint32 new_size);
    PrMemoryHandle (*NewHandle)(csSDK_uint32 byte_count);
    PrMemoryHandle (*NewHandleClear)(csSDK_uint32 byte_count);
    void (*PrDisposePtr)(PrMemoryPtr p);
    void (*DisposeHandle)(PrMemoryHandle h);
    short (*SetHandleSize)(PrMemoryHandle h, csSDK_uint32 new_size);
    csSDK_uint32 (*GetHandleSize)(PrMemoryHandle h);
    prSuiteError (*AdjustReservedMemorySize)(csSDK_uint32 plugin_id, csSDK_int64 delta);
};

struct PrSDKPPixSuite {
    prSuiteError (*Dispose)(PPixHand ppix);
    // Not allowed on GPU frames.
    prSuiteError (*GetPixels)(PPixHand ppix, PrPPixBufferAccess access, char** pixels);
    prSuiteError (*GetBounds)(PPixHand ppix, prRect* bounds);
    prSuiteError (*GetRowBytes)(PPixHand ppix, csSDK_int32* row_bytes);
    prSuiteError (*GetPixelAspectRatio)(PPixHand ppix, csSDK_uint32* numerator, csSDK_uint32* denominator);
    prSuiteError (*GetPixelFormat)(PPixHand ppix, PrPixelFormat* pixel_format);
    prSuiteError (*GetUniqueKey)(PPixHand ppix, unsigned char* key, size_t key_size);
    prSuiteError (*GetUniqueKeySize)(size_t* key_size);
    prSuiteError (*GetRenderTime)(PPixHand ppix, csSDK_int32* render_ms);
};

#pragma pack(pop)

#define kPrSDKGPUDeviceSuite "MediaCore GPU Device Suite"
constexpr csSDK_int32 kPrSDKGPUDeviceSuiteVersion = 2;
#define kPrSDKGPUImageProcessingSuite "MediaCore GPU Image Processing Suite"
constexpr csSDK_int32 kPrSDKGPUImageProcessingSuiteVersion = 1;
#define kPrSDKMemoryManagerSuite "Premiere Memory Manager Suite"
constexpr csSDK_int32 kPrSDKMemoryManagerSuiteVersion = 4;
#define kPrSDKPPixSuite "Premiere PPix Suite"
constexpr csSDK_int32 kPrSDKPPixSuiteVersion = 1;
#define kPrSDKPPix2Suite "Premiere PPix 2 Suite"
constexpr csSDK_int32 kPrSDKPPix2SuiteVersion = 3;
#define kPrSDKVideoSegmentSuite "MediaCore Video Segment Suite"
constexpr csSDK_int32 kPrSDKVideoSegmentSuiteVersion = 9;

constexpr PrGPUDeviceFramework PrGPUDeviceFramework_CUDA = 0;
constexpr PrGPUDeviceFramework PrGPUDeviceFramework_OpenCL = 1;
constexpr PrGPUDeviceFramework PrGPUDeviceFramework_Metal = 2;
constexpr PrGPUDeviceFramework PrGPUDeviceFramework_DirectX = 3;
constexpr csSDK_int32 PrCUDAVersion = 10010;
constexpr csSDK_int32 PrOpenCLVersion = 1000;

constexpr PrParamType kPrParamType_Int8 = 1;
constexpr PrParamType kPrParamType_Int16 = 2;
constexpr PrParamType kPrParamType_Int32 = 3;
constexpr PrParamType kPrParamType_Int64 = 4;
constexpr PrParamType kPrParamType_Float32 = 5;
constexpr PrParamType kPrParamType_Float64 = 6;
constexpr PrParamType kPrParamType_Bool = 7;
constexpr PrParamType kPrParamType_Point = 8;
constexpr PrParamType kPrParamType_Guid = 9;
constexpr PrParamType kPrParamType_PrMemoryPtr = 10;
constexpr PrParamType kPrParamType_MaxSize = 0xFFFFFFFFu;

static_assert(sizeof(PrGPUDeviceInfo) == 56 && alignof(PrGPUDeviceInfo) == 1);
static_assert(offsetof(PrGPUDeviceInfo, outMeetsMinimumRequirementsForAcceleration) == 4);
static_assert(offsetof(PrGPUDeviceInfo, outPlatformHandle) == 8);
static_assert(offsetof(PrGPUDeviceInfo, outDeviceHandle) == 16);
static_assert(offsetof(PrGPUDeviceInfo, outContextHandle) == 24);
static_assert(offsetof(PrGPUDeviceInfo, outCommandQueueHandle) == 32);
static_assert(offsetof(PrGPUDeviceInfo, outOffscreenOpenGLContextHandle) == 40);
static_assert(offsetof(PrGPUDeviceInfo, outOffscreenOpenGLDeviceHandle) == 48);

static_assert(sizeof(PrSDKGPUDeviceSuite) == 112 && alignof(PrSDKGPUDeviceSuite) == 1);
static_assert(offsetof(PrSDKGPUDeviceSuite, GetDeviceInfo) == 8);
static_assert(offsetof(PrSDKGPUDeviceSuite, CreateGPUPPix) == 80);
static_assert(offsetof(PrSDKGPUDeviceSuite, GetGPUPPixData) == 88);
static_assert(offsetof(PrSDKGPUDeviceSuite, GetGPUPPixSize) == 104);

static_assert(sizeof(PrParam) == 41 && alignof(PrParam) == 1);
static_assert(offsetof(PrParam, mInt8) == 4 && offsetof(PrParam, mInt32) == 4);
static_assert(offsetof(PrParam, mInt64) == 4 && offsetof(PrParam, mFloat32) == 4);
static_assert(offsetof(PrParam, mFloat64) == 4 && offsetof(PrParam, mBool) == 4);
static_assert(offsetof(PrParam, mPoint) == 4 && offsetof(PrParam, mGuid) == 4);
static_assert(offsetof(PrParam, mMemoryPtr) == 4);

static_assert(sizeof(PrSDKVideoSegmentSuite) == 264 && alignof(PrSDKVideoSegmentSuite) == 1);
static_assert(offsetof(PrSDKVideoSegmentSuite, IterateNodeProperties) == 112);
static_assert(offsetof(PrSDKVideoSegmentSuite, GetNodeProperty) == 120);
static_assert(offsetof(PrSDKVideoSegmentSuite, GetParamCount) == 128);
static_assert(offsetof(PrSDKVideoSegmentSuite, GetParam) == 136);
static_assert(offsetof(PrSDKVideoSegmentSuite, GetVideoSegmentsProperties) == 160);
static_assert(offsetof(PrSDKVideoSegmentSuite, GetVideoSegmentsPropertiesExt) == 240);
static_assert(offsetof(PrSDKVideoSegmentSuite, GetNodeTimeScale) == 256);

static_assert(sizeof(PrSDKMemoryManagerSuite) == 128 && alignof(PrSDKMemoryManagerSuite) == 1);
static_assert(offsetof(PrSDKMemoryManagerSuite, NewPtrClear) == 40);
static_assert(offsetof(PrSDKMemoryManagerSuite, GetPtrSize) == 56);
static_assert(offsetof(PrSDKMemoryManagerSuite, PrDisposePtr) == 88);
static_assert(offsetof(PrSDKMemoryManagerSuite, AdjustReservedMemorySize) == 120);

static_assert(sizeof(PrSDKPPixSuite) == 72 && alignof(PrSDKPPixSuite) == 1);
static_assert(offsetof(PrSDKPPixSuite, GetBounds) == 16);
static_assert(offsetof(PrSDKPPixSuite, GetRowBytes) == 24);
static_assert(offsetof(PrSDKPPixSuite, GetPixelFormat) == 40);
static_assert(offsetof(PrSDKPPixSuite, GetRenderTime) == 64);
