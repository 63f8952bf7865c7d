#include "platform/DialogScript.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <utility>

namespace kv::platform {

namespace {

struct Script {
    std::mutex mutex;
    std::deque<std::wstring> answers;
    std::vector<OpenFileDialogSettings> dialogs;
    std::vector<ShownMessageBox> messages;
};

Script& TheScript() {
    static Script script;
    return script;
}

std::atomic<bool> gScripted{false};

}  // namespace

void SetDialogsScripted(bool scripted) { gScripted.store(scripted); }

bool DialogsScripted() {
#ifdef _WIN32
    return gScripted.load();
#else
    return true;
#endif
}

void QueueOpenFileAnswer(const std::wstring& path) {
    Script& script = TheScript();
    const std::lock_guard<std::mutex> hold(script.mutex);
    script.answers.push_back(path);
}

void ClearDialogScript() {
    Script& script = TheScript();
    const std::lock_guard<std::mutex> hold(script.mutex);
    script.answers.clear();
    script.dialogs.clear();
    script.messages.clear();
}

std::vector<OpenFileDialogSettings> TakeOpenFileDialogs() {
    Script& script = TheScript();
    const std::lock_guard<std::mutex> hold(script.mutex);
    return std::exchange(script.dialogs, {});
}

std::vector<ShownMessageBox> TakeMessageBoxes() {
    Script& script = TheScript();
    const std::lock_guard<std::mutex> hold(script.mutex);
    return std::exchange(script.messages, {});
}

std::wstring ScriptedOpenFileDialog(const OpenFileDialogSettings& settings) {
    Script& script = TheScript();
    const std::lock_guard<std::mutex> hold(script.mutex);
    script.dialogs.push_back(settings);
    if (script.answers.empty()) return std::wstring();
    std::wstring answer = std::move(script.answers.front());
    script.answers.pop_front();
    // The real dialog cannot return more than its buffer holds.
    if (settings.fileBufferChars == 0) return std::wstring();
    if (answer.size() >= settings.fileBufferChars) return std::wstring();
    return answer;
}

int ScriptedMessageBox(void* owner, const std::wstring& text, const std::wstring& caption, MessageIcon icon) {
    Script& script = TheScript();
    const std::lock_guard<std::mutex> hold(script.mutex);
    script.messages.push_back(ShownMessageBox{owner, text, caption, icon});
    return 1;
}

}  // namespace kv::platform
