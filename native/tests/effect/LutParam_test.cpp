// The parameters and the "LUT" value's host callbacks, driven through
// EffectMain as a host would.

#include "effect/LutParam.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "host_sim/FakeHost.h"
#include "LogLines.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

using kvsim::FakeHost;
using kvsim::HandleBytes;
using kvsim::LogTail;

const std::vector<unsigned char> kNoLut16 = {'K', 0, 'V', 0, 'L', 0, 'U', 0, 'T', 0, '0', 0};

std::vector<unsigned char> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(ParamsSetup, AddsTheFourParametersInOrder) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    ASSERT_EQ(host.Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    EXPECT_EQ(host.out().num_params, 5);
    const std::vector<PF_ParamDef> defs = host.addedParams();
    ASSERT_EQ(defs.size(), 4u);

    EXPECT_EQ(defs[0].param_type, PF_Param_FLOAT_SLIDER);
    EXPECT_STREQ(defs[0].name, "Amount");
    EXPECT_EQ(defs[0].uu.id, 2);
    EXPECT_EQ(defs[0].u.fs_d.value, 100.0);
    EXPECT_EQ(defs[0].u.fs_d.dephault, 100.0f);
    EXPECT_EQ(defs[0].u.fs_d.valid_max, 100.0f);
    EXPECT_EQ(defs[0].u.fs_d.slider_max, 100.0f);
    EXPECT_EQ(defs[0].u.fs_d.precision, 1);
    EXPECT_EQ(defs[0].u.fs_d.display_flags, PF_ValueDisplayFlag_PERCENT);
    EXPECT_EQ(defs[0].flags, 0);

    EXPECT_EQ(defs[1].param_type, PF_Param_ARBITRARY_DATA);
    EXPECT_STREQ(defs[1].name, "LUT");
    EXPECT_EQ(defs[1].uu.id, 4);
    EXPECT_EQ(defs[1].u.arb_d.id, 4);
    EXPECT_EQ(defs[1].flags, 0x2);
    EXPECT_EQ(defs[1].ui_flags, 0x8);
    EXPECT_EQ(defs[1].ui_width, 1);
    EXPECT_EQ(defs[1].ui_height, 1);
    EXPECT_EQ(defs[1].u.arb_d.value, nullptr);
    EXPECT_NE(defs[1].u.arb_d.refconPV, nullptr);
    EXPECT_EQ(HandleBytes(defs[1].u.arb_d.dephault), kNoLut16);
    kvsim::DisposeHandle(defs[1].u.arb_d.dephault);

    EXPECT_EQ(defs[2].param_type, PF_Param_BUTTON);
    EXPECT_STREQ(defs[2].name, "LUT ");
    EXPECT_EQ(defs[2].uu.id, 5);
    EXPECT_EQ(defs[2].flags, 0x42);
    EXPECT_STREQ(defs[2].u.button_d.u.namesptr, "Change LUT");
    EXPECT_STREQ(defs[3].name, "Match");
    EXPECT_EQ(defs[3].uu.id, 7);
    EXPECT_EQ(defs[3].flags, 0x42);
    EXPECT_STREQ(defs[3].u.button_d.u.namesptr, "Edit LUT");
}

TEST(ParamsSetup, StopsAtTheFirstRefusal) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    host.RefuseAddParam(2, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host.Call(PF_Cmd_PARAMS_SETUP), PF_Err_OUT_OF_MEMORY);
    const std::vector<PF_ParamDef> defs = host.addedParams();
    ASSERT_EQ(defs.size(), 2u);  // the LUT's default handle went to the host
    kvsim::DisposeHandle(defs[1].u.arb_d.dephault);
    EXPECT_EQ(host.out().num_params, 0);
}

TEST(ArbitraryCallbacks, NewValueSurvivesAProjectRoundTrip) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    const long handlesBefore = kvsim::LiveHandleCount();

    PF_ArbitraryH fresh = nullptr;
    ASSERT_EQ(host.ArbNew(&fresh), PF_Err_NONE);
    A_u_long size = 0;
    ASSERT_EQ(host.ArbFlatSize(fresh, &size), PF_Err_NONE);
    EXPECT_EQ(size, 12u);

    // The panel stores a LUT; the project is saved and opened again.
    PF_ArbitraryH stored = kvsim::MakeHandle16(kvtest::InvertRedText(31, "dusk"));
    ASSERT_EQ(host.ArbFlatSize(stored, &size), PF_Err_NONE);
    std::vector<unsigned char> flat(size, 0xEE);
    ASSERT_EQ(host.ArbFlatten(stored, flat.data(), size), PF_Err_NONE);
    EXPECT_EQ(flat, HandleBytes(stored));
    PF_ArbitraryH reopened = nullptr;
    ASSERT_EQ(host.ArbUnflatten(flat.data(), size, &reopened), PF_Err_NONE);
    PF_ArbCompareResult same = -1;
    ASSERT_EQ(host.ArbCompare(stored, reopened, &same), PF_Err_NONE);
    EXPECT_EQ(same, PF_ArbCompare_EQUAL);
    ASSERT_EQ(host.ArbCompare(stored, fresh, &same), PF_Err_NONE);
    EXPECT_EQ(same, PF_ArbCompare_NOT_EQUAL);

    for (PF_ArbitraryH h : {fresh, stored, reopened}) {
        EXPECT_EQ(host.ArbDispose(h), PF_Err_NONE);
    }
    EXPECT_EQ(kvsim::LiveHandleCount(), handlesBefore);
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
}

