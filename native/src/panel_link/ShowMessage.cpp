#include "ShowMessage.h"

#include "platform/ForegroundWindow.h"
#include "platform/MessageBox.h"

void ShowMessage(const std::wstring& text, bool warning) {
    using namespace kv::platform;
    ShowMessageBox(ForegroundWindow(), text, L"Kromvale", warning ? MessageIcon::Warning : MessageIcon::Information);
}
