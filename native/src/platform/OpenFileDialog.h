#pragma once
// The system's open-file dialog. Windows: GetOpenFileNameW, modal to its
// owner. Linux, where the module shows no window, and Windows tests that
// switch scripting on: the stand-in of DialogScript.h.

#include <cstddef>
#include <string>

namespace kv::platform {

// Flag bits, with the values of the Windows OFN_* flags that they stand for.
inline constexpr unsigned long kOpenFileNoChangeDir = 0x00000008;    // OFN_NOCHANGEDIR
inline constexpr unsigned long kOpenFilePathMustExist = 0x00000800;  // OFN_PATHMUSTEXIST
inline constexpr unsigned long kOpenFileFileMustExist = 0x00001000;  // OFN_FILEMUSTEXIST

struct OpenFileDialogSettings {
    void* owner = nullptr;  // the owner window (HWND on Windows)
    // Pairs of a display text and a pattern, each ended by L'\0'. The string's
    // own terminator is the extra L'\0' that ends the list.
    std::wstring filter;
    unsigned long filterIndex = 1;  // 1-based: the pair selected at first
    size_t fileBufferChars = 260;   // room for the chosen path, terminator included
    std::wstring initialFolder;     // empty: the system chooses
    std::wstring title;
    unsigned long flags = 0;
};

// The chosen file's full path, or an empty string when the user cancelled or
// the dialog could not be shown.
std::wstring ShowOpenFileDialog(const OpenFileDialogSettings& settings);

}  // namespace kv::platform
