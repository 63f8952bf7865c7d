#include "panel_link/ChooseLutFile.h"

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

std::wstring ChooseLutFile(const PF_InData* in_data) {
    using namespace kv::platform;
    void* owner = HostMainWindow(in_data);
    if (owner == nullptr) owner = ForegroundWindow();
    OpenFileDialogSettings dialog;
    dialog.owner = owner;
    dialog.initialFolder = GetLutFolder();
    LogPrintf("LUT button: dialog in \"%s\" (owner %p)", platform::Utf8FromWide(dialog.initialFolder).c_str(), owner);
    // Pairs of display text and pattern, one literal per pair: inside one
    // literal, "\0" followed by "3DL" would read as the octal escape "\03".
    // The string's terminator closes the list. Both formats together come
    // first and are selected, so every LUT file shows at once.
    static constexpr wchar_t kFilter[] = L"LUT files (*.cube;*.3dl)\0*.cube;*.3dl\0"
                                         L"Cube LUTs (*.cube)\0*.cube\0"
                                         L"3DL LUTs (*.3dl)\0*.3dl\0"
                                         L"All files\0*.*\0";
    dialog.filter.assign(kFilter, sizeof kFilter / sizeof kFilter[0] - 1);
    dialog.filterIndex = 1;
    dialog.fileBufferChars = 1040;
    dialog.title = L"Kromvale: choose a LUT";
    dialog.flags = kOpenFileFileMustExist | kOpenFilePathMustExist | kOpenFileNoChangeDir;
    return ShowOpenFileDialog(dialog);
}

}  // namespace kv
