// Linux builds of the module only: exports through which the headless host,
// loading the module as a host would, answers the "Change LUT" file dialog
// and reads the message boxes that the user would have seen. The dialogs'
// stand-in lives inside the module (its static libraries are not shared with
// the host), so the host can reach it only through exports. The Windows
// module exports nothing of the kind.

#include <cstddef>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#include "platform/DialogScript.h"
#include "platform/TextConversion.h"

namespace {

// Copies `text` cut to `size` - 1 bytes and terminated; returns its full
// length plus one, so that a caller can tell a cut copy.
size_t CopyOut(const std::string& text, char* buffer, size_t size) {
    if (size > 0) {
        const size_t n = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return text.size() + 1;
}

// Message boxes and dialogs taken from the script but not yet handed out one
// by one.
struct Pending {
    std::mutex mutex;
    std::deque<kv::platform::ShownMessageBox> messages;
    std::deque<kv::platform::OpenFileDialogSettings> dialogs;
};

Pending& ThePending() {
    static Pending pending;
    return pending;
}

}  // namespace

extern "C" {

// Queues the answer of the next "Change LUT" dialog: a UTF-8 path, or "" (or
// null) to cancel. Without an answer the dialog is cancelled.
__attribute__((visibility("default"))) void KromvaleTestAnswerOpenFile(const char* path) {
    kv::platform::QueueOpenFileAnswer(kv::platform::WideFromUtf8(path != nullptr ? path : ""));
}

// Takes the oldest message box not yet taken: its text in UTF-8 goes to
// `text` (cut to `size` and terminated), and *warning is 1 for the warning
// icon, 0 for the information icon. Returns 0 when there is none, otherwise
// the text's full length in bytes plus one. With a null `text` nothing is
// taken: the call only measures the oldest one.
__attribute__((visibility("default"))) size_t KromvaleTestTakeMessageBox(char* text, size_t size, int* warning) {
    Pending& pending = ThePending();
    const std::lock_guard<std::mutex> hold(pending.mutex);
    for (kv::platform::ShownMessageBox& shown : kv::platform::TakeMessageBoxes()) {
        pending.messages.push_back(std::move(shown));
    }
    if (pending.messages.empty()) return 0;
    if (text == nullptr) return kv::platform::Utf8FromWide(pending.messages.front().text).size() + 1;
    const kv::platform::ShownMessageBox shown = std::move(pending.messages.front());
    pending.messages.pop_front();
    if (warning != nullptr) *warning = shown.icon == kv::platform::MessageIcon::Warning ? 1 : 0;
    return CopyOut(kv::platform::Utf8FromWide(shown.text), text, size);
}

// Takes the oldest file dialog not yet taken: the folder it opened in, in
// UTF-8, goes to `folder` (cut to `size` and terminated). Returns 0 when none
// was shown, otherwise the folder's full length in bytes plus one. With a
// null `folder` nothing is taken: the call only measures the oldest one.
__attribute__((visibility("default"))) size_t KromvaleTestTakeOpenFileDialog(char* folder, size_t size) {
    Pending& pending = ThePending();
    const std::lock_guard<std::mutex> hold(pending.mutex);
    for (kv::platform::OpenFileDialogSettings& dialog : kv::platform::TakeOpenFileDialogs()) {
        pending.dialogs.push_back(std::move(dialog));
    }
    if (pending.dialogs.empty()) return 0;
    if (folder == nullptr) return kv::platform::Utf8FromWide(pending.dialogs.front().initialFolder).size() + 1;
    const kv::platform::OpenFileDialogSettings dialog = std::move(pending.dialogs.front());
    pending.dialogs.pop_front();
    return CopyOut(kv::platform::Utf8FromWide(dialog.initialFolder), folder, size);
}

}  // extern "C"
