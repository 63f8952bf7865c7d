#include "FakeHost.h"

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "panel_link/Log.h"

namespace kvtest {

// ---- Handles ----------------------------------------------------------------

namespace {

// A handle is the address of the block's first member, the data pointer,
// which is what the hosts' void** handles point at.
struct HandleBlock {
    void* data;
    size_t size;
    std::atomic<int> locks;
};
static_assert(offsetof(HandleBlock, data) == 0, "a handle must point at the data pointer");

std::atomic<long> gLiveHandles{0};
std::atomic<long> gLockedHandles{0};
std::atomic<bool> gFailNewHandle{false};
std::atomic<bool> gFailLockHandle{false};

HandleBlock* Block(PF_Handle h) { return reinterpret_cast<HandleBlock*>(h); }

PF_Handle NewHandleCb(A_u_longlong size) {
    if (gFailNewHandle.load()) {
        return nullptr;
    }
    auto* block = new HandleBlock{std::calloc(size ? size : 1, 1), static_cast<size_t>(size), {0}};
    ++gLiveHandles;
    return reinterpret_cast<PF_Handle>(block);
}

void* LockHandleCb(PF_Handle h) {
    if (h == nullptr || gFailLockHandle.load()) {
        return nullptr;
    }
    if (Block(h)->locks.fetch_add(1) == 0) {
        ++gLockedHandles;
    }
    return Block(h)->data;
}

void UnlockHandleCb(PF_Handle h) {
    if (h != nullptr && Block(h)->locks.load() > 0 && Block(h)->locks.fetch_sub(1) == 1) {
        --gLockedHandles;
    }
}

void DisposeHandleCb(PF_Handle h) {
    if (h == nullptr) {
        return;
    }
    if (Block(h)->locks.load() > 0) {
        --gLockedHandles;
    }
    std::free(Block(h)->data);
    delete Block(h);
    --gLiveHandles;
}

A_u_longlong GetHandleSizeCb(PF_Handle h) { return h ? Block(h)->size : 0; }

PF_Err ResizeHandleCb(A_u_longlong size, PF_Handle* h) {
    if (h == nullptr || *h == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    HandleBlock* block = Block(*h);
    void* data = std::realloc(block->data, size ? size : 1);
    if (data == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    if (size > block->size) {
        std::memset(static_cast<char*>(data) + block->size, 0, size - block->size);
    }
    block->data = data;
    block->size = static_cast<size_t>(size);
    return PF_Err_NONE;
}

}  // namespace

long LiveHandleCount() { return gLiveHandles.load(); }
long LockedHandleCount() { return gLockedHandles.load(); }

PF_Handle MakeHandle(const void* bytes, size_t length) {
    auto* block = new HandleBlock{std::calloc(length ? length : 1, 1), length, {0}};
    if (length != 0) {
        std::memcpy(block->data, bytes, length);
    }
    ++gLiveHandles;
    return reinterpret_cast<PF_Handle>(block);
}

PF_Handle MakeHandle8(std::string_view text) { return MakeHandle(text.data(), text.size()); }

PF_Handle MakeHandle16(std::string_view text) {
    std::vector<unsigned char> wide(text.size() * 2, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        wide[2 * i] = static_cast<unsigned char>(text[i]);
    }
    return MakeHandle(wide.data(), wide.size());
}

std::vector<unsigned char> HandleBytes(PF_Handle handle) {
    if (handle == nullptr) {
        return {};
    }
    const auto* data = static_cast<const unsigned char*>(Block(handle)->data);
    return std::vector<unsigned char>(data, data + Block(handle)->size);
}

void DisposeHandle(PF_Handle handle) { DisposeHandleCb(handle); }

// ---- Worlds -----------------------------------------------------------------

FakeWorld::FakeWorld(PixelLayout layout, int32_t width, int32_t height, int32_t rowPadding)
    : layout_(layout) {
    const int32_t rowBytes = width * pixelBytes() + rowPadding;
    bytes_.assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(height), 0);
    def_.data = bytes_.data();
    def_.rowbytes = rowBytes;
    def_.width = width;
    def_.height = height;
    def_.extent_hint.right = width;
    def_.extent_hint.bottom = height;
    def_.pix_aspect_ratio.num = 1;
    def_.pix_aspect_ratio.den = 1;
    def_.world_flags = PF_WorldFlag_WRITEABLE | (layout == PixelLayout::BGRA32f ? PF_WorldFlag_DEEP : 0);
}

size_t FakeWorld::Offset(int32_t x, int32_t y, int channel) const {
    // Channel positions: red, green, blue, alpha.
    static const int kArgb[4] = {1, 2, 3, 0};
    static const int kBgra[4] = {2, 1, 0, 3};
    const int* positions = layout_ == PixelLayout::ARGB8 ? kArgb : kBgra;
    const size_t channelBytes = layout_ == PixelLayout::BGRA32f ? 4 : 1;
    return static_cast<size_t>(y) * static_cast<size_t>(def_.rowbytes) +
           static_cast<size_t>(x) * static_cast<size_t>(pixelBytes()) +
           static_cast<size_t>(positions[channel]) * channelBytes;
}

void FakeWorld::SetPixel(int32_t x, int32_t y, float r, float g, float b, float a) {
    const float values[4] = {r, g, b, a};
    for (int c = 0; c < 4; ++c) {
        if (layout_ == PixelLayout::BGRA32f) {
            std::memcpy(&bytes_[Offset(x, y, c)], &values[c], 4);
        } else {
            const float v = std::round(values[c] * 255.0f);
            bytes_[Offset(x, y, c)] =
                static_cast<unsigned char>(v <= 0.0f ? 0.0f : (v >= 255.0f ? 255.0f : v));
        }
    }
}

void FakeWorld::GetPixel(int32_t x, int32_t y, float rgba[4]) const {
    for (int c = 0; c < 4; ++c) {
        if (layout_ == PixelLayout::BGRA32f) {
            std::memcpy(&rgba[c], &bytes_[Offset(x, y, c)], 4);
        } else {
            rgba[c] = static_cast<float>(bytes_[Offset(x, y, c)]) / 255.0f;
        }
    }
}

void FakeWorld::FillTestPicture(uint32_t seed) {
    uint32_t state = seed * 2654435761u + 12345u;
    for (int32_t y = 0; y < def_.height; ++y) {
        for (int32_t x = 0; x < def_.width; ++x) {
            state = state * 1664525u + 1013904223u;
            const float noise = static_cast<float>(state >> 24) / 255.0f * 0.08f;
            const float fx = def_.width > 1 ? static_cast<float>(x) / static_cast<float>(def_.width - 1) : 0.0f;
            const float fy = def_.height > 1 ? static_cast<float>(y) / static_cast<float>(def_.height - 1) : 0.0f;
            SetPixel(x, y, std::fmin(fx + noise, 1.0f), std::fmin(fy + noise * 0.5f, 1.0f),
                     std::fmin(0.5f * (fx + 1.0f - fy) + noise, 1.0f), 1.0f - 0.25f * fx);
        }
    }
}

void FakeWorld::FillBytes(unsigned char value) { std::memset(bytes_.data(), value, bytes_.size()); }

// ---- Parameter array --------------------------------------------------------

FakeParams::FakeParams(FakeWorld* input, double amountPercent, PF_Handle lut) {
    defs_[0].param_type = PF_Param_LAYER;
    SetInput(input);

    defs_[1].param_type = PF_Param_FLOAT_SLIDER;
    defs_[1].uu.id = 2;
    std::strcpy(defs_[1].name, "Amount");
    defs_[1].u.fs_d.value = amountPercent;
    defs_[1].u.fs_d.valid_max = 100.0f;
    defs_[1].u.fs_d.slider_max = 100.0f;
    defs_[1].u.fs_d.dephault = 100.0f;

    defs_[2].param_type = PF_Param_ARBITRARY_DATA;
    defs_[2].uu.id = 4;
    std::strcpy(defs_[2].name, "LUT");
    defs_[2].u.arb_d.id = 4;
    defs_[2].u.arb_d.value = lut;

    static const char kChangeLut[] = "Change LUT";
    static const char kEditLut[] = "Edit LUT";
    defs_[3].param_type = PF_Param_BUTTON;
    defs_[3].uu.id = 5;
    std::strcpy(defs_[3].name, "LUT ");
    defs_[3].u.button_d.u.namesptr = kChangeLut;
    defs_[4].param_type = PF_Param_BUTTON;
    defs_[4].uu.id = 7;
    std::strcpy(defs_[4].name, "Match");
    defs_[4].u.button_d.u.namesptr = kEditLut;

    for (int i = 0; i < 5; ++i) {
        list_[i] = &defs_[i];
    }
    list_[5] = nullptr;
}

void FakeParams::SetInput(FakeWorld* input) {
    if (input != nullptr) {
        defs_[0].u.ld = input->def();
    } else {
        defs_[0].u.ld = PF_LayerDef{};
    }
}

// ---- The host ---------------------------------------------------------------

struct FakeHost::State {
    mutable std::mutex mutex;
    bool basicSuitePresent = true;
    std::set<std::string> missingSuites;
    std::set<std::string> nullSuites;
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
    FakeHost::State& s = Current();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.pixelFormatCalls.push_back(PixelFormatCall{"Add", format});
    return PF_Err_NONE;
}

PF_Err ClearPixelFormatsCb(PF_ProgPtr) {
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

const PF_PixelFormatSuite1 kPixelFormatSuite = MakePixelFormatSuite();
const PF_ParamUtilsSuite3 kParamUtilsSuite = MakeParamUtilsSuite();

const void* SuiteByName(const std::string& name, A_long version) {
    if (name == "PF Pixel Format Suite" && version == 1) {
        return &kPixelFormatSuite;
    }
    if (name == "PF Param Utils Suite" && version == 3) {
        return &kParamUtilsSuite;
    }
    return nullptr;
}

SPErr AcquireSuiteCb(const char* name, int32 version, const void** suite) {
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
        *suite = s.nullSuites.count(key) != 0 ? nullptr : found;
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
    utils.host_new_handle = NewHandleCb;
    utils.host_lock_handle = LockHandleCb;
    utils.host_unlock_handle = UnlockHandleCb;
    utils.host_dispose_handle = DisposeHandleCb;
    utils.host_get_handle_size = GetHandleSizeCb;
    utils.host_resize_handle = ResizeHandleCb;
    utils.get_platform_data = GetPlatformDataCb;
    return utils;
}

SPBasicSuite MakeBasicSuite() {
    SPBasicSuite basic{};
    basic.AcquireSuite = AcquireSuiteCb;
    basic.ReleaseSuite = ReleaseSuiteCb;
    return basic;
}

PF_UtilCallbacks gUtils = MakeUtils();
SPBasicSuite gBasicSuite = MakeBasicSuite();

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
    in_.pixel_aspect_ratio.num = 1;
    in_.pixel_aspect_ratio.den = 1;
    in_.pica_basicP = &gBasicSuite;
    gFailNewHandle = false;
    gFailLockHandle = false;
    gCurrent.store(this);
}

FakeHost::~FakeHost() {
    FakeHost* self = this;
    gCurrent.compare_exchange_strong(self, nullptr);
    gFailNewHandle = false;
    gFailLockHandle = false;
    delete state_;
}

void FakeHost::ResetOutData() { out_ = PF_OutData{}; }

void FakeHost::SetFailNewHandle(bool fail) { gFailNewHandle = fail; }
void FakeHost::SetFailLockHandle(bool fail) { gFailLockHandle = fail; }

void FakeHost::SetBasicSuitePresent(bool present) {
    in_.pica_basicP = present ? &gBasicSuite : nullptr;
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
    if (entry_ == nullptr) {
        std::abort();  // the host was built without an effect to call
    }
    return entry_(cmd, &in_, &out_, params, output, extra);
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

// ---- The effect's log -------------------------------------------------------

namespace {

std::filesystem::path LogFilePath() { return std::filesystem::path(GetUserDataPath(L"effect.log")); }

long long FileSize(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<long long>(size);
}

}  // namespace

std::string LogTail::Path() { return LogFilePath().string(); }

LogTail::LogTail() : offset_(FileSize(LogFilePath())) {}

std::vector<std::string> LogTail::Take() {
    std::vector<std::string> lines;
    std::ifstream file(LogFilePath(), std::ios::binary);
    if (!file) {
        return lines;
    }
    file.seekg(offset_);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // "YYYY-MM-DD HH:MM:SS" and two blanks come before the message.
        lines.push_back(line.size() >= 21 ? line.substr(21) : line);
    }
    offset_ = FileSize(LogFilePath());
    return lines;
}

}  // namespace kvtest