TEST(ArbitraryCallbacks, FlattenNeedsRoomForTheWholeValue) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_ArbitraryH value = kvsim::MakeHandle16("KVLUT0");
    std::vector<unsigned char> buffer(11, 0xEE);
    EXPECT_EQ(host.ArbFlatten(value, buffer.data(), 11), PF_Err_NONE);
    EXPECT_EQ(buffer, std::vector<unsigned char>(11, 0xEE));
    EXPECT_EQ(host.ArbFlatten(value, nullptr, 12), PF_Err_NONE);
    A_u_long size = 99;
    EXPECT_EQ(host.ArbFlatSize(nullptr, &size), PF_Err_NONE);
    EXPECT_EQ(size, 0u);
    kvsim::DisposeHandle(value);
}

TEST(ArbitraryCallbacks, ForeignFlatDataOpensAsNoLut) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    LogTail log;
    const struct {
        std::vector<unsigned char> bytes;
        const char* line;
    } cases[] = {
        {Bytes("KVLUT"), "Arb UNFLATTEN: 5 bytes are not KVLUT text, using none"},
        {Bytes(std::string_view("K\0V\0L\0U\0", 8)), "Arb UNFLATTEN: 8 bytes are not KVLUT text, using none"},
        {Bytes("<xml>not ours</xml>"), "Arb UNFLATTEN: 19 bytes are not KVLUT text, using none"},
        {{}, "Arb UNFLATTEN: 0 bytes are not KVLUT text, using none"},
    };
    for (const auto& c : cases) {
        PF_ArbitraryH value = nullptr;
        log.Take();
        ASSERT_EQ(host.ArbUnflatten(c.bytes.empty() ? nullptr : c.bytes.data(),
                                    static_cast<A_u_long>(c.bytes.size()), &value),
                  PF_Err_NONE);
        EXPECT_EQ(HandleBytes(value), kNoLut16);
        const std::vector<std::string> lines = log.Take();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end()) << c.line;
        kvsim::DisposeHandle(value);
    }
    // 8-bit LUT text is kept as it is, short pattern requests included: a
    // project saved with one must reopen with it.
    for (const char* text : {"KVLUT0 kept", "KVLUTP 17", "KVLUT0"}) {
        const std::vector<unsigned char> eightBit = Bytes(text);
        PF_ArbitraryH value = nullptr;
        ASSERT_EQ(host.ArbUnflatten(eightBit.data(), static_cast<A_u_long>(eightBit.size()), &value),
                  PF_Err_NONE);
        EXPECT_EQ(HandleBytes(value), eightBit) << text;
        PF_ArbitraryH copy = nullptr;
        ASSERT_EQ(host.ArbCopy(value, &copy), PF_Err_NONE);
        EXPECT_EQ(HandleBytes(copy), eightBit) << text;
        kvsim::DisposeHandle(copy);
        kvsim::DisposeHandle(value);
    }
}

TEST(ArbitraryCallbacks, CopyAndInterpKeepOnlyLutText) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_ArbitraryH lut8 = kvsim::MakeHandle8("KVLUT0 eight");
    PF_ArbitraryH junk = kvsim::MakeHandle8("something else");
    PF_ArbitraryH copy = nullptr;
    ASSERT_EQ(host.ArbCopy(lut8, &copy), PF_Err_NONE);
    EXPECT_EQ(HandleBytes(copy), HandleBytes(lut8));
    kvsim::DisposeHandle(copy);
    ASSERT_EQ(host.ArbCopy(junk, &copy), PF_Err_NONE);
    EXPECT_EQ(HandleBytes(copy), kNoLut16);
    kvsim::DisposeHandle(copy);
    ASSERT_EQ(host.ArbCopy(nullptr, &copy), PF_Err_NONE);
    EXPECT_EQ(HandleBytes(copy), kNoLut16);
    kvsim::DisposeHandle(copy);

    PF_ArbitraryH stepped = nullptr;
    ASSERT_EQ(host.ArbInterp(lut8, junk, 0.9, &stepped), PF_Err_NONE);
    EXPECT_EQ(HandleBytes(stepped), HandleBytes(lut8));
    kvsim::DisposeHandle(stepped);
    kvsim::DisposeHandle(lut8);
    kvsim::DisposeHandle(junk);
}

