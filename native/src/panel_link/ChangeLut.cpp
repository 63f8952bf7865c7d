#include "panel_link/ChangeLut.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "panel_link/ButtonLabel.h"
#include "panel_link/ChooseLutFile.h"
#include "panel_link/Log.h"
#include "panel_link/PickedCube.h"
#include "panel_link/ShowMessage.h"
#include "platform/TextConversion.h"
#include "host_link/ParamTable.h"
#include "host_link/HostBytes.h"
#include "host_link/LutParamBytes.h"
#include "lut_engine/LutFile.h"
#include "lut_engine/LutText.h"
#include "lut_engine/ReaderMessages.h"
#include "platform/FileSystem.h"

namespace kv {

namespace {

static_assert((PF_OutFlag_FORCE_RERENDER | PF_OutFlag_REFRESH_UI) == 0x420000);

// Reads and checks the picked file, a .3dl or a .cube one as its name says.
// On failure `reason` says why, and is empty when the file could not be
// opened or was empty.
bool ReadPickedLut(const std::string& pathUtf8, const std::string& bytes, Lut3D& lut, std::string& reason,
                   LutFileInfo& info) {
    if (bytes.empty()) return false;
    if (!ReadLutFile(pathUtf8, bytes, lut, &reason, &info)) return false;
    // LUT files allow larger tables than LUT text carries; such a LUT would
    // be stored but never render, so it is refused here like any unreadable
    // file.
    if (lut.size > kMaxLutTextSize) {
        reason = messages::kLutSizeOutOfRange;
        return false;
    }
    if (lut.shaperSize > kMaxLutText1DSize) {
        reason = messages::kLut1DSizeOutOfRange;
        return false;
    }
    return true;
}

// Copies `bytes` into a handle the caller has just made of their length.
bool FillHandle(const PF_UtilCallbacks& utils, PF_Handle handle, const std::string& bytes) {
    const HostBytes target = HostBytes::LockSized(&utils, handle, bytes.size());
    if (target.Data() == nullptr) return false;
    std::memcpy(target.Data(), bytes.data(), bytes.size());
    return true;
}

// A new handle holding the bytes whole, or null; a handle that cannot be
// filled is given back.
PF_Handle NewHandleHolding(const PF_UtilCallbacks& utils, const std::string& bytes) {
    if (utils.host_new_handle == nullptr) return nullptr;
    PF_Handle handle = utils.host_new_handle(bytes.size());
    if (handle == nullptr) return nullptr;
    if (!FillHandle(utils, handle, bytes)) {
        if (utils.host_dispose_handle != nullptr) utils.host_dispose_handle(handle);
        return nullptr;
    }
    return handle;
}

// Puts the bytes into the parameter as a handle of their own, made and
// filled before the parameter is touched: whichever host callback fails, the
// parameter then still holds its old value, untouched. (Resizing the old
// handle in place could not promise that: a shrinking resize drops the old
// tail before any lock can be tried, and putting it back needs callbacks that
// can fail again.) The old handle is left alone: the parameter's value
// belongs to the host, which releases its values itself (through DISPOSE),
// so disposing it here could free a handle the host still holds. False when
// the host gives no handle, no memory or no lock.
bool StoreValue(const PF_UtilCallbacks& utils, PF_ParamDef& param, const std::string& bytes) {
    PF_Handle handle = NewHandleHolding(utils, bytes);
    if (handle == nullptr) return false;
    param.u.arb_d.value = handle;
    return true;
}

}  // namespace

PF_Err ChangeLut(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]) {
    // Checked before the dialog: a pick that cannot be stored is no use.
    if (in_data == nullptr || in_data->utils == nullptr || out_data == nullptr || params == nullptr ||
        params[kParamLut] == nullptr) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const std::wstring path = ChooseLutFile(in_data);
    if (path.empty()) {
        LogPrintf("LUT button: cancelled");
        return PF_Err_NONE;
    }
    const std::string pathUtf8 = platform::Utf8FromWide(path);
    // A file that does not open reads as empty, which no reader accepts. One
    // larger than any LUT we take is not read at all: this is the host's
    // user-interface thread.
    bool tooLarge = false;
    const std::string bytes = platform::ReadWholeFile(path, kMaxLutFileBytes, tooLarge).value_or(std::string());
    Lut3D lut;
    LutFileInfo info;
    std::string reason(tooLarge ? messages::kLutFileTooLarge : std::string_view());
    if (tooLarge || !ReadPickedLut(pathUtf8, bytes, lut, reason, info)) {
        LogPrintf("LUT button: could not read %s: %s", pathUtf8.c_str(), reason.c_str());
        ShowMessage(L"Kromvale could not read this LUT:\n" + path, true);
        return PF_Err_NONE;
    }
    // Any finite input range is applied as the file gives it; one that is not
    // finite cannot be mapped onto the table at all, and the stored form
    // could not hold it.
    if (!HasUsableRanges(lut)) {
        LogPrintf("LUT button: %s has an input range that is not finite", pathUtf8.c_str());
        ShowMessage(L"Kromvale cannot use this LUT: its input range is not finite.", true);
        return PF_Err_NONE;
    }

    const std::string text = FormatLutText(lut, MatchIdFromCube(bytes), LutNameFromPath(pathUtf8));
    const std::string stored = WidenLutText(text);
    PF_ParamDef& param = *params[kParamLut];
    if (!StoreValue(*in_data->utils, param, stored)) return PF_Err_OUT_OF_MEMORY;
    param.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
    out_data->out_flags |= PF_OutFlag_FORCE_RERENDER | PF_OutFlag_REFRESH_UI;

    // A CDL file may hold many corrections: the log says which one was taken.
    std::string held = LutTablesText(lut);
    if (info.kind == LutFileKind::kCdl) {
        held += ", correction \"" + info.correctionId + "\", the first of " + std::to_string(info.correctionCount);
    }
    LogPrintf("LUT button: loaded %s (%s, %zu bytes)", pathUtf8.c_str(), held.c_str(), stored.size());
    UpdateLutButtonLabel(in_data, params, "picked");
    return PF_Err_NONE;
}

}  // namespace kv
