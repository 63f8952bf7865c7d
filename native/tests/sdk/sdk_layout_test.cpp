// The layout itself is pinned by the headers' static_asserts, which fail the
// build. This file compiles every header together with the C library headers
// whose names the records reuse (abort, sprintf, log ...), and checks that
// values written through the records land at the bytes the hosts read.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sdk/effect_sdk.h"
#include "sdk/gpu_filter_sdk.h"
#include "sdk/gpu_filter_suites.h"

#include <gtest/gtest.h>

namespace {

template <typename T>
T ReadAt(const void* record, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

TEST(SdkLayout, PackedRecordsHoldUnalignedValues) {
    PrParam param{};
    param.mType = kPrParamType_Float64;
    param.mFloat64 = 0.625;
    EXPECT_EQ(ReadAt<uint32_t>(&param, 0), 6u);
    EXPECT_EQ(ReadAt<double>(&param, 4), 0.625);

    PrGPUFilterInstance instance{};
    int marker = 0;
    instance.ioPrivatePluginData = &marker;
    instance.outIsRealtime = kPrTrue;
    EXPECT_EQ(ReadAt<void*>(&instance, 20), &marker);
    EXPECT_EQ(ReadAt<int32_t>(&instance, 28), 1);

    PlugUtilFuncs util{};
    piSuites suites{};
    suites.utilFuncs = &util;
    EXPECT_EQ(ReadAt<PlugUtilFuncs*>(&suites, 28), &util);
}

TEST(SdkLayout, EffectRecordsPlaceFieldsWhereTheHostReadsThem) {
    PF_InData in{};
    in.appl_id = PF_ApplId_PREMIERE;
    in.version.major = 13;
    in.version.minor = 29;
    EXPECT_EQ(ReadAt<int32_t>(&in, 204), 0x50724D72);
    EXPECT_EQ(ReadAt<int16_t>(&in, 196), 13);
    EXPECT_EQ(ReadAt<int16_t>(&in, 198), 29);

    PF_OutData out{};
    out.my_version = PF_VERSION(1, 0, 0, PF_Stage_DEVELOP, 12);
    out.out_flags = PF_OutFlag_SEND_UPDATE_PARAMS_UI | PF_OutFlag_PIX_INDEPENDENT;
    out.out_flags2 = PF_OutFlag2_SUPPORTS_THREADED_RENDERING;
    EXPECT_EQ(ReadAt<uint32_t>(&out, 0), 0x0008000Cu);
    EXPECT_EQ(ReadAt<int32_t>(&out, 96), 0x04000400);
    EXPECT_EQ(ReadAt<int32_t>(&out, 400), 0x08000000);

    PF_ParamDef def{};
    def.u.fs_d.value = 100.0;
    def.u.fs_d.display_flags = PF_ValueDisplayFlag_PERCENT;
    EXPECT_EQ(ReadAt<double>(&def, 56), 100.0);
    EXPECT_EQ(ReadAt<int16_t>(&def, 126), 1);
}

}  // namespace
