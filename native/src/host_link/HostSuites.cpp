#include "host_link/HostSuites.h"

namespace kv {

namespace {

// One suite held for a scope. Acquired only when the basic suite can both
// acquire and release, so that every acquisition is released.
class SuiteScope {
public:
    SuiteScope(const PF_InData* in_data, const char* name, int32 version) : name_(name), version_(version) {
        const SPBasicSuite* basic = in_data != nullptr ? in_data->pica_basicP : nullptr;
        if (basic == nullptr || basic->AcquireSuite == nullptr || basic->ReleaseSuite == nullptr) {
            return;
        }
        const void* suite = nullptr;
        if (basic->AcquireSuite(name, version, &suite) != kSPNoError) {
            return;
        }
        basic_ = basic;  // acquired, even if it yielded nothing: released at the end
        suite_ = suite;
    }
    SuiteScope(const SuiteScope&) = delete;
    SuiteScope& operator=(const SuiteScope&) = delete;
    ~SuiteScope() {
        if (basic_ != nullptr) {
            basic_->ReleaseSuite(name_, version_);
        }
    }

    // The suite's table, or null when it could not be had.
    template <class Suite>
    const Suite* Get() const {
        return static_cast<const Suite*>(suite_);
    }

private:
    const char* name_;
    int32 version_;
    const SPBasicSuite* basic_ = nullptr;
    const void* suite_ = nullptr;
};

}  // namespace

bool EditingHostPixelFormat(const PF_InData* in_data, PF_EffectWorld* world, PrPixelFormat& format) {
    const SuiteScope scope(in_data, kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1);
    const auto* suite = scope.Get<PF_PixelFormatSuite1>();
    if (suite == nullptr || suite->GetPixelFormat == nullptr) {
        return false;
    }
    suite->GetPixelFormat(world, &format);
    return true;
}

bool DeclareEditingHostPixelFormats(const PF_InData* in_data, std::span<const PrPixelFormat> formats) {
    const SuiteScope scope(in_data, kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1);
    const auto* suite = scope.Get<PF_PixelFormatSuite1>();
    if (suite == nullptr || suite->ClearSupportedPixelFormats == nullptr || suite->AddSupportedPixelFormat == nullptr) {
        return false;
    }
    suite->ClearSupportedPixelFormats(in_data->effect_ref);
    for (const PrPixelFormat format : formats) {
        suite->AddSupportedPixelFormat(in_data->effect_ref, format);
    }
    return true;
}

bool WorldSuitePixelFormat(const PF_InData* in_data, const PF_EffectWorld& world, PF_PixelFormat& format) {
    const SuiteScope scope(in_data, kPFWorldSuite, kPFWorldSuiteVersion2);
    const auto* suite = scope.Get<PF_WorldSuite2>();
    return suite != nullptr && suite->PF_GetPixelFormat != nullptr &&
           suite->PF_GetPixelFormat(&world, &format) == PF_Err_NONE;
}

bool UpdateParamUI(const PF_InData* in_data, PF_ParamIndex index, const PF_ParamDef& def, PF_Err& result) {
    const SuiteScope scope(in_data, kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3);
    const auto* suite = scope.Get<PF_ParamUtilsSuite3>();
    if (suite == nullptr || suite->PF_UpdateParamUI == nullptr) {
        return false;
    }
    result = suite->PF_UpdateParamUI(in_data->effect_ref, index, &def);
    return true;
}

namespace {

// The device information through an acquired suite; `step` and `result` as
// for ReadGpuRenderBuffers.
bool DeviceInfoOf(const PF_InData* in_data, const PF_GPUDeviceSuite1* suite, A_u_long deviceIndex,
                  PF_GPUDeviceInfo& info, const char*& step, PF_Err& result) {
    info = PF_GPUDeviceInfo{};
    result = PF_Err_NONE;
    if (suite == nullptr || suite->GetDeviceInfo == nullptr) {
        step = "suite";
        return false;
    }
    step = "GetDeviceInfo";
    result = suite->GetDeviceInfo(in_data->effect_ref, deviceIndex, &info);
    return result == PF_Err_NONE;
}

}  // namespace

bool ReadGpuDeviceInfo(const PF_InData* in_data, A_u_long deviceIndex, PF_GPUDeviceInfo& info, const char*& step,
                       PF_Err& result) {
    const SuiteScope scope(in_data, kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1);
    return DeviceInfoOf(in_data, scope.Get<PF_GPUDeviceSuite1>(), deviceIndex, info, step, result);
}

bool ReadGpuRenderBuffers(const PF_InData* in_data, A_u_long deviceIndex, PF_EffectWorld* input,
                          PF_EffectWorld* output, GpuRenderBuffers& buffers, const char*& step, PF_Err& result) {
    const SuiteScope scope(in_data, kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1);
    const auto* suite = scope.Get<PF_GPUDeviceSuite1>();
    if (!DeviceInfoOf(in_data, suite, deviceIndex, buffers.device, step, result)) {
        return false;
    }
    step = "GetGPUWorldData";
    if (suite->GetGPUWorldData == nullptr) {
        result = PF_Err_NONE;
        return false;
    }
    result = suite->GetGPUWorldData(in_data->effect_ref, input, &buffers.input);
    if (result == PF_Err_NONE) {
        result = suite->GetGPUWorldData(in_data->effect_ref, output, &buffers.output);
    }
    return result == PF_Err_NONE && buffers.input != nullptr && buffers.output != nullptr;
}

}  // namespace kv
