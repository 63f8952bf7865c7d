#include "GpuHostSim.h"

#include <cstdlib>
#include <cstring>

namespace kvtest {

namespace {

constexpr PrTimelineID kTimelineId = 3;

GpuHostSim* g_current = nullptr;

// Memory blocks carry their size in the 8 bytes before the pointer.
using Lock = std::lock_guard<std::recursive_mutex>;

PrMemoryPtr NewBlock(const std::string& bytes) {
    Lock lock(GpuHostSim::Current().mutex_);
    char* raw = static_cast<char*>(std::malloc(bytes.size() + 8));
    const std::uint64_t size = bytes.size();
    std::memcpy(raw, &size, 8);
    std::memcpy(raw + 8, bytes.data(), bytes.size());
    ++GpuHostSim::Current().blocksAllocated_;
    return raw + 8;
}

csSDK_uint32 BlockSize(PrMemoryPtr p) {
    std::uint64_t size = 0;
    std::memcpy(&size, p - 8, 8);
    return static_cast<csSDK_uint32>(size);
}

void DisposeBlock(PrMemoryPtr p) {
    if (p != nullptr) {
        Lock lock(GpuHostSim::Current().mutex_);
        ++GpuHostSim::Current().blocksDisposed_;
        std::free(p - 8);
    }
}

GpuHostSim::Frame* FrameOf(PPixHand ppix) {
    Lock lock(GpuHostSim::Current().mutex_);
    for (auto& frame : GpuHostSim::Current().frames_) {
        if (&frame->handleTarget == ppix) {
            return frame.get();
        }
    }
    return nullptr;
}

SPErr AcquireSuite(const char* name, int32 version, const void** suite) {
    GpuHostSim& host = GpuHostSim::Current();
    Lock lock(host.mutex_);
    host.acquired_.emplace_back(name, version);
    *suite = nullptr;
    for (const std::string& missing : host.missing_) {
        if (missing == name) {
            return 1;
        }
    }
    const std::string n = name;
    if (n == kPrSDKGPUDeviceSuite && version == kPrSDKGPUDeviceSuiteVersion) {
        *suite = &host.deviceSuite_;
    } else if (n == kPrSDKVideoSegmentSuite && version == kPrSDKVideoSegmentSuiteVersion) {
        *suite = &host.segmentSuite_;
    } else if (n == kPrSDKMemoryManagerSuite && version == kPrSDKMemoryManagerSuiteVersion) {
        *suite = &host.memorySuite_;
    } else if (n == kPrSDKPPixSuite && version == kPrSDKPPixSuiteVersion) {
        *suite = &host.ppixSuite_;
    }
    return *suite != nullptr ? 0 : 1;
}

SPBasicSuite* GetBasicSuite() { return &GpuHostSim::Current().basic_; }

prSuiteError GetDeviceInfo(csSDK_uint32, csSDK_uint32 index, PrGPUDeviceInfo* info) {
    GpuHostSim& host = GpuHostSim::Current();
    Lock lock(host.mutex_);
    ++host.deviceInfoCalls_;
    *info = host.Device(index);
    return suiteError_NoError;
}

prSuiteError GetGPUPPixData(PPixHand ppix, void** data) {
    GpuHostSim::Frame* frame = FrameOf(ppix);
    if (frame == nullptr) {
        return suiteError_InvalidParms;
    }
    *data = frame->deviceData;
    return suiteError_NoError;
}

prSuiteError GetParam(csSDK_int32 node, csSDK_int32 index, PrTime, PrParam* param) {
    GpuHostSim& host = GpuHostSim::Current();
    Lock lock(host.mutex_);
    const auto own = host.nodeLuts_.find(node);
    if (node != GpuHostSim::kDefaultNode && own == host.nodeLuts_.end()) {
        return suiteError_InvalidParms;
    }
    if (index == 0) {
        std::memcpy(param, &host.amount_, sizeof(PrParam));
        return suiteError_NoError;
    }
    if (index == 1 && own != host.nodeLuts_.end()) {
        ++host.lutReads_;
        param->mType = kPrParamType_PrMemoryPtr;
        param->mMemoryPtr = NewBlock(own->second);
        return suiteError_NoError;
    }
    if (index == 1 && host.lutSet_) {
        ++host.lutReads_;
        param->mType = host.lutType_;
        if (host.lutType_ == kPrParamType_PrMemoryPtr) {
            param->mMemoryPtr = NewBlock(host.lutBytes_);
        }
        return suiteError_NoError;
    }
    return suiteError_InvalidParms;
}

prSuiteError GetBounds(PPixHand ppix, prRect* bounds) {
    GpuHostSim::Frame* frame = FrameOf(ppix);
    if (frame == nullptr) {
        return suiteError_InvalidParms;
    }
    *bounds = frame->record.bounds;
    return suiteError_NoError;
}

prSuiteError GetRowBytes(PPixHand ppix, csSDK_int32* rowBytes) {
    GpuHostSim::Frame* frame = FrameOf(ppix);
    if (frame == nullptr) {
        return suiteError_InvalidParms;
    }
    *rowBytes = frame->record.rowbytes;
    return suiteError_NoError;
}

prSuiteError GetPixelFormat(PPixHand ppix, PrPixelFormat* format) {
    GpuHostSim::Frame* frame = FrameOf(ppix);
    if (frame == nullptr) {
        return suiteError_InvalidParms;
    }
    *format = frame->format;
    return suiteError_NoError;
}

}  // namespace

GpuHostSim::GpuHostSim() : previous_(g_current) {
    g_current = this;
    basic_.AcquireSuite = AcquireSuite;
    utils_.getSPBasicSuite = GetBasicSuite;
    suites_.piInterfaceVer = PR_PISUITES_VERSION;
    suites_.utilFuncs = &utils_;
    deviceSuite_.GetDeviceInfo = GetDeviceInfo;
    deviceSuite_.GetGPUPPixData = GetGPUPPixData;
    segmentSuite_.GetParam = GetParam;
    memorySuite_.GetPtrSize = BlockSize;
    memorySuite_.PrDisposePtr = DisposeBlock;
    ppixSuite_.GetBounds = GetBounds;
    ppixSuite_.GetRowBytes = GetRowBytes;
    ppixSuite_.GetPixelFormat = GetPixelFormat;
    SetAmount(kPrParamType_Float64, 100.0);
}

GpuHostSim::~GpuHostSim() { g_current = previous_; }

GpuHostSim& GpuHostSim::Current() { return *g_current; }

PrGPUDeviceInfo& GpuHostSim::Device(csSDK_uint32 index) {
    Lock lock(mutex_);
    for (auto& device : devices_) {
        if (device.first == index) {
            return device.second;
        }
    }
    devices_.emplace_back(index, PrGPUDeviceInfo{});
    return devices_.back().second;
}

PrGPUFilterInstance GpuHostSim::MakeInstance(csSDK_uint32 deviceIndex, csSDK_int32 node) {
    PrGPUFilterInstance instance{};
    instance.piSuites = &suites_;
    instance.inDeviceIndex = deviceIndex;
    instance.inTimelineID = kTimelineId;
    instance.inNodeID = node;
    return instance;
}

void GpuHostSim::SetAmount(PrParamType type, double value) {
    std::memset(&amount_, 0, sizeof amount_);
    amount_.mType = type;
    if (type == kPrParamType_Float64) {
        amount_.mFloat64 = value;
    } else if (type == kPrParamType_Float32) {
        amount_.mFloat32 = static_cast<float>(value);
    } else if (type == kPrParamType_Int32) {
        amount_.mInt32 = static_cast<csSDK_int32>(value);
    } else {
        amount_.mInt64 = static_cast<csSDK_int64>(value);
    }
}

void GpuHostSim::SetLutBytes(std::string bytes) {
    lutSet_ = true;
    lutType_ = kPrParamType_PrMemoryPtr;
    lutBytes_ = std::move(bytes);
}

void GpuHostSim::SetNodeLutBytes(csSDK_int32 node, std::string bytes) {
    Lock lock(mutex_);
    nodeLuts_[node] = std::move(bytes);
}

void GpuHostSim::SetLutParamType(PrParamType type) {
    lutSet_ = true;
    lutType_ = type;
}

PPixHand GpuHostSim::AddFrame(void* deviceData, PrPixelFormat format, int width, int height,
                              int rowBytes) {
    auto frame = std::make_unique<Frame>();
    frame->record.bounds = prRect{0, 0, width, height};
    frame->record.rowbytes = rowBytes;
    frame->handleTarget = &frame->record;
    frame->deviceData = deviceData;
    frame->format = format;
    PPixHand handle = &frame->handleTarget;
    Lock lock(mutex_);
    frames_.push_back(std::move(frame));
    return handle;
}

}  // namespace kvtest
