#include "host_sim/FakeHost.h"

#include "host_sim/FakeGpuDevices.h"
#include "host_sim/FakeHandles.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace kvsim {

// ---- The host ---------------------------------------------------------------

struct FakeHost::State {
    mutable std::mutex mutex;
    bool basicSuitePresent = true;
    std::set<std::string> missingSuites;
    std::set<std::string> nullSuites;
    std::set<std::string> hollowSuites;
    PrPixelFormat pixelFormat = PrPixelFormat_BGRA_4444_8u;
    PF_Err updateParamUIResult = PF_Err_NONE;
    std::map<int, PF_Err> addParamRefusals;
    std::vector<PixelFormatCall> pixelFormatCalls;
    std::vector<UpdateParamUICall> updateCalls;
    std::vector<PF_ParamDef> addedParams;
    int suitesHeld = 0;
};

namespace {

std::atomic<FakeHost*> gCurrent{nullptr};
char gEffectRefToken;  // the effect reference is an opaque non-null pointer

FakeHost::State& Current() {
    FakeHost* host = gCurrent.load();
    if (host == nullptr) {
        std::abort();  // a callback with no host alive is a test bug
    }
    return host->state();
}

PF_Err AddPixelFormatCb(PF_ProgPtr, PrPixelFormat format) {
    detail::HostCallbackScope inHost;
    FakeHost::State& s = Current();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.pixelFormatCalls.push_back(PixelFormatCall{"Add", format});
    return PF_Err_NONE;
}

PF_Err ClearPixelFormatsCb(PF_ProgPtr) {
    detail::HostCallbackScope inHost;
    FakeHost::State& s = Current();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.pixelFormatCalls.push_back(PixelFormatCall{"Clear", 0});
    return PF_Err_NONE;
}

PF_Err GetPixelFormatCb(PF_EffectWorld*, PrPixelFormat* format) {
    FakeHost::State& s = Current();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (format != nullptr) {
        *format = s.pixelFormat;
    }
    return PF_Err_NONE;
}

PF_Err UpdateParamUICb(PF_ProgPtr, PF_ParamIndex index, const PF_ParamDef* def) {
    detail::HostCallbackScope inHost;
    FakeHost::State& s = Current();
    UpdateParamUICall call;
    call.index = index;
    if (def != nullptr) {
        call.def = *def;
        call.name.assign(def->name, strnlen(def->name, sizeof def->name));
        if (def->param_type == PF_Param_BUTTON && def->u.button_d.u.namesptr != nullptr) {
            call.label = def->u.button_d.u.namesptr;
        }
    }
    std::lock_guard<std::mutex> lock(s.mutex);
    s.updateCalls.push_back(call);
    return s.updateParamUIResult;
}

// The compositing host's World Suite answers only for worlds made here.
PF_Err WorldPixelFormatCb(const PF_EffectWorld* world, PF_PixelFormat* format) {
    if (format != nullptr && FakeGpuDevices::Get().IsWorld(world)) {
        *format = PF_PixelFormat_GPU_BGRA128;
        return PF_Err_NONE;
    }
    const FakeWorld* fake = FakeWorld::Of(world);
    if (format == nullptr || fake == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *format = fake->SmartPixelFormat();
    return PF_Err_NONE;
}

PF_PixelFormatSuite1 MakePixelFormatSuite() {
    PF_PixelFormatSuite1 suite{};
    suite.AddSupportedPixelFormat = AddPixelFormatCb;
    suite.ClearSupportedPixelFormats = ClearPixelFormatsCb;
    suite.GetPixelFormat = GetPixelFormatCb;
    return suite;
}

PF_ParamUtilsSuite3 MakeParamUtilsSuite() {
    PF_ParamUtilsSuite3 suite{};
    suite.PF_UpdateParamUI = UpdateParamUICb;
    return suite;
}

PF_WorldSuite2 MakeWorldSuite() {
    PF_WorldSuite2 suite{};
    suite.PF_GetPixelFormat = WorldPixelFormatCb;
    return suite;
}

const PF_PixelFormatSuite1 kPixelFormatSuite = MakePixelFormatSuite();
const PF_WorldSuite2 kWorldSuite = MakeWorldSuite();
const PF_ParamUtilsSuite3 kParamUtilsSuite = MakeParamUtilsSuite();

// Large enough for any suite the effect asks for, every function null.
alignas(8) const unsigned char kHollowSuite[256] = {};

const void* SuiteByName(const std::string& name, A_long version) {
    if (name == "PF Pixel Format Suite" && version == 1) {
        return &kPixelFormatSuite;
    }
    if (name == "PF Param Utils Suite" && version == 3) {
        return &kParamUtilsSuite;
    }
    if (name == kPFWorldSuite && version == kPFWorldSuiteVersion2) {
        return &kWorldSuite;
    }
    if (name == kPFGPUDeviceSuite && version == kPFGPUDeviceSuiteVersion1) {
        return FakeGpuDevices::Get().Suite();
    }
    return nullptr;
}

SPErr AcquireSuiteCb(const char* name, int32 version, const void** suite) {
    detail::HostCallbackScope inHost;
    FakeHost::State& s = Current();
    std::lock_guard<std::mutex> lock(s.mutex);
    const std::string key = name ? name : "";
    const void* found = SuiteByName(key, version);
    if (found == nullptr || s.missingSuites.count(key) != 0) {
        if (suite != nullptr) {
            *suite = nullptr;
        }
        return kSPSuiteNotFoundError;
    }
    if (suite != nullptr) {
        *suite = s.nullSuites.count(key) != 0 ? nullptr : s.hollowSuites.count(key) != 0 ? kHollowSuite : found;
    }
    ++s.suitesHeld;
    return kSPNoError;
}

SPErr ReleaseSuiteCb(const char*, int32) {
    FakeHost::State& s = Current();
    std::lock_guard<std::mutex> lock(s.mutex);
    --s.suitesHeld;
    return kSPNoError;
}

PF_Err AddParamCb(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr def) {
    detail::HostCallbackScope inHost;
    FakeHost::State& s = Current();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int ordinal = static_cast<int>(s.addedParams.size());
    auto refusal = s.addParamRefusals.find(ordinal);
    if (refusal != s.addParamRefusals.end()) {
        return refusal->second;
    }
    s.addedParams.push_back(def ? *def : PF_ParamDef{});
    return PF_Err_NONE;
}

PF_Err GetPlatformDataCb(PF_ProgPtr, PF_PlatDataID which, void* data) {
    if (which == PF_PlatData_MAIN_WND && data != nullptr) {
        *static_cast<void**>(data) = &gEffectRefToken;
        return PF_Err_NONE;
    }
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_UtilCallbacks MakeUtils() {
    PF_UtilCallbacks utils{};
    detail::FillHandleCallbacks(utils);
    utils.get_platform_data = GetPlatformDataCb;
    return utils;
}

SPBasicSuite MakeBasicSuite() {
    SPBasicSuite basic{};
    basic.AcquireSuite = AcquireSuiteCb;
    basic.ReleaseSuite = ReleaseSuiteCb;
    return basic;
}

SPBasicSuite BasicSuiteLacking(bool acquire, bool release) {
    SPBasicSuite basic = MakeBasicSuite();
    if (acquire) basic.AcquireSuite = nullptr;
    if (release) basic.ReleaseSuite = nullptr;
    return basic;
}

PF_UtilCallbacks gUtils = MakeUtils();
SPBasicSuite gBasicSuite = MakeBasicSuite();
// Indexed by (lacks acquire) + 2 * (lacks release).
SPBasicSuite gLackingBasicSuites[4] = {BasicSuiteLacking(false, false), BasicSuiteLacking(true, false),
                                       BasicSuiteLacking(false, true), BasicSuiteLacking(true, true)};

}  // namespace

FakeHost::FakeHost(A_long applId, EffectEntry entry) : entry_(entry), state_(new State) {
    in_.inter.add_param = AddParamCb;
    in_.utils = &gUtils;
    in_.effect_ref = reinterpret_cast<PF_ProgPtr>(&gEffectRefToken);
    in_.version.major = 13;
    in_.version.minor = 28;
    in_.appl_id = applId;
    in_.num_params = 5;
    in_.width = 1920;
    in_.height = 1080;
    in_.downsample_x = PF_RationalScale{1, 1};
    in_.downsample_y = PF_RationalScale{1, 1};
    in_.pixel_aspect_ratio.num = 1;
    in_.pixel_aspect_ratio.den = 1;
    in_.pica_basicP = &gBasicSuite;
    detail::SetFailNewHandle(false);
    detail::SetFailLockHandle(false);
    detail::FailOneLockAfter(-1);
    detail::SetFailResizeHandle(false);
    gCurrent.store(this);
}

FakeHost::~FakeHost() {
    FakeHost* self = this;
    gCurrent.compare_exchange_strong(self, nullptr);
    detail::SetFailNewHandle(false);
    detail::SetFailLockHandle(false);
    detail::FailOneLockAfter(-1);
    detail::SetFailResizeHandle(false);
    delete state_;
}

void FakeHost::ResetOutData() { out_ = PF_OutData{}; }

void FakeHost::SetFailNewHandle(bool fail) { detail::SetFailNewHandle(fail); }
void FakeHost::SetFailLockHandle(bool fail) { detail::SetFailLockHandle(fail); }
void FakeHost::FailOneLockAfter(int succeeding) { detail::FailOneLockAfter(succeeding); }
void FakeHost::SetFailResizeHandle(bool fail) { detail::SetFailResizeHandle(fail); }

void FakeHost::SetBasicSuitePresent(bool present) {
    in_.pica_basicP = present ? &gBasicSuite : nullptr;
}

void FakeHost::SetBasicSuiteLacks(bool acquire, bool release) {
    in_.pica_basicP = &gLackingBasicSuites[(acquire ? 1 : 0) + (release ? 2 : 0)];
}

void FakeHost::SetSuiteFunctionsMissing(const std::string& name, bool missing) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (missing) {
        state_->hollowSuites.insert(name);
    } else {
        state_->hollowSuites.erase(name);
    }
}

void FakeHost::SetSuiteMissing(const std::string& name, bool missing) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (missing) {
        state_->missingSuites.insert(name);
    } else {
        state_->missingSuites.erase(name);
    }
}

