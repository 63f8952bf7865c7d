#include "lut_engine/PixelFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace {

// Every listed format is found by its own name, no two share one, and each
// has both row operations at every level.
TEST(PixelFormat, EveryFormatIsFoundByItsNameWithItsRowOperations) {
    std::set<std::string> names;
    for (const kv::PixelFormat* format : kv::AllPixelFormats()) {
        EXPECT_EQ(kv::PixelFormatNamed(format->name), format) << format->name;
        EXPECT_TRUE(names.insert(format->name).second) << format->name;
        for (const kv::RowLevel level : {kv::RowLevel::kScalar, kv::RowLevel::kAvx2}) {
            EXPECT_NE(kv::RowOpsAt(*format, level).applyLut, nullptr) << format->name;
            EXPECT_NE(kv::RowOpsAt(*format, level).drawProbe, nullptr) << format->name;
        }
    }
    EXPECT_EQ(kv::PixelFormatNamed("ARGB16"), &kv::kArgb16);
    EXPECT_EQ(kv::PixelFormatNamed("ARGB32f"), &kv::kArgb32f);
    EXPECT_EQ(kv::PixelFormatNamed("argb16"), nullptr);
}

// The statistics read 16-bit codes as exact multiples of 2^-15 in double,
// from the channel's own two bytes; codes above full scale read above 1.
TEST(PixelFormat, SixteenBitStatisticsReadCodesOverFullScale) {
    const uint16_t pixel[4] = {32768, 1, 16384, 65535};
    unsigned char bytes[16];
    std::memcpy(bytes, pixel, sizeof pixel);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 0), 1.0);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 1), 1.0 / 32768.0);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 2), 0.5);
    EXPECT_EQ(kv::kArgb16.readChannel(bytes, 3), 65535.0 / 32768.0);

    const float floats[4] = {0.25f, -1.5f, 3.0f, 0.1f};
    std::memcpy(bytes, floats, sizeof floats);
    EXPECT_EQ(kv::kArgb32f.readChannel(bytes, 1), -1.5);
    EXPECT_EQ(kv::kArgb32f.readChannel(bytes, 2), 3.0);
}

}  // namespace
