// Runs the "LUT" parameter's callbacks through EffectMain on arbitrary bytes,
// the way a host hands back a damaged project or a panel writes a value:
// UNFLATTEN and SCAN of the bytes, then every reading callback (PRINT with
// every buffer size from 0 up, FLATTEN, COPY, COMPARE, INTERP) on the value
// made from them and on a raw handle holding them; a small render and a
// button update with the raw handle as the stored value. Beyond the sanitizers,
// checks the callbacks' answers and that no handle leaks or stays locked.
// The log is switched off: lines are dropped, as on a machine without the
// per-user folder.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_sim/FakeHost.h"
#include "host_link/LutCache.h"
#include "host_link/LutParamBytes.h"
#include "effect/LutParam.h"
#include "platform/FaultInjection.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;

std::FILE* NoFile(const std::wstring&, const char*) { return nullptr; }
bool NoFolder(const std::wstring&) { return false; }

FakeHost& Host() {
    static FakeHost* host = [] {
        kv::platform::SetOpenFileOverride(&NoFile);
        kv::platform::SetCreateFolderOverride(&NoFolder);
        return new FakeHost(kvsim::kApplAfterEffects, EffectMain);
    }();
    return *host;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// PRINT into buffers of exactly `size` bytes, so that a write past the end
// is a heap overflow; sizes 0 to 40, then around the text's own length.
void PrintEverySize(FakeHost& host, PF_ArbitraryH h, const std::string& text) {
    A_u_long printSize = 0;
    Check(host.ArbPrintSize(h, &printSize) == PF_Err_NONE);
    Check(printSize == text.size() + 1);
    std::vector<A_u_long> sizes;
    for (A_u_long s = 0; s <= 40; ++s) sizes.push_back(s);
    for (A_u_long s = printSize > 2 ? printSize - 2 : 0; s <= printSize + 2; ++s) sizes.push_back(s);
    for (A_u_long s : sizes) {
        std::vector<char> buffer(s);
        Check(host.ArbPrint(h, s == 0 ? nullptr : buffer.data(), s) == PF_Err_NONE);
        if (s == 0) continue;
        const size_t count = std::min<size_t>(text.size(), s - 1);
        Check(std::memcmp(buffer.data(), text.data(), count) == 0 && buffer[count] == '\0');
    }
}

void ReadEveryWay(FakeHost& host, PF_ArbitraryH h) {
    const std::vector<unsigned char> bytes = kvsim::HandleBytes(h);
    const std::string text = kv::ExtractLutText(bytes.data(), bytes.size());
    PrintEverySize(host, h, text);

    A_u_long flatSize = 0;
    Check(host.ArbFlatSize(h, &flatSize) == PF_Err_NONE && flatSize == bytes.size());
    std::vector<unsigned char> flat(flatSize + 1, 0xA5);
    Check(host.ArbFlatten(h, flat.data(), flatSize) == PF_Err_NONE);
    Check(std::equal(bytes.begin(), bytes.end(), flat.begin()) && flat[flatSize] == 0xA5);
    if (flatSize > 0) {
        std::vector<unsigned char> small(flatSize - 1, 0x5A);
        Check(host.ArbFlatten(h, small.data(), flatSize - 1) == PF_Err_NONE);
        Check(std::all_of(small.begin(), small.end(), [](unsigned char c) { return c == 0x5A; }));
    }

    PF_ArbitraryH copy = nullptr;
    PF_ArbitraryH stepped = nullptr;
    Check(host.ArbCopy(h, &copy) == PF_Err_NONE && copy != nullptr);
    Check(host.ArbInterp(h, copy, 0.5, &stepped) == PF_Err_NONE && stepped != nullptr);
    const bool kept = kv::LooksLikeLutValue(bytes.data(), bytes.size());
    PF_ArbCompareResult same = -1;
    Check(host.ArbCompare(h, copy, &same) == PF_Err_NONE);
    Check(same == (kept ? PF_ArbCompare_EQUAL : PF_ArbCompare_NOT_EQUAL));
    Check(host.ArbCompare(copy, stepped, &same) == PF_Err_NONE && same == PF_ArbCompare_EQUAL);
    host.ArbDispose(copy);
    host.ArbDispose(stepped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FakeHost& host = Host();
    const long liveBefore = kvsim::LiveHandleCount();

    PF_ArbitraryH unflattened = nullptr;
    Check(host.ArbUnflatten(size ? data : nullptr, static_cast<A_u_long>(size), &unflattened) == PF_Err_NONE);
    Check(unflattened != nullptr);
    const std::vector<unsigned char> stored = kvsim::HandleBytes(unflattened);
    if (kv::LooksLikeLutValue(data, size)) {
        Check(stored.size() == size && std::equal(stored.begin(), stored.end(), data));
    } else {
        static const unsigned char kNoLut16[12] = {'K', 0, 'V', 0, 'L', 0, 'U', 0, 'T', 0, '0', 0};
        Check(stored.size() == 12 && std::memcmp(stored.data(), kNoLut16, 12) == 0);
    }
    ReadEveryWay(host, unflattened);
    host.ArbDispose(unflattened);

    PF_Handle raw = kvsim::MakeHandle(data, size);
    ReadEveryWay(host, raw);
    {
        kvsim::FakeWorld in(kv::kArgb8, 5, 3);
        kvsim::FakeWorld out(kv::kArgb8, 4, 4);
        in.FillTestPicture(1);
        kvsim::FakeParams params(&in, 50.0, raw);
        Check(host.Call(PF_Cmd_RENDER, params.list(), &out.def()) == PF_Err_NONE);
        Check(host.Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()) == PF_Err_NONE);
        Check(host.suitesHeld() == 0);
        host.ClearRecords();  // the host keeps every label update otherwise
    }
    kvsim::DisposeHandle(raw);

    PF_ArbitraryH scanned = nullptr;
    const PF_Err scan = host.ArbScan(reinterpret_cast<const char*>(data), static_cast<A_u_long>(size), &scanned);
    Check(scan == PF_Err_NONE || scan == PF_Err_CANNOT_PARSE_KEYFRAME_TEXT);
    Check((scan == PF_Err_NONE) == (scanned != nullptr));
    if (scanned != nullptr) {
        // Scanned text prints back byte for byte.
        const std::vector<unsigned char> wide = kvsim::HandleBytes(scanned);
        const std::string text = kv::ExtractLutText(wide.data(), wide.size());
        Check(text.size() == size && std::memcmp(text.data(), data, size) == 0);
        PrintEverySize(host, scanned, text);
        host.ArbDispose(scanned);
    }

    Check(kvsim::LiveHandleCount() == liveBefore);
    Check(kvsim::LockedHandleCount() == 0);
    return 0;
}
