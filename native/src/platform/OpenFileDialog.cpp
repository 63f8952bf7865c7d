#include "platform/OpenFileDialog.h"

#include "platform/DialogScript.h"

#ifdef _WIN32
#include <windows.h>
#include <commdlg.h>

#include <vector>
#endif

namespace kv::platform {

#ifdef _WIN32

static_assert(kOpenFileNoChangeDir == OFN_NOCHANGEDIR && kOpenFilePathMustExist == OFN_PATHMUSTEXIST &&
              kOpenFileFileMustExist == OFN_FILEMUSTEXIST);

std::wstring ShowOpenFileDialog(const OpenFileDialogSettings& settings) {
    if (DialogsScripted()) return ScriptedOpenFileDialog(settings);
    if (settings.fileBufferChars == 0 || settings.fileBufferChars > MAXDWORD) return std::wstring();
    // Cleared, so that the dialog starts without a file name.
    std::vector<wchar_t> file(settings.fileBufferChars, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(settings.owner);
    dialog.lpstrFilter = settings.filter.empty() ? nullptr : settings.filter.c_str();
    dialog.nFilterIndex = settings.filterIndex;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = settings.initialFolder.empty() ? nullptr : settings.initialFolder.c_str();
    dialog.lpstrTitle = settings.title.empty() ? nullptr : settings.title.c_str();
    dialog.Flags = settings.flags;
    if (!GetOpenFileNameW(&dialog)) return std::wstring();  // cancelled, or the dialog failed
    file.back() = L'\0';
    return std::wstring(file.data());
}

#else

std::wstring ShowOpenFileDialog(const OpenFileDialogSettings& settings) { return ScriptedOpenFileDialog(settings); }

#endif

}  // namespace kv::platform
