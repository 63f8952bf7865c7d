#pragma once
// A stand-in for the two video hosts, built on our SDK header layer, for tests
// and the headless host. It owns the records a host passes to an effect
// (PF_InData, PF_OutData, parameter arrays, worlds), serves handles through
// the utility callbacks, and answers the suites the effect asks for, recording
// what the effect did with them.
//
// The host's callbacks carry no context pointer, so one FakeHost is "current"
// at a time (the most recently constructed live one); handles are
// process-wide and may outlive the host that made them.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/effect_sdk.h"
#include "lut_engine/PixelFormat.h"

namespace kvsim {

using EffectEntry = PF_Err (*)(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

constexpr A_long kApplAfterEffects = kApplIdAfterEffects;
constexpr A_long kApplPremiere = kApplIdPremiere;

// ---- Handles (process-wide) -------------------------------------------------

// Handles made by the host's host_new_handle and not yet disposed.
long LiveHandleCount();
// Handles currently locked more often than unlocked.
long LockedHandleCount();
PF_Handle MakeHandle(const void* bytes, size_t length);
PF_Handle MakeHandle8(std::string_view text);
PF_Handle MakeHandle16(std::string_view text);  // each byte widened to a UTF-16 unit
std::vector<unsigned char> HandleBytes(PF_Handle handle);
void DisposeHandle(PF_Handle handle);  // as the host does, never refused

// The handle callbacks, by kind, for refusing single calls.
enum class HandleCall { New, Lock, Unlock, Dispose, Size, Resize };
// Refuses the call of that kind numbered `number` (0-based, below 64, counted
// from the last reset): new and lock answer null, resize an error, size 0,
// and unlock and dispose do nothing. Several may be armed at once.
void FailHandleCall(HandleCall kind, int number);
// Disarms every refusal and starts the counts again.
void ResetHandleCallFailures();
// Frees the handles whose dispose was refused since the last call.
void FreeRefusedDisposals();

// True while the current thread runs one of the host's callbacks. Tests that
// make allocations fail leave the host's own memory alone then: a host's C
// callbacks answer with error codes, never with an exception, and the
// module's behaviour is what such a test is about.
bool InHostCallback();

// ---- Worlds -----------------------------------------------------------------

// A frame in one of the render's pixel formats, with optional padding at the
// end of each row. Pixel access takes and returns red, green, blue, alpha.
class FakeWorld {
public:
    FakeWorld(const kv::PixelFormat& format, int32_t width, int32_t height, int32_t rowPadding = 0);
    ~FakeWorld();
    FakeWorld(const FakeWorld&) = delete;
    FakeWorld& operator=(const FakeWorld&) = delete;

    // The live world whose record this is, or null.
    static const FakeWorld* Of(const PF_LayerDef* def);
    // What the compositing host's World Suite says of the world: its ARGB
    // format's name, the one set here, or PF_PixelFormat_INVALID.
    PF_PixelFormat SmartPixelFormat() const;
    void SetSmartPixelFormat(PF_PixelFormat format) { reportedFormat_ = format; }

    // Where the world's pixel (0, 0) lies in its layer, as the worlds of a
    // smart-render checkout say.
    void SetOrigin(A_long x, A_long y) {
        def_.origin_x = x;
        def_.origin_y = y;
    }

    PF_LayerDef& def() { return def_; }
    const kv::PixelFormat& format() const { return *format_; }
    int32_t width() const { return def_.width; }
    int32_t height() const { return def_.height; }
    int32_t rowBytes() const { return def_.rowbytes; }
    int32_t pixelBytes() const { return format_->pixelBytes; }
    std::vector<unsigned char>& bytes() { return bytes_; }
    unsigned char* Row(int32_t y) { return bytes_.data() + static_cast<size_t>(y) * def_.rowbytes; }
    // The world as the row operations see it.
    kv::FrameView View() {
        return kv::FrameView{bytes_.data(), def_.width, def_.height, def_.rowbytes, format_->channelOrder};
    }

    // Integer worlds store round(v * largest code) clamped to the codes:
    // 0..255 for 8 bits, 0..32768 for 16.
    void SetPixel(int32_t x, int32_t y, float r, float g, float b, float a);
    void GetPixel(int32_t x, int32_t y, float rgba[4]) const;
    // Deterministic smooth gradients with some texture, alpha varying too.
    void FillTestPicture(uint32_t seed = 1);
    void FillBytes(unsigned char value);

private:
    static void RegisterWorld(const PF_LayerDef* def, const FakeWorld* world);
    size_t Offset(int32_t x, int32_t y, int channel) const;

    const kv::PixelFormat* format_;
    std::vector<unsigned char> bytes_;
    PF_LayerDef def_{};
    PF_PixelFormat reportedFormat_ = 0;
};

// ---- Parameter array --------------------------------------------------------

// The positions of the host's parameter array, as the effect registers its
// parameters: index 0 the input layer, 1 "Amount", 2 "LUT" (arbitrary data),
// 3 and 4 the two buttons.
constexpr int kParamArrayInput = 0;
constexpr int kParamArrayAmount = 1;
constexpr int kParamArrayLut = 2;
constexpr int kParamArrayCount = 5;

// A parameter array as the host builds it, from the host's own description of
// the parameters; list() is null-terminated like the hosts' arrays.
class FakeParams {
public:
    FakeParams(FakeWorld* input, double amountPercent, PF_Handle lut);
    FakeParams(const FakeParams&) = delete;
    FakeParams& operator=(const FakeParams&) = delete;

    PF_ParamDef** list() { return list_; }
    PF_ParamDef& at(int index) { return defs_[index]; }
    void SetInput(FakeWorld* input);
    void SetAmount(double percent) { defs_[kParamArrayAmount].u.fs_d.value = percent; }
    void SetLut(PF_Handle lut) { defs_[kParamArrayLut].u.arb_d.value = lut; }
    PF_Handle lut() const { return defs_[kParamArrayLut].u.arb_d.value; }

private:
    PF_ParamDef defs_[kParamArrayCount]{};
    PF_ParamDef* list_[kParamArrayCount + 1]{};
};

// ---- The host ---------------------------------------------------------------

struct PixelFormatCall {
    std::string what;  // "Clear" or "Add"
    PrPixelFormat format = 0;
};

struct UpdateParamUICall {
    PF_ParamIndex index = 0;
    std::string name;   // the definition's name field
    std::string label;  // the button text the definition points at
    PF_ParamDef def{};
};

class FakeHost {
public:
    explicit FakeHost(A_long applId = kApplAfterEffects, EffectEntry entry = nullptr);
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    PF_InData& in() { return in_; }
    PF_OutData& out() { return out_; }
    void ResetOutData();

    // Fault injection and host answers.
    void SetFailNewHandle(bool fail);
    void SetFailLockHandle(bool fail);
    // The next `succeeding` locks work, the one after fails, later ones work
    // again; a negative count disarms it.
    void FailOneLockAfter(int succeeding);
    void SetFailResizeHandle(bool fail);
    void SetBasicSuitePresent(bool present);
    // A basic suite whose AcquireSuite or ReleaseSuite (or both) is null.
    void SetBasicSuiteLacks(bool acquire, bool release);
    // A suite that the basic suite refuses, or "acquires" as a null pointer,
    // or as a table of null functions.
    void SetSuiteMissing(const std::string& name, bool missing);
    void SetSuiteYieldsNull(const std::string& name, bool yieldsNull);
    void SetSuiteFunctionsMissing(const std::string& name, bool missing);
    void SetPixelFormat(PrPixelFormat format);
    void SetUpdateParamUIResult(PF_Err err);
    // add_param answers `err` for the parameter added as number `ordinal` (0-based).
    void RefuseAddParam(int ordinal, PF_Err err);

    // What the effect did.
    std::vector<PixelFormatCall> pixelFormatCalls() const;
    std::vector<UpdateParamUICall> updateParamUICalls() const;
    std::vector<PF_ParamDef> addedParams() const;
    int suitesHeld() const;  // acquisitions not yet released
    void ClearRecords();

    // Calls into the effect through the entry given at construction. After
    // USER_CHANGED_PARAM, an arbitrary value the effect replaced with a new
    // handle and flagged as changed is disposed, as the host that owns it does.
    PF_Err Call(PF_Cmd cmd, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr,
                void* extra = nullptr);
    // The same with records of the caller's own (a render thread's copy).
    PF_Err CallWith(PF_InData& in, PF_OutData& out, PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output,
                    void* extra);

    // The arbitrary-data callbacks, one helper per selector.
    PF_Err ArbNew(PF_ArbitraryH* out);
    PF_Err ArbDispose(PF_ArbitraryH h);
    PF_Err ArbCopy(PF_ArbitraryH src, PF_ArbitraryH* dst);
    PF_Err ArbFlatSize(PF_ArbitraryH h, A_u_long* size);
    PF_Err ArbFlatten(PF_ArbitraryH h, void* buffer, A_u_long bufferSize);
    PF_Err ArbUnflatten(const void* data, A_u_long size, PF_ArbitraryH* out);
    PF_Err ArbInterp(PF_ArbitraryH left, PF_ArbitraryH right, double t, PF_ArbitraryH* out);
    PF_Err ArbCompare(PF_ArbitraryH a, PF_ArbitraryH b, PF_ArbCompareResult* result);
    PF_Err ArbPrintSize(PF_ArbitraryH h, A_u_long* size);
    PF_Err ArbPrint(PF_ArbitraryH h, char* buffer, A_u_long size);
    PF_Err ArbScan(const char* text, A_u_long length, PF_ArbitraryH* out);
    PF_Err ArbSelector(PF_FunctionSelector selector);  // a bare record, e.g. an unknown selector

    // Used by the static callbacks.
    struct State;
    State& state() { return *state_; }

private:
    PF_Err Arb(PF_ArbParamsExtra& extra);

    EffectEntry entry_;
    PF_InData in_{};
    PF_OutData out_{};
    State* state_;
};

// ---- The effect's log -------------------------------------------------------

// Reads the lines that "effect.log" gained since construction (or the last
// Take), with the timestamps and CR characters removed.
class LogTail {
public:
    LogTail();
    std::vector<std::string> Take();
    static std::string Path();

private:
    long long offset_ = 0;
};

}  // namespace kvsim
