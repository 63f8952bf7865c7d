#include "panel_link/ButtonLabel.h"

#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "host_link/ParamTable.h"
#include "host_link/HostBytes.h"
#include "host_link/HostSuites.h"
#include "host_link/LutCache.h"
#include "lut_engine/LutFormats.h"
#include "lut_engine/ProcessList.h"
#include "panel_link/Log.h"
#include "panel_link/PickedCube.h"

namespace kv {

namespace {

// Every distinct text ever shown. The host keeps the pointer it is given for
// as long as it likes, so texts are never removed: set nodes do not move, and
// their characters stay put until the module unloads.
struct LabelStore {
    std::mutex mutex;
    std::set<std::string> texts;
};

LabelStore& Labels() {
    static LabelStore store;
    return store;
}

const char* StoreLabel(const std::string& text) {
    LabelStore& store = Labels();
    std::lock_guard<std::mutex> lock(store.mutex);
    return store.texts.insert(text).first->c_str();
}

// The reason, text and host result of the last label line logged, so that
// the frequent UPDATE_PARAMS_UI commands log only when something changes.
struct LabelLogKey {
    std::mutex mutex;
    std::string last;
};

LabelLogKey& LogKey() {
    static LabelLogKey key;
    return key;
}

void LogLabelOnce(const std::string& text, const char* reason, PF_Err result) {
    std::string key = reason;
    key += '|';
    key += text;
    key += '|';
    key += std::to_string(result);
    LabelLogKey& logKey = LogKey();
    std::lock_guard<std::mutex> lock(logKey.mutex);
    if (key == logKey.last) {
        return;
    }
    logKey.last = std::move(key);
    LogPrintf("LUT button: label \"%s\" (%s) -> err %d", text.c_str(), reason, static_cast<int>(result));
}

}  // namespace

std::shared_ptr<const Lut3D> GetParamLut(const PF_InData* in_data, PF_ParamDef* params[]) {
    if (params == nullptr || params[kParamLut] == nullptr) {
        return nullptr;
    }
    // A value the host gives no way to read (no handle, a missing callback, a
    // refused lock) is no LUT.
    const HostBytes bytes = HostBytes::LockHandle(in_data, params[kParamLut]->u.arb_d.value);
    if (bytes.Data() == nullptr) {
        return nullptr;
    }
    return GetLutForParam(bytes.Data(), bytes.Size());
}

std::string LutButtonLabel(const PF_InData* in_data, PF_ParamDef* params[]) {
    const std::shared_ptr<const Lut3D> lut = GetParamLut(in_data, params);
    if (lut == nullptr) {
        return "Choose a LUT";
    }
    if (lut->probe != 0) {
        return "Calibrating";
    }
    if (!lut->name.empty()) {
        // A process list's name is its file's, extension and all; so is a
        // .3dl file's. A LUT with a 1D stage or steps also says what it
        // holds, so that a shaper or a CLF is told from a plain cube at a
        // glance.
        const bool ownName = lut->process != nullptr || LutFileFormatOf(lut->name).kind == LutFileKind::k3dl;
        const std::string file = ownName ? lut->name : lut->name + ".cube";
        if (lut->shaperSize != 0 || lut->process != nullptr) return file + " (" + LutTablesText(*lut) + ")";
        return file;
    }
    return "From Kromvale (Apply again to name it)";
}

void UpdateLutButtonLabel(const PF_InData* in_data, PF_ParamDef* params[], const char* reason) {
    if (in_data == nullptr) {
        return;
    }
    const std::string text = LutButtonLabel(in_data, params);
    const char* stored = StoreLabel(text);

    PF_ParamDef def{};
    if (params != nullptr && params[kParamChangeLut] != nullptr) {
        def = *params[kParamChangeLut];
    }
    std::strncpy(def.name, ParamEntry(kParamChangeLut).name, sizeof def.name - 1);
    def.name[sizeof def.name - 1] = '\0';
    def.u.button_d.u.namesptr = stored;

    PF_Err result = PF_Err_NONE;
    if (!UpdateParamUI(in_data, kParamChangeLut, def, result)) {
        LogPrintf("LUT button: no param utils suite (%s)", reason);
        return;
    }

    LogLabelOnce(text, reason, result);
}

}  // namespace kv