void FakeHost::SetSuiteYieldsNull(const std::string& name, bool yieldsNull) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (yieldsNull) {
        state_->nullSuites.insert(name);
    } else {
        state_->nullSuites.erase(name);
    }
}

void FakeHost::SetPixelFormat(PrPixelFormat format) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->pixelFormat = format;
}

void FakeHost::SetUpdateParamUIResult(PF_Err err) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->updateParamUIResult = err;
}

void FakeHost::RefuseAddParam(int ordinal, PF_Err err) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->addParamRefusals[ordinal] = err;
}

std::vector<PixelFormatCall> FakeHost::pixelFormatCalls() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->pixelFormatCalls;
}

std::vector<UpdateParamUICall> FakeHost::updateParamUICalls() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->updateCalls;
}

std::vector<PF_ParamDef> FakeHost::addedParams() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->addedParams;
}

int FakeHost::suitesHeld() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->suitesHeld;
}

void FakeHost::ClearRecords() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->pixelFormatCalls.clear();
    state_->updateCalls.clear();
    state_->addedParams.clear();
}

PF_Err FakeHost::Call(PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output, void* extra) {
    return CallWith(in_, out_, cmd, params, output, extra);
}

PF_Err FakeHost::CallWith(PF_InData& in, PF_OutData& out, PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output,
                          void* extra) {
    if (entry_ == nullptr) {
        std::abort();  // the host was built without an effect to call
    }
    if (cmd != PF_Cmd_USER_CHANGED_PARAM) {
        return entry_(cmd, &in, &out, params, output, extra);
    }
    const detail::ArbValues before = detail::ArbValuesOf(params);
    const PF_Err err = entry_(cmd, &in, &out, params, output, extra);
    detail::DisposeReplacedValues(params, before);
    return err;
}

