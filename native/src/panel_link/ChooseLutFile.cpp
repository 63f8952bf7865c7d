#include "panel_link/ChooseLutFile.h"

#include "lut_engine/LutFormats.h"
#include "panel_link/LutFolder.h"
#include "panel_link/Log.h"
#include "platform/TextConversion.h"
#include "platform/ForegroundWindow.h"
#include "platform/OpenFileDialog.h"

namespace kv {

namespace {

// The host's main window, or null when the host cannot or will not say.
void* HostMainWindow(const PF_InData* in_data) {
    if (in_data == nullptr || in_data->utils == nullptr || in_data->utils->get_platform_data == nullptr) {
        return nullptr;
    }
    void* window = nullptr;
    if (in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_MAIN_WND, &window) != PF_Err_NONE) {
        return nullptr;
    }
    return window;
}

}  // namespace

std::wstring LutDialogFilter() {
    // Pairs of display text and pattern, each ending in a NUL, the list in
    // a second NUL: every LUT file first (selected, so that all show at
    // once), then each format, then every file.
    std::wstring all;
    for (const LutFileFormat& format : LutFileFormats()) {
        for (const std::string_view extension : format.extensions) {
            if (extension.empty()) continue;
            if (!all.empty()) all += L';';
            all += L'*' + platform::WideFromUtf8(extension);
        }
    }
    std::wstring filter = L"LUT files (" + all + L")" + L'\0' + all + L'\0';
    for (const LutFileFormat& format : LutFileFormats()) {
        std::wstring patterns;
        for (const std::string_view extension : format.extensions) {
            if (extension.empty()) continue;
            if (!patterns.empty()) patterns += L';';
            patterns += L'*' + platform::WideFromUtf8(extension);
        }
        filter += platform::WideFromUtf8(format.dialogName) + L" (" + patterns + L")" + L'\0' + patterns + L'\0';
    }
    filter += std::wstring(L"All files") + L'\0' + L"*.*" + L'\0';
    return filter;
}

std::wstring ChooseLutFile(const PF_InData* in_data) {
    using namespace kv::platform;
    void* owner = HostMainWindow(in_data);
    if (owner == nullptr) owner = ForegroundWindow();
    OpenFileDialogSettings dialog;
    dialog.owner = owner;
    dialog.initialFolder = GetLutFolder();
    LogPrintf("LUT button: dialog in \"%s\" (owner %p)", platform::Utf8FromWide(dialog.initialFolder).c_str(), owner);
    dialog.filter = LutDialogFilter();
    dialog.filterIndex = 1;
    dialog.fileBufferChars = 1040;
    dialog.title = L"Kromvale: choose a LUT";
    dialog.flags = kOpenFileFileMustExist | kOpenFilePathMustExist | kOpenFileNoChangeDir;
    return ShowOpenFileDialog(dialog);
}

}  // namespace kv