TEST(ArbitraryCallbacks, CompareTellsStorageFormsApart) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    PF_ArbitraryH narrow = kvsim::MakeHandle8("KVLUT0");
    PF_ArbitraryH wide = kvsim::MakeHandle16("KVLUT0");
    PF_ArbitraryH wide2 = kvsim::MakeHandle16("KVLUT0");
    PF_ArbCompareResult result = -1;
    EXPECT_EQ(host.ArbCompare(narrow, wide, &result), PF_Err_NONE);
    EXPECT_EQ(result, PF_ArbCompare_NOT_EQUAL);
    EXPECT_EQ(host.ArbCompare(wide, wide2, &result), PF_Err_NONE);
    EXPECT_EQ(result, PF_ArbCompare_EQUAL);
    EXPECT_EQ(host.ArbCompare(nullptr, nullptr, &result), PF_Err_NONE);
    EXPECT_EQ(result, PF_ArbCompare_EQUAL);
    EXPECT_EQ(host.ArbCompare(wide, nullptr, &result), PF_Err_NONE);
    EXPECT_EQ(result, PF_ArbCompare_NOT_EQUAL);
    // Values the host cannot lock are not known to be equal.
    host.SetFailLockHandle(true);
    EXPECT_EQ(host.ArbCompare(wide, wide2, &result), PF_Err_NONE);
    EXPECT_EQ(result, PF_ArbCompare_NOT_EQUAL);
    host.SetFailLockHandle(false);
    for (PF_ArbitraryH h : {narrow, wide, wide2}) {
        kvsim::DisposeHandle(h);
    }
}

TEST(ArbitraryCallbacks, PrintAndScanUseEightBitText) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    const std::string text = kvtest::InvertRedText(12, "print");
    PF_ArbitraryH wide = kvsim::MakeHandle16(text);

    A_u_long size = 0;
    ASSERT_EQ(host.ArbPrintSize(wide, &size), PF_Err_NONE);
    EXPECT_EQ(size, text.size() + 1);
    std::vector<char> full(size, 'x');
    ASSERT_EQ(host.ArbPrint(wide, full.data(), size), PF_Err_NONE);
    EXPECT_EQ(std::string(full.data()), text);
    char small[4] = {'x', 'x', 'x', 'x'};
    ASSERT_EQ(host.ArbPrint(wide, small, 4), PF_Err_NONE);
    EXPECT_EQ(std::string(small, 4), std::string("KVL") + '\0');
    ASSERT_EQ(host.ArbPrintSize(nullptr, &size), PF_Err_NONE);
    EXPECT_EQ(size, 1u);

    PF_ArbitraryH scanned = nullptr;
    ASSERT_EQ(host.ArbScan(text.data(), static_cast<A_u_long>(text.size()), &scanned), PF_Err_NONE);
    EXPECT_EQ(HandleBytes(scanned), HandleBytes(wide));
    kvsim::DisposeHandle(scanned);
    kvsim::DisposeHandle(wide);
}

TEST(ArbitraryCallbacks, ScanOfBadTextFailsAndLogs) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    LogTail log;
    const std::string bad = "KVLUT9 what";
    PF_ArbitraryH untouched = reinterpret_cast<PF_ArbitraryH>(&host);
    EXPECT_EQ(host.ArbScan(bad.data(), static_cast<A_u_long>(bad.size()), &untouched),
              PF_Err_CANNOT_PARSE_KEYFRAME_TEXT);
    EXPECT_EQ(untouched, reinterpret_cast<PF_ArbitraryH>(&host));
    const std::vector<std::string> lines = log.Take();
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_TRUE(kvtest::HasLinesInOrder(lines, {"Arb SCAN", kvtest::StartsWith("  scan 11 bytes failed: ")}));
    EXPECT_FALSE(kvtest::HasLinesInOrder(lines, {"  scan 11 bytes failed: "})) << "the reason is missing";
}

TEST(ArbitraryCallbacks, NoHandleFromTheHostIsNoError) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    host.SetFailNewHandle(true);
    PF_ArbitraryH value = reinterpret_cast<PF_ArbitraryH>(&host);
    EXPECT_EQ(host.ArbNew(&value), PF_Err_NONE);
    EXPECT_EQ(value, nullptr);
}

TEST(ArbitraryCallbacks, FrequentCallbacksLogOnlyAtFirst) {
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    for (int i = 0; i < 21; ++i) {
        A_u_long size = 0;
        host.ArbFlatSize(nullptr, &size);
    }
    // From the 21st on, selectors below PRINT_SIZE are quiet; the rest always log.
    LogTail log;
    A_u_long size = 0;
    host.ArbFlatSize(nullptr, &size);
    host.ArbPrintSize(nullptr, &size);
    host.ArbSelector(11);
    host.ArbSelector(-1);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Arb PRINT_SIZE", "Arb ?", "Arb ?"}));
}

}  // namespace