PF_Err FakeHost::Arb(PF_ArbParamsExtra& extra) {
    return Call(PF_Cmd_ARBITRARY_CALLBACK, nullptr, nullptr, &extra);
}

PF_Err FakeHost::ArbNew(PF_ArbitraryH* out) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_NEW_FUNC;
    extra.id = 4;
    extra.u.new_func_params.arbPH = out;
    return Arb(extra);
}

PF_Err FakeHost::ArbDispose(PF_ArbitraryH h) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_DISPOSE_FUNC;
    extra.id = 4;
    extra.u.dispose_func_params.arbH = h;
    return Arb(extra);
}

PF_Err FakeHost::ArbCopy(PF_ArbitraryH src, PF_ArbitraryH* dst) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_COPY_FUNC;
    extra.id = 4;
    extra.u.copy_func_params.src_arbH = src;
    extra.u.copy_func_params.dst_arbPH = dst;
    return Arb(extra);
}

PF_Err FakeHost::ArbFlatSize(PF_ArbitraryH h, A_u_long* size) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_FLAT_SIZE_FUNC;
    extra.id = 4;
    extra.u.flat_size_func_params.arbH = h;
    extra.u.flat_size_func_params.flat_data_sizePLu = size;
    return Arb(extra);
}

PF_Err FakeHost::ArbFlatten(PF_ArbitraryH h, void* buffer, A_u_long bufferSize) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_FLATTEN_FUNC;
    extra.id = 4;
    extra.u.flatten_func_params.arbH = h;
    extra.u.flatten_func_params.buf_sizeLu = bufferSize;
    extra.u.flatten_func_params.flat_dataPV = buffer;
    return Arb(extra);
}

