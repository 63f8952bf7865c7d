#include "platform/MessageBox.h"

#include "platform/DialogScript.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kv::platform {

#ifdef _WIN32

int ShowMessageBox(void* owner, const std::wstring& text, const std::wstring& caption, MessageIcon icon) {
    if (DialogsScripted()) return ScriptedMessageBox(owner, text, caption, icon);
    const UINT style = MB_OK | (icon == MessageIcon::Warning ? MB_ICONWARNING : MB_ICONINFORMATION);
    return MessageBoxW(static_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

#else

int ShowMessageBox(void* owner, const std::wstring& text, const std::wstring& caption, MessageIcon icon) {
    return ScriptedMessageBox(owner, text, caption, icon);
}

#endif

}  // namespace kv::platform
