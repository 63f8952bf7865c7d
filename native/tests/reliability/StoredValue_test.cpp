// The "LUT" parameter's value as a project keeps it: every LUT text form,
// stored 8-bit or UTF-16, comes back byte for byte through the callbacks a
// host uses to save, copy, show and re-read it; cut or foreign bytes open as
// no LUT (with the log line), render as a copy and never crash.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "RenderFormats.h"
#include "host_link/LutCache.h"

namespace kvtest {
namespace {

using Bytes = std::vector<unsigned char>;

std::string Fixture(const std::string& name) {
    std::ifstream file(std::string(KV_TEST_DATA_DIR) + "/lut_text/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

Bytes Narrow(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Wide(const std::string& text) {
    Bytes wide;
    for (char c : text) {
        wide.push_back(static_cast<unsigned char>(c));
        wide.push_back(0);
    }
    return wide;
}

const Bytes kNoLut16 = Wide("KVLUT0");

// Every form, each long enough (10 bytes or more) to count as a stored value.
std::vector<std::string> AllForms() {
    return {"KVLUT0 and whatever follows",
            "KVLUTP 12\r\n",
            Fixture("pattern17.txt"),
            Fixture("identity2_kvlut1.txt"),
            Fixture("identity2_kvlut2.txt"),
            Fixture("identity2_kvlut3.txt"),
            InvertRedText(-5, "Gr\xC3\xBCn look 100%"),
            kv::FormatLutText(InvertRedLut(), 2147483647, std::string(600, 'n'))};
}

// Saves, reloads, copies, prints and re-scans `value`; each must give back
// what was stored.
void RoundTrips(kvsim::FakeHost& host, const Bytes& stored, const std::string& text) {
    PF_Handle value = kvsim::MakeHandle(stored.data(), stored.size());

    A_u_long flatSize = 0;
    ASSERT_EQ(host.ArbFlatSize(value, &flatSize), PF_Err_NONE);
    Bytes flat(flatSize);
    ASSERT_EQ(host.ArbFlatten(value, flat.data(), flatSize), PF_Err_NONE);
    EXPECT_EQ(flat, stored);
    PF_ArbitraryH reloaded = nullptr;
    ASSERT_EQ(host.ArbUnflatten(flat.data(), flatSize, &reloaded), PF_Err_NONE);
    EXPECT_EQ(kvsim::HandleBytes(reloaded), stored);

    PF_ArbitraryH copy = nullptr, stepped = nullptr;
    ASSERT_EQ(host.ArbCopy(reloaded, &copy), PF_Err_NONE);
    ASSERT_EQ(host.ArbInterp(copy, value, 0.25, &stepped), PF_Err_NONE);
    EXPECT_EQ(kvsim::HandleBytes(copy), stored);
    EXPECT_EQ(kvsim::HandleBytes(stepped), stored);
    PF_ArbCompareResult same = -1;
    EXPECT_EQ(host.ArbCompare(value, stepped, &same), PF_Err_NONE);
    EXPECT_EQ(same, PF_ArbCompare_EQUAL);

    A_u_long printSize = 0;
    ASSERT_EQ(host.ArbPrintSize(copy, &printSize), PF_Err_NONE);
    ASSERT_EQ(printSize, text.size() + 1);
    std::string printed(printSize, '\x7F');
    ASSERT_EQ(host.ArbPrint(copy, printed.data(), printSize), PF_Err_NONE);
    EXPECT_EQ(printed, text + '\0');

    // Scanned text is stored as UTF-16 and means the same LUT.
    PF_ArbitraryH scanned = nullptr;
    ASSERT_EQ(host.ArbScan(text.data(), static_cast<A_u_long>(text.size()), &scanned), PF_Err_NONE);
    EXPECT_EQ(kvsim::HandleBytes(scanned), Wide(text));
    const Bytes scannedBytes = kvsim::HandleBytes(scanned);
    const auto a = kv::GetLutForParam(stored.data(), stored.size());
    const auto b = kv::GetLutForParam(scannedBytes.data(), scannedBytes.size());
    ASSERT_EQ(a == nullptr, b == nullptr);
    if (a != nullptr) {
        EXPECT_EQ(a->data, b->data);
        EXPECT_EQ(a->name, b->name);
        EXPECT_EQ(a->probe, b->probe);
    }

    for (PF_ArbitraryH h : {reloaded, copy, stepped, scanned}) host.ArbDispose(h);
    kvsim::DisposeHandle(value);
}

TEST(StoredValue, EveryFormSurvivesTheCallbacksInBothStorages) {
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    const long live = kvsim::LiveHandleCount();
    for (const std::string& text : AllForms()) {
        SCOPED_TRACE(text.substr(0, 40));
        RoundTrips(host, Narrow(text), text);
        RoundTrips(host, Wide(text), text);
    }
    EXPECT_EQ(kvsim::LiveHandleCount(), live);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
}

// Every cut of a stored LUT, in both storages: reloading keeps a value that
// still starts like LUT text and replaces anything shorter by no LUT with the
// log line; rendering a cut LUT copies the input.
TEST(StoredValue, CutValuesOpenAsNoLutAndRenderAsACopy) {
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    kvsim::FakeWorld in(kv::kArgb8, 8, 8);
    kvsim::FakeWorld out(kv::kArgb8, 8, 8);
    in.FillTestPicture(21);
    const std::string text = InvertRedText(81, "cut");
    // An 8-bit value needs "KVLUT" and one more byte; a UTF-16 one the whole
    // 10-byte magic.
    const struct {
        Bytes whole;
        size_t shortestKept;
    } storages[] = {{Narrow(text), 6}, {Wide(text), 10}};
    for (const auto& [whole, shortestKept] : storages) {
        for (size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE(std::to_string(whole.size()) + " cut to " + std::to_string(length));
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            kvsim::LogTail log;
            PF_ArbitraryH reloaded = nullptr;
            ASSERT_EQ(host.ArbUnflatten(cut.data(), static_cast<A_u_long>(length), &reloaded), PF_Err_NONE);
            const std::vector<std::string> lines = log.Take();
            if (length >= shortestKept) {
                EXPECT_EQ(kvsim::HandleBytes(reloaded), cut);
            } else {
                EXPECT_EQ(kvsim::HandleBytes(reloaded), kNoLut16);
                EXPECT_EQ(lines.back(),
                          "Arb UNFLATTEN: " + std::to_string(length) + " bytes are not KVLUT text, using none");
            }
            kvsim::FakeParams params(&in, 100.0, reloaded);
            out.FillBytes(kUntouched);
            ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
            EXPECT_EQ(out.bytes(), in.bytes());
            host.ArbDispose(reloaded);
        }
    }
}

// Bytes from elsewhere: other programs' data, text with a character beyond
// 8 bits, a byte-order mark, a LUT magic in the wrong case.
TEST(StoredValue, ForeignBytesOpenAsNoLut) {
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    Bytes beyond = Wide(InvertRedText(82, "wide"));
    beyond[beyond.size() - 1] = 0x01;  // last unit U+01xx
    Bytes bom = {0xFF, 0xFE};
    const Bytes rest = Wide(InvertRedText(83, "bom"));
    bom.insert(bom.end(), rest.begin(), rest.end());
    const std::vector<Bytes> foreign = {Narrow("<?xml version=\"1.0\"?><lut/>"), Narrow("kvlut3 1 - 2 0 1 AAAA"),
                                        bom, Bytes(64, 0), Bytes(4096, 0xFF)};
    for (const Bytes& bytes : foreign) {
        kvsim::LogTail log;
        PF_ArbitraryH reloaded = nullptr;
        ASSERT_EQ(host.ArbUnflatten(bytes.data(), static_cast<A_u_long>(bytes.size()), &reloaded), PF_Err_NONE);
        EXPECT_EQ(kvsim::HandleBytes(reloaded), kNoLut16);
        EXPECT_EQ(log.Take().back(),
                  "Arb UNFLATTEN: " + std::to_string(bytes.size()) + " bytes are not KVLUT text, using none");
        host.ArbDispose(reloaded);
    }

    // A UTF-16 value with a unit beyond 8 bits is kept (its magic is fine)
    // but holds no text: it prints empty and renders as a copy.
    PF_ArbitraryH kept = nullptr;
    ASSERT_EQ(host.ArbUnflatten(beyond.data(), static_cast<A_u_long>(beyond.size()), &kept), PF_Err_NONE);
    EXPECT_EQ(kvsim::HandleBytes(kept), beyond);
    A_u_long printSize = 0;
    EXPECT_EQ(host.ArbPrintSize(kept, &printSize), PF_Err_NONE);
    EXPECT_EQ(printSize, 1u);
    kvsim::FakeWorld in(kv::kArgb8, 8, 8);
    kvsim::FakeWorld out(kv::kArgb8, 8, 8);
    in.FillTestPicture(22);
    kvsim::FakeParams params(&in, 100.0, kept);
    kvsim::LogTail log;
    ASSERT_EQ(host.Call(PF_Cmd_RENDER, params.list(), &out.def()), PF_Err_NONE);
    EXPECT_EQ(out.bytes(), in.bytes());
    const std::vector<std::string> lines = log.Take();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Embedded LUT: parameter does not hold KVLUT text");
    host.ArbDispose(kept);
}

}  // namespace
}  // namespace kvtest