PF_Err FakeHost::ArbUnflatten(const void* data, A_u_long size, PF_ArbitraryH* out) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_UNFLATTEN_FUNC;
    extra.id = 4;
    extra.u.unflatten_func_params.buf_sizeLu = size;
    extra.u.unflatten_func_params.flat_dataPV = data;
    extra.u.unflatten_func_params.arbPH = out;
    return Arb(extra);
}

PF_Err FakeHost::ArbInterp(PF_ArbitraryH left, PF_ArbitraryH right, double t, PF_ArbitraryH* out) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_INTERP_FUNC;
    extra.id = 4;
    extra.u.interp_func_params.left_arbH = left;
    extra.u.interp_func_params.right_arbH = right;
    extra.u.interp_func_params.tF = t;
    extra.u.interp_func_params.interpPH = out;
    return Arb(extra);
}

PF_Err FakeHost::ArbCompare(PF_ArbitraryH a, PF_ArbitraryH b, PF_ArbCompareResult* result) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_COMPARE_FUNC;
    extra.id = 4;
    extra.u.compare_func_params.a_arbH = a;
    extra.u.compare_func_params.b_arbH = b;
    extra.u.compare_func_params.compareP = result;
    return Arb(extra);
}

PF_Err FakeHost::ArbPrintSize(PF_ArbitraryH h, A_u_long* size) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_PRINT_SIZE_FUNC;
    extra.id = 4;
    extra.u.print_size_func_params.arbH = h;
    extra.u.print_size_func_params.print_sizePLu = size;
    return Arb(extra);
}

PF_Err FakeHost::ArbPrint(PF_ArbitraryH h, char* buffer, A_u_long size) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_PRINT_FUNC;
    extra.id = 4;
    extra.u.print_func_params.arbH = h;
    extra.u.print_func_params.print_sizeLu = size;
    extra.u.print_func_params.print_bufferPC = buffer;
    return Arb(extra);
}

PF_Err FakeHost::ArbScan(const char* text, A_u_long length, PF_ArbitraryH* out) {
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_SCAN_FUNC;
    extra.id = 4;
    extra.u.scan_func_params.bufPC = text;
    extra.u.scan_func_params.bytes_to_scanLu = length;
    extra.u.scan_func_params.arbPH = out;
    return Arb(extra);
}

PF_Err FakeHost::ArbSelector(PF_FunctionSelector selector) {
    PF_ArbParamsExtra extra{};
    extra.which_function = selector;
    extra.id = 4;
    return Arb(extra);
}

}  // namespace kvsim
