#include "host/ButtonPress.h"

#include <cstdio>
#include <string_view>

#include "lut_engine/LutText.h"
#include "panel_link/UserDataPath.h"
#include "platform/FileSystem.h"

namespace kvtool {
namespace {

// The Linux module's exports for its stand-in dialogs (panel_link/DialogHooks.cpp).
using AnswerOpenFileFn = void (*)(const char*);
using TakeMessageBoxFn = size_t (*)(char*, size_t, int*);
using TakeOpenFileDialogFn = size_t (*)(char*, size_t);

struct DialogHooks {
    AnswerOpenFileFn answer = nullptr;
    TakeMessageBoxFn takeMessage = nullptr;
    TakeOpenFileDialogFn takeDialog = nullptr;
    bool present() const { return answer && takeMessage && takeDialog; }
};

DialogHooks FindDialogHooks(const LoadedModule& module) {
    DialogHooks hooks;
    hooks.answer = reinterpret_cast<AnswerOpenFileFn>(module.Symbol("KromvaleTestAnswerOpenFile"));
    hooks.takeMessage = reinterpret_cast<TakeMessageBoxFn>(module.Symbol("KromvaleTestTakeMessageBox"));
    hooks.takeDialog = reinterpret_cast<TakeOpenFileDialogFn>(module.Symbol("KromvaleTestTakeOpenFileDialog"));
    return hooks;
}

// Calls a "take" export twice: to measure the oldest item, then to take it.
template <typename Take>
bool TakeText(Take take, std::string& text) {
    const size_t length = take(nullptr, 0);
    if (length == 0) return false;
    text.assign(length, '\0');
    take(text.data(), text.size());
    text.resize(length - 1);
    return true;
}

// Line breaks shown as \n, so that each report item stays on one line.
std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text) line += c == '\n' ? std::string("\\n") : std::string(1, c);
    return line;
}

std::string ReadWhole(const std::wstring& path) { return kv::platform::ReadWholeFile(path).value_or("<none>"); }

// The LUT text in a value: UTF-16 when every second byte is zero, else 8-bit.
std::string ValueText(const std::vector<unsigned char>& bytes) {
    bool wide = bytes.size() % 2 == 0;
    for (size_t i = 1; wide && i < bytes.size(); i += 2) wide = bytes[i] == 0;
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += wide ? 2 : 1) text += static_cast<char>(bytes[i]);
    return text;
}

void ReportStoredLut(const std::vector<unsigned char>& bytes, std::ostream& out) {
    kv::Lut3D lut;
    std::string reason;
    if (!kv::ParseLutText(ValueText(bytes), lut, &reason)) {
        out << "  stored LUT: unreadable (" << reason << "), value " << bytes.size() << " bytes\n";
    } else if (lut.probe != 0) {
        out << "  stored LUT: calibration pattern " << lut.probe << ", value " << bytes.size() << " bytes\n";
    } else {
        out << "  stored LUT: \"" << lut.name << "\" id " << lut.id << ", " << lut.size << "^3, value "
            << bytes.size() << " bytes\n";
    }
}

}  // namespace

int ButtonIndexFromName(const std::string& name) {
    if (name == "change" || name == "3") return 3;
    if (name == "edit" || name == "4") return 4;
    return -1;
}

bool PressButtons(kvsim::FakeHost& host, const LoadedModule& module, const std::vector<int>& presses,
                  const std::vector<std::string>& answers, double amount, PF_ArbitraryH& lut, std::ostream& out,
                  std::ostream& err) {
    const DialogHooks hooks = FindDialogHooks(module);
    if (!answers.empty() && !hooks.present()) {
        err << "kromvale-host: this module takes no scripted dialog answers (a Windows module shows the real "
               "dialog)\n";
        return false;
    }
    for (const std::string& answer : answers) hooks.answer(answer.c_str());

#ifdef _WIN32
    // This host has no main window to give: the real dialog is then owned by
    // the foreground window, as under a host that cannot say.
    PF_UtilCallbacks utils = *host.in().utils;
    utils.get_platform_data = nullptr;
    PF_UtilCallbacks* const hostUtils = host.in().utils;
    host.in().utils = &utils;
#endif
    const std::wstring requestPath = kv::GetUserDataPath(L"edit-request.json");
    bool ok = true;
    for (const int index : presses) {
        kvsim::FakeParams params(nullptr, amount, lut);
        const std::vector<unsigned char> before = kvsim::HandleBytes(lut);
        const std::string requestBefore = ReadWhole(requestPath);
        host.ResetOutData();
        host.ClearRecords();
        PF_UserChangedParamExtra extra{index};
        const PF_Err result = host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &extra);
        char flags[16];
        std::snprintf(flags, sizeof flags, "0x%08X", static_cast<unsigned>(host.out().out_flags));
        out << "press: \"" << (index == 3 ? "Change LUT" : "Edit LUT") << "\" (index " << index << ") -> err "
            << result << ", out_flags " << flags << "\n";
        std::string text;
        if (hooks.present()) {
            while (TakeText(hooks.takeDialog, text)) out << "  dialog in \"" << text << "\"\n";
            int warning = 0;
            while (TakeText([&](char* b, size_t s) { return hooks.takeMessage(b, s, &warning); }, text)) {
                out << "  message box (" << (warning ? "warning" : "information") << "): " << OneLine(text) << "\n";
            }
        }
        lut = params.lut();
        const std::vector<unsigned char> after = kvsim::HandleBytes(lut);
        if (after != before) {
            ReportStoredLut(after, out);
        } else {
            out << "  stored LUT: unchanged\n";
        }
        for (const kvsim::UpdateParamUICall& call : host.updateParamUICalls()) {
            out << "  label: \"" << call.label << "\"\n";
        }
        const std::string request = ReadWhole(requestPath);
        if (request != requestBefore && request != "<none>") out << "  edit request: " << OneLine(request) << "\n";
        if (result != PF_Err_NONE) {
            err << "kromvale-host: USER_CHANGED_PARAM returned error " << result << "\n";
            ok = false;
            break;
        }
    }
#ifdef _WIN32
    host.in().utils = hostUtils;
#endif
    return ok;
}

}  // namespace kvtool
