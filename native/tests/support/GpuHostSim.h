#pragma once
// A simulation of the editing host's side of the GPU filter interface: the
// suites an instance acquires (GPU Device, Video Segment, Memory Manager,
// PPix), the parameter values of one effect node, device information and
// GPU frames. Frames carry whatever device memory the test gives them (a
// fake CUDA address or a real OpenCL buffer).
//
// The suites are plain C tables without a user pointer, so one simulation at
// a time is current: the one most recently constructed. The suite functions
// and the per-node setters may be called from several threads at once (a
// host renders and creates instances on many); the other setters are for a
// test's single-threaded setup.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "sdk/gpu_filter_sdk.h"
#include "sdk/gpu_filter_suites.h"

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

    // An instance record for a device and an effect node: the default node,
    // or one of the test's own made by SetNodeLutBytes.
    static constexpr csSDK_int32 kDefaultNode = 7;
    PrGPUFilterInstance MakeInstance(csSDK_uint32 deviceIndex, csSDK_int32 node = kDefaultNode);

    // Parameter 0 (Amount) as the host would report it.
    void SetAmount(PrParamType type, double value);
    // Parameter 1 (LUT): a memory block with these bytes, fresh for each read.
    void SetLutBytes(std::string bytes);
    // Parameter 1 with another type (no memory block).
    void SetLutParamType(PrParamType type);
    // Parameter 1 of another node (its parameter 0 is the default node's).
    void SetNodeLutBytes(csSDK_int32 node, std::string bytes);
    // Makes a named suite unavailable.
    void RemoveSuite(const std::string& name) { missing_.push_back(name); }

    // A GPU frame with the given device memory, format and geometry.
    PPixHand AddFrame(void* deviceData, PrPixelFormat format, int width, int height, int rowBytes);

    // Observations.
    const std::vector<std::pair<std::string, int>>& AcquiredSuites() const { return acquired_; }
    int LutReads() const { return Locked(lutReads_); }
    int BlocksAllocated() const { return Locked(blocksAllocated_); }
    int BlocksDisposed() const { return Locked(blocksDisposed_); }
    int DeviceInfoCalls() const { return Locked(deviceInfoCalls_); }

    struct Frame {
        PPix record{};
        PPix* handleTarget = nullptr;
        void* deviceData = nullptr;
        PrPixelFormat format = 0;
    };

    // Used by the suite functions.
    static GpuHostSim& Current();
    // Guards everything below; recursive because a suite function that holds
    // it may make or dispose a memory block, which takes it too.
    mutable std::recursive_mutex mutex_;
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
    std::map<csSDK_int32, std::string> nodeLuts_;
    int lutReads_ = 0;
    int blocksAllocated_ = 0;
    int blocksDisposed_ = 0;
    int deviceInfoCalls_ = 0;
    GpuHostSim* previous_ = nullptr;

private:
    int Locked(const int& counter) const {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        return counter;
    }
};

}  // namespace kvtest
