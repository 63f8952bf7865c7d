#include "lut_engine/PixelFormat.h"

#include <cstring>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/simd/LutRowsAvx2.h"

namespace kv {

namespace {

static_assert(static_cast<int32_t>(RowLevel::kAvx2) + 1 == kRowLevelCount);

constexpr std::array<FormatRowOps, kRowLevelCount> kRows8{{
    {&ApplyLutRows8, &DrawProbeRows8},
    {&ApplyLutRows8Avx2, &DrawProbeRows8Avx2},
}};

constexpr std::array<FormatRowOps, kRowLevelCount> kRows16{{
    {&ApplyLutRows16, &DrawProbeRows16},
    {&ApplyLutRows16Avx2, &DrawProbeRows16Avx2},
}};

constexpr std::array<FormatRowOps, kRowLevelCount> kRows32f{{
    {&ApplyLutRows32f, &DrawProbeRows32f},
    {&ApplyLutRows32fAvx2, &DrawProbeRows32fAvx2},
}};

// The statistics work in double: a byte over 255 in double, not the float
// scale the LUT maths uses.
double ReadChannel8(const unsigned char* pixel, int32_t position) {
    return pixel[position] * 0.00392156862745098;
}

// Exact in double: a code times 2^-15.
double ReadChannel16(const unsigned char* pixel, int32_t position) {
    uint16_t code;
    std::memcpy(&code, pixel + 2 * position, sizeof code);
    return code * 0x1p-15;
}

double ReadChannel32f(const unsigned char* pixel, int32_t position) {
    float value;
    std::memcpy(&value, pixel + 4 * position, sizeof value);
    return value;
}

}  // namespace

constinit const PixelFormat kArgb8{"ARGB8", 4, kLayoutARGB, ChannelDepth::k8u, kByteScale, kRows8, &ReadChannel8};
constinit const PixelFormat kBgra8u{"BGRA8u", 4, kLayoutBGRA, ChannelDepth::k8u, kByteScale, kRows8, &ReadChannel8};
constinit const PixelFormat kBgra32f{"BGRA32f", 16, kLayoutBGRA, ChannelDepth::k32f, 1.0f, kRows32f, &ReadChannel32f};
constinit const PixelFormat kArgb16{"ARGB16", 8, kLayoutARGB, ChannelDepth::k16u, kCode16Scale, kRows16, &ReadChannel16};
constinit const PixelFormat kArgb32f{"ARGB32f", 16, kLayoutARGB, ChannelDepth::k32f, 1.0f, kRows32f, &ReadChannel32f};

std::span<const PixelFormat* const> AllPixelFormats() {
    static const PixelFormat* const kAll[] = {&kArgb8, &kBgra8u, &kBgra32f, &kArgb16, &kArgb32f};
    return kAll;
}

const PixelFormat* PixelFormatNamed(std::string_view name) {
    for (const PixelFormat* format : AllPixelFormats()) {
        if (name == format->name) {
            return format;
        }
    }
    return nullptr;
}

const FormatRowOps& RowOpsAt(const PixelFormat& format, RowLevel level) {
    return format.rowOps[static_cast<size_t>(level)];
}

const FormatRowOps& ActiveRowOps(const PixelFormat& format) {
    return RowOpsAt(format, ActiveRowLevel());
}

}  // namespace kv
