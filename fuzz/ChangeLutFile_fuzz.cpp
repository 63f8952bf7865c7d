// Presses "Change LUT" through EffectMain with the dialog answering a file
// that holds arbitrary bytes. Input bytes up to the first NUL within the
// first 64 are the file's name (before ".cube"), the rest its content.
// The press must answer 0 and either store a LUT text that reads back with
// the cube's size and the file's match id (no message box), or show one
// warning and keep the old value; no handle may leak or stay locked.
// The log is switched off: its lines would fill the disk on a long run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host_sim/FakeHost.h"
#include "PanelFiles.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"
#include "panel_link/PickedCube.h"
#include "platform/DialogScript.h"
#include "platform/FaultInjection.h"
#include "platform/TextConversion.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::FILE* EveryFileButTheLog(const std::wstring& path, const char* mode) {
    if (EndsWith(path, L"effect.log")) return nullptr;
    return kv::platform::SystemOpenSharedFile(path, mode);
}

struct Session {
    std::wstring folder;
    FakeHost* host = nullptr;
};

Session& TheSession() {
    static Session session = [] {
        char pattern[] = "/tmp/kv-fuzz-pick-XXXXXX";
        Check(mkdtemp(pattern) != nullptr);
        setenv("XDG_DATA_HOME", pattern, 1);
        kv::platform::SetOpenFileOverride(&EveryFileButTheLog);
        Session made;
        made.folder = kv::platform::WideFromUtf8(pattern);
        made.host = new FakeHost(kvsim::kApplAfterEffects, EffectMain);
        return made;
    }();
    return session;
}


std::string Narrowed(const std::vector<unsigned char>& stored) {
    Check(stored.size() % 2 == 0);
    std::string text;
    for (size_t i = 0; i < stored.size(); i += 2) {
        Check(stored[i + 1] == 0);
        text += static_cast<char>(stored[i]);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Session& session = TheSession();
    FakeHost& host = *session.host;
    const char* bytes = reinterpret_cast<const char*>(data);
    const size_t window = std::min<size_t>(size, 64);
    const size_t nul = std::find(bytes, bytes + window, '\0') - bytes;
    std::string leaf = "picked";
    std::string content(bytes, size);
    if (nul < window) {
        leaf.assign(bytes, nul);
        content.assign(bytes + nul + 1, bytes + size);
    }
    std::replace(leaf.begin(), leaf.end(), '/', '_');
    const std::wstring path = kvtest::JoinPath(session.folder, kv::platform::WideFromUtf8(leaf + ".cube"));
    Check(kvtest::WriteFileBytes(path, content));

    const long liveBefore = kvsim::LiveHandleCount();
    PF_Handle old = kvsim::MakeHandle16("KVLUT0");
    const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
    {
        kvsim::FakeParams params(nullptr, 100.0, old);
        kv::platform::ClearDialogScript();
        kv::platform::QueueOpenFileAnswer(path);
        PF_UserChangedParamExtra extra{3};
        host.ResetOutData();
        Check(host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &extra) == PF_Err_NONE);
        const size_t boxes = kv::platform::TakeMessageBoxes().size();

        kv::Lut3D cube;
        // The press takes what the file reader takes, within the tables
        // that LUT text carries and with ranges it can use.
        const bool readable = kv::ReadCubeFile(content, cube) && cube.size <= kv::kMaxLutTextSize &&
                              cube.shaperSize <= kv::kMaxLutText1DSize && kv::HasUsableRanges(cube) &&
                              kvtest::ReadFileBytes(path) == content;
        const std::vector<unsigned char> stored = kvsim::HandleBytes(params.lut());
        const bool changed = (params.at(2).uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0;
        if (changed) {
            Check(boxes == 0 && readable);
            kv::Lut3D back;
            Check(kv::ParseLutText(Narrowed(stored), back));
            Check(back.size == cube.size && back.shaperSize == cube.shaperSize &&
                  back.id == kv::MatchIdFromCube(content));
        } else {
            Check(boxes == 1 && stored == oldBytes);
        }
        kvsim::DisposeHandle(params.lut());
        host.ClearRecords();
    }
    kvtest::RemoveFile(path);
    Check(kvsim::LiveHandleCount() == liveBefore);
    Check(kvsim::LockedHandleCount() == 0);
    return 0;
}
