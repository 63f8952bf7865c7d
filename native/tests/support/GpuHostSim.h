#pragma once
// A simulation of the editing host's side of the GPU filter interface: the
// suites an instance acquires (GPU Device, Video Segment, Memory Manager,
// PPix), the parameter values of one effect node, device information and
// GPU frames. Frames carry whatever device memory the test gives them (a
// fake CUDA address or a real OpenCL buffer).
//
// The suites are plain C tables without a user pointer, so one simulation at
// a time is current: the one most recently constructed.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gpu_filter_sdk.h"
#include "gpu_filter_suites.h"

namespace kvtest {

class GpuHostSim {
public:
    GpuHostSim();
    ~GpuHostSim();
    GpuHostSim(const GpuHostSim&) = delete;
    GpuHostSim& operator=(const GpuHostSim&) = delete;

    piSuitesPtr Suites() { return &suites_; }

    // What GetDeviceInfo reports for a device index (unknown indices: zeros).
    PrGPUDeviceInfo& Device(csSDK_uint32 index);

    // An instance record for the node and a device.
    PrGPUFilterInstance MakeInstance(csSDK_uint32 deviceIndex);

    // Parameter 0 (Amount) as the host would report it.
    void SetAmount(PrParamType type, double value);
    // Parameter 1 (LUT): a memory block with these bytes, fresh for each read.
    void SetLutBytes(std::string bytes);
    // Parameter 1 with another type (no memory block).
    void SetLutParamType(PrParamType type);
    // Makes a named suite unavailable.
    void RemoveSuite(const std::string& name) { missing_.push_back(name); }

    // A GPU frame with the given device memory, format and geometry.
    PPixHand AddFrame(void* deviceData, PrPixelFormat format, int width, int height, int rowBytes);

    // Observations.
    const std::vector<std::pair<std::string, int>>& AcquiredSuites() const { return acquired_; }
    int LutReads() const { return lutReads_; }
    int BlocksAllocated() const { return blocksAllocated_; }
    int BlocksDisposed() const { return blocksDisposed_; }
    int DeviceInfoCalls() const { return deviceInfoCalls_; }

    struct Frame {
        PPix record{};
        PPix* handleTarget = nullptr;
        void* deviceData = nullptr;
        PrPixelFormat format = 0;
    };

    // Used by the suite functions.
    static GpuHostSim& Current();
    SPBasicSuite basic_{};
    PlugUtilFuncs utils_{};
    piSuites suites_{};
    PrSDKGPUDeviceSuite deviceSuite_{};
    PrSDKVideoSegmentSuite segmentSuite_{};
    PrSDKMemoryManagerSuite memorySuite_{};
    PrSDKPPixSuite ppixSuite_{};
    std::vector<std::pair<csSDK_uint32, PrGPUDeviceInfo>> devices_;
    std::vector<std::unique_ptr<Frame>> frames_;
    std::vector<std::string> missing_;
    std::vector<std::pair<std::string, int>> acquired_;
    PrParam amount_{};
    PrParamType lutType_ = kPrParamType_PrMemoryPtr;
    bool lutSet_ = false;
    std::string lutBytes_;
    int lutReads_ = 0;
    int blocksAllocated_ = 0;
    int blocksDisposed_ = 0;
    int deviceInfoCalls_ = 0;
    GpuHostSim* previous_ = nullptr;
};

}  // namespace kvtest
