#pragma once
// A stand-in for the system's dialogs: the open-file dialog takes its answers
// from a queue, and message boxes are recorded instead of shown. On Linux,
// where the module never shows a window, it is always in use; on Windows only
// while a test switches it on. Tests and the headless host script it and read
// back what the user would have seen. Thread-safe.

#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/OpenFileDialog.h"

namespace kv::platform {

struct ShownMessageBox {
    void* owner = nullptr;
    std::wstring text;
    std::wstring caption;
    MessageIcon icon = MessageIcon::Information;
};

// Windows: route the dialogs to the stand-in (true) or to the system (false,
// the default). Linux: no effect, the stand-in is the only dialog there is.
void SetDialogsScripted(bool scripted);
bool DialogsScripted();

// The answer of the next open-file dialog; an empty path is a cancel. With
// no answer queued the dialog is cancelled.
void QueueOpenFileAnswer(const std::wstring& path);

// Drops the queued answers and everything recorded.
void ClearDialogScript();

// What was shown since the last take, oldest first.
std::vector<OpenFileDialogSettings> TakeOpenFileDialogs();
std::vector<ShownMessageBox> TakeMessageBoxes();

// The stand-in's dialogs, called by ShowOpenFileDialog and ShowMessageBox.
std::wstring ScriptedOpenFileDialog(const OpenFileDialogSettings& settings);
int ScriptedMessageBox(void* owner, const std::wstring& text, const std::wstring& caption, MessageIcon icon);

}  // namespace kv::platform
