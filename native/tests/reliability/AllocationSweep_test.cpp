// Memory running out at every allocation in turn: each operation is repeated
// with its first N allocations granted and the next one refused, for N from
// 0 until it runs without a refusal. Whatever N, the effect answers 0 with a
// complete result or 512 with the host's value as it was; no handle leaks or
// stays locked, and once memory is back the same operation works.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "FailingAllocation.h"
#include "RenderFormats.h"
#include "../panel_link/PanelFiles.h"
#include "../platform/ScratchFolder.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"
#include "platform/DialogScript.h"

namespace kvtest {
namespace {

constexpr long kGiveUpAfter = 100000;  // allocations; far more than any operation makes

// A 9-node cube that mixes the channels, as LUT text and as a .cube file.
kv::Lut3D MixingLut() {
    kv::Lut3D lut;
    lut.size = 9;
    lut.data.resize(9 * 9 * 9 * 3);
    for (int b = 0; b < 9; ++b) {
        for (int g = 0; g < 9; ++g) {
            for (int r = 0; r < 9; ++r) {
                float* node = &lut.data[3 * (r + 9 * (g + 9 * b))];
                node[0] = static_cast<float>(g) / 8.0f;
                node[1] = static_cast<float>(r * b) / 64.0f;
                node[2] = 1.0f - static_cast<float>(b) / 8.0f;
            }
        }
    }
    return lut;
}

std::string CubeFileText(const kv::Lut3D& lut) {
    std::string text = "# Kromvale match 88\nLUT_3D_SIZE 9\n";
    char line[64];
    for (size_t i = 0; i < lut.data.size(); i += 3) {
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", lut.data[i], lut.data[i + 1], lut.data[i + 2]);
        text += line;
    }
    return text;
}

std::string Narrowed(const std::vector<unsigned char>& stored) {
    std::string text;
    for (size_t i = 0; i + 1 < stored.size(); i += 2) text += static_cast<char>(stored[i]);
    return text;
}

// Runs `attempt(n)` with the n-th allocation refused for n = 0, 1, ... until
// an attempt refuses none; returns that n (the operation's allocation count).
template <typename Attempt>
long Sweep(Attempt attempt) {
    for (long n = 0; n < kGiveUpAfter; ++n) {
        const long refusedBefore = RefusedAllocations();
        attempt(n);
        if (RefusedAllocations() == refusedBefore) return n;
    }
    ADD_FAILURE() << "still refusing after " << kGiveUpAfter << " allocations";
    return kGiveUpAfter;
}

TEST(AllocationSweep, ScanKeepsTheValueOrMakesAWholeOne) {
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    const std::string text = kv::FormatLutText(MixingLut(), 31, "sweep scan");
    PF_Handle old = kvsim::MakeHandle16(InvertRedText(30, "old"));
    const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
    const long liveHandles = kvsim::LiveHandleCount();
    int wrong = 0;
    const long allocations = Sweep([&](long n) {
        PF_ArbitraryH value = old;
        PF_Err err;
        {
            AllocationFailure failing(n);
            err = host.ArbScan(text.data(), static_cast<A_u_long>(text.size()), &value);
        }
        if (err == PF_Err_NONE) {
            wrong += value == old || Narrowed(kvsim::HandleBytes(value)) != text;
            if (value != old) host.ArbDispose(value);
        } else {
            wrong += err != PF_Err_INTERNAL_STRUCT_DAMAGED || value != old || kvsim::HandleBytes(old) != oldBytes;
        }
        wrong += kvsim::LiveHandleCount() != liveHandles || kvsim::LockedHandleCount() != 0;
    });
    EXPECT_EQ(wrong, 0) << "over " << allocations << " allocation points";
    EXPECT_GT(allocations, 0);
    kvsim::DisposeHandle(old);
}

// A render refused part-way may leave the output half-written, but never
// answers 0 for it; the LUT cache is left usable at every point.
TEST(AllocationSweep, RenderAnswersForWholeFramesOnly) {
    for (const FormatCase& f : kFormats) {
        SCOPED_TRACE(f.name);
        kvsim::FakeHost host(f.host, EffectMain);
        host.SetPixelFormat(f.hostFormat);
        kvsim::FakeWorld in(f.pixelFormat, 64, 48);
        kvsim::FakeWorld out(f.pixelFormat, 64, 48);
        kvsim::FakeWorld reference(f.pixelFormat, 64, 48);
        in.FillTestPicture(21);
        // Text the cache has not seen, different for each format.
        PF_Handle lut = kvsim::MakeHandle16(kv::FormatLutText(MixingLut(), 40 + static_cast<int>(&f - kFormats), "sweep render"));
        kvsim::FakeParams params(&in, 75.0, lut);
        int wrong = 0;
        std::vector<std::vector<unsigned char>> answers;
        const long allocations = Sweep([&](long n) {
            out.FillBytes(kUntouched);
            PF_Err err;
            {
                AllocationFailure failing(n);
                err = RenderAs(f, host, params, out.def());
            }
            wrong += err != PF_Err_NONE && err != PF_Err_INTERNAL_STRUCT_DAMAGED;
            if (err == PF_Err_NONE) answers.push_back(out.bytes());
            wrong += kvsim::LockedHandleCount() != 0 || host.suitesHeld() != 0;
        });
        ASSERT_EQ(RenderAs(f, host, params, reference.def()), PF_Err_NONE);
        for (const std::vector<unsigned char>& answer : answers) wrong += answer != reference.bytes();
        EXPECT_EQ(wrong, 0) << "over " << allocations << " allocation points";
        EXPECT_FALSE(answers.empty());
        kvsim::DisposeHandle(lut);
    }
}

// The "Change LUT" press: the picked file is stored whole, or the value stays
// as it was (with the refusal shown or the press answered 512).
TEST(AllocationSweep, ChangeLutStoresTheWholeFileOrNothing) {
    ScratchFolder scratch;
    const kv::Lut3D cube = MixingLut();
    const std::wstring path = JoinPath(scratch.wide(), L"sweep.cube");
    ASSERT_TRUE(WriteFileBytes(path, CubeFileText(cube)));
    kv::Lut3D expected;
    ASSERT_TRUE(kv::ReadCubeFile(CubeFileText(cube), expected));

    kv::platform::SetDialogsScripted(true);
    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    int wrong = 0;
    int stored = 0;
    const long allocations = Sweep([&](long n) {
        PF_Handle old = kvsim::MakeHandle16(InvertRedText(50, "before"));
        const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
        const long liveHandles = kvsim::LiveHandleCount();
        kvsim::FakeParams params(nullptr, 100.0, old);
        kv::platform::ClearDialogScript();
        kv::platform::QueueOpenFileAnswer(path);
        PF_UserChangedParamExtra extra{3};
        host.ResetOutData();
        PF_Err err;
        {
            AllocationFailure failing(n);
            err = host.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &extra);
        }
        wrong += err != PF_Err_NONE && err != PF_Err_INTERNAL_STRUCT_DAMAGED;
        const std::vector<unsigned char> now = kvsim::HandleBytes(params.lut());
        if (now != oldBytes) {
            kv::Lut3D back;
            wrong += !kv::ParseLutText(Narrowed(now), back) || back.size != 9 || back.id != 88 ||
                     back.name != "sweep";
            ++stored;
        }
        wrong += kvsim::LiveHandleCount() != liveHandles || kvsim::LockedHandleCount() != 0;
        kvsim::DisposeHandle(params.lut());
        host.ClearRecords();
    });
    kv::platform::ClearDialogScript();
    kv::platform::SetDialogsScripted(false);
    EXPECT_EQ(wrong, 0) << "over " << allocations << " allocation points";
    EXPECT_GE(stored, 1);
}

}  // namespace
}  // namespace kvtest
