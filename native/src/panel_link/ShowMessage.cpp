#include "panel_link/ShowMessage.h"

#include "platform/ForegroundWindow.h"
#include "platform/MessageBox.h"

namespace kv {

void ShowMessage(const std::wstring& text, bool warning) {
    using namespace kv::platform;
    ShowMessageBox(ForegroundWindow(), text, L"Kromvale", warning ? MessageIcon::Warning : MessageIcon::Information);
}

}  // namespace kv
