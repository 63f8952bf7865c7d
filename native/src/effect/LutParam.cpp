#include "effect/LutParam.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "host_link/HostBytes.h"
#include "host_link/LutCache.h"
#include "host_link/LutParamBytes.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/LutText.h"
#include "panel_link/Log.h"

namespace kv {

namespace {

// The record the "LUT" parameter's refcon points at. Its counter bounds the
// log lines of the frequent callbacks (the host sends them by the hundred
// while a project is open).
struct LutParamRecord {
    std::atomic<uint32_t> callbackLogCount{0};
};

LutParamRecord& Record() {
    static LutParamRecord record;
    return record;
}

constexpr uint32_t kLoggedFrequentCallbacks = 20;
constexpr PF_FunctionSelector kFirstAlwaysLogged = PF_Arbitrary_PRINT_SIZE_FUNC;

const char* SelectorName(PF_FunctionSelector selector) {
    static const char* const kNames[] = {"NEW",     "DISPOSE", "COPY",       "FLAT_SIZE",
                                         "FLATTEN", "UNFLATTEN", "INTERP",   "COMPARE",
                                         "PRINT_SIZE", "PRINT", "SCAN"};
    if (selector < 0 || selector >= static_cast<PF_FunctionSelector>(sizeof kNames / sizeof kNames[0])) {
        return "?";
    }
    return kNames[selector];
}

void LogCallback(PF_FunctionSelector selector) {
    if (selector >= 0 && selector < kFirstAlwaysLogged) {
        if (Record().callbackLogCount.fetch_add(1) >= kLoggedFrequentCallbacks) {
            return;
        }
    }
    LogPrintf("Arb %s", SelectorName(selector));
}

const PF_UtilCallbacks* Utils(const PF_InData* in_data) {
    return in_data != nullptr ? in_data->utils : nullptr;
}

template <typename T>
void Store(T* destination, T value) {
    if (destination != nullptr) {
        *destination = value;
    }
}

// ---- The callbacks, one per selector ----------------------------------------

void OnFlatten(const PF_InData* in_data, PF_ArbParamsExtra& extra) {
    auto& p = extra.u.flatten_func_params;
    if (p.arbH == nullptr) {
        return;
    }
    const HostBytes lock = HostBytes::LockHandle(in_data, p.arbH);
    if (lock.Data() != nullptr && p.flat_dataPV != nullptr && p.buf_sizeLu >= lock.Size()) {
        std::memcpy(p.flat_dataPV, lock.Data(), lock.Size());
    }
}

void OnUnflatten(const PF_InData* in_data, PF_ArbParamsExtra& extra) {
    auto& p = extra.u.unflatten_func_params;
    PF_Handle value = nullptr;
    if (p.flat_dataPV != nullptr && LooksLikeLutValue(p.flat_dataPV, p.buf_sizeLu)) {
        value = NewHandleWithBytes(in_data, p.flat_dataPV, p.buf_sizeLu);
    } else {
        value = NewDefaultValue(in_data);
        LogPrintf("Arb UNFLATTEN: %u bytes are not KVLUT text, using none",
                  static_cast<unsigned>(p.buf_sizeLu));
    }
    Store(p.arbPH, value);
}

PF_ArbCompareResult Compare(const PF_InData* in_data, PF_Handle a, PF_Handle b) {
    if (a == nullptr || b == nullptr) {
        return a == b ? PF_ArbCompare_EQUAL : PF_ArbCompare_NOT_EQUAL;
    }
    if (HostBytes::SizeOf(in_data, a) != HostBytes::SizeOf(in_data, b)) {
        return PF_ArbCompare_NOT_EQUAL;
    }
    const HostBytes lockA = HostBytes::LockHandle(in_data, a);
    const HostBytes lockB = HostBytes::LockHandle(in_data, b);
    if (lockA.Data() == nullptr || lockB.Data() == nullptr || lockA.Size() != lockB.Size()) {
        return PF_ArbCompare_NOT_EQUAL;
    }
    return std::memcmp(lockA.Data(), lockB.Data(), lockA.Size()) == 0 ? PF_ArbCompare_EQUAL
                                                                       : PF_ArbCompare_NOT_EQUAL;
}

std::string PrintableText(const PF_InData* in_data, PF_Handle handle) {
    if (handle == nullptr) {
        return {};
    }
    const HostBytes lock = HostBytes::LockHandle(in_data, handle);
    return ExtractLutText(lock.Data(), lock.Size());
}

void OnPrint(const PF_InData* in_data, PF_ArbParamsExtra& extra) {
    auto& p = extra.u.print_func_params;
    const std::string text = PrintableText(in_data, p.arbH);
    if (p.print_bufferPC == nullptr || p.print_sizeLu == 0) {
        return;
    }
    const size_t count = std::min<size_t>(text.size(), p.print_sizeLu - 1);
    std::memcpy(p.print_bufferPC, text.data(), count);
    p.print_bufferPC[count] = '\0';
}

PF_Err OnScan(const PF_InData* in_data, PF_ArbParamsExtra& extra) {
    auto& p = extra.u.scan_func_params;
    const size_t length = p.bufPC != nullptr ? p.bytes_to_scanLu : 0;
    const std::string text(p.bufPC != nullptr ? p.bufPC : "", length);
    Lut3D scratch;
    std::string error;
    if (!ParseLutText(std::string_view(text), scratch, &error)) {
        LogPrintf("  scan %u bytes failed: %s", static_cast<unsigned>(length), error.c_str());
        return PF_Err_CANNOT_PARSE_KEYFRAME_TEXT;
    }
    const std::string wide = WidenLutText(text);
    Store(p.arbPH, NewHandleWithBytes(in_data, wide.data(), wide.size()));
    return PF_Err_NONE;
}

}  // namespace

PF_Handle NewHandleWithBytes(const PF_InData* in_data, const void* bytes, size_t length) {
    const PF_UtilCallbacks* utils = Utils(in_data);
    if (utils == nullptr || utils->host_new_handle == nullptr) {
        return nullptr;
    }
    PF_Handle handle = utils->host_new_handle(length);
    if (handle == nullptr) {
        return nullptr;
    }
    const HostBytes target = HostBytes::LockSized(utils, handle, length);
    if (target.Data() != nullptr && length != 0) {
        std::memcpy(target.Data(), bytes, length);
    }
    return handle;
}

PF_Handle NewDefaultValue(const PF_InData* in_data) {
    const std::span<const unsigned char> noLut = NoLutValue();
    return NewHandleWithBytes(in_data, noLut.data(), noLut.size());
}

PF_Handle CopyValue(const PF_InData* in_data, PF_Handle source) {
    if (source == nullptr) {
        return NewDefaultValue(in_data);
    }
    const HostBytes lock = HostBytes::LockHandle(in_data, source);
    if (LooksLikeLutValue(lock.Data(), lock.Size())) {
        return NewHandleWithBytes(in_data, lock.Data(), lock.Size());
    }
    return NewDefaultValue(in_data);
}

void* LutParamRefcon() { return &Record(); }

PF_Err ArbitraryCallback(PF_InData* in_data, PF_ArbParamsExtra* extra) {
    if (extra == nullptr) {
        return PF_Err_NONE;
    }
    LogCallback(extra->which_function);
    switch (extra->which_function) {
        case PF_Arbitrary_NEW_FUNC:
            Store(extra->u.new_func_params.arbPH, NewDefaultValue(in_data));
            break;
        case PF_Arbitrary_DISPOSE_FUNC:
            if (extra->u.dispose_func_params.arbH != nullptr && Utils(in_data) != nullptr &&
                Utils(in_data)->host_dispose_handle != nullptr) {
                Utils(in_data)->host_dispose_handle(extra->u.dispose_func_params.arbH);
            }
            break;
        case PF_Arbitrary_COPY_FUNC:
            Store(extra->u.copy_func_params.dst_arbPH, CopyValue(in_data, extra->u.copy_func_params.src_arbH));
            break;
        case PF_Arbitrary_FLAT_SIZE_FUNC:
            Store(extra->u.flat_size_func_params.flat_data_sizePLu,
                  static_cast<A_u_long>(HostBytes::SizeOf(in_data, extra->u.flat_size_func_params.arbH)));
            break;
        case PF_Arbitrary_FLATTEN_FUNC:
            OnFlatten(in_data, *extra);
            break;
        case PF_Arbitrary_UNFLATTEN_FUNC:
            OnUnflatten(in_data, *extra);
            break;
        case PF_Arbitrary_INTERP_FUNC:
            // The value steps: text cannot be blended.
            Store(extra->u.interp_func_params.interpPH,
                  CopyValue(in_data, extra->u.interp_func_params.left_arbH));
            break;
        case PF_Arbitrary_COMPARE_FUNC:
            Store(extra->u.compare_func_params.compareP,
                  Compare(in_data, extra->u.compare_func_params.a_arbH, extra->u.compare_func_params.b_arbH));
            break;
        case PF_Arbitrary_PRINT_SIZE_FUNC:
            Store(extra->u.print_size_func_params.print_sizePLu,
                  static_cast<A_u_long>(PrintableText(in_data, extra->u.print_size_func_params.arbH).size() + 1));
            break;
        case PF_Arbitrary_PRINT_FUNC:
            OnPrint(in_data, *extra);
            break;
        case PF_Arbitrary_SCAN_FUNC:
            return OnScan(in_data, *extra);
        default:
            break;
    }
    return PF_Err_NONE;
}

}  // namespace kv
