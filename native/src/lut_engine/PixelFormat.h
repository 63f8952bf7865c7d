#pragma once
// The pixel formats the CPU render handles, one record each: everything that
// differs between them lives here, so the render, its band jobs, the input
// statistics, the copy path, the headless host and the tests all read the
// same facts. Adding a format is one record; a new channel depth also brings
// its row operations.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "lut_engine/FrameView.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"
#include "lut_engine/simd/RowLevel.h"

namespace kv {

// How one channel is stored. Every format has four channels of one depth.
enum class ChannelDepth : int32_t {
    k8u,   // a byte, 0..255 for 0..1
    k16u,  // a uint16, 0..32768 for 0..1
    k32f,  // a float32, unclamped
};

// The row operations of one depth at one row level.
struct FormatRowOps {
    LutRowsFn applyLut = nullptr;
    ProbeRowsFn drawProbe = nullptr;
};

inline constexpr int32_t kRowLevelCount = 2;

struct PixelFormat {
    const char* name;            // as the render line shows it ("ARGB8")
    int32_t pixelBytes;          // four channels
    ChannelLayout channelOrder;  // where red, green, blue and alpha sit
    ChannelDepth depth;
    float codeScale;             // integer depths: the input value of one code step
    std::array<FormatRowOps, kRowLevelCount> rowOps;  // indexed by RowLevel
    // The input value of the channel at `position` (0..3) of a pixel, as the
    // render's statistics read it.
    double (*readChannel)(const unsigned char* pixel, int32_t position);
};

// The compositing host's 8-bit worlds, the editing host's 8-bit and float
// frames, then the compositing host's 16-bit and float worlds.
extern const PixelFormat kArgb8;
extern const PixelFormat kBgra8u;
extern const PixelFormat kBgra32f;
extern const PixelFormat kArgb16;
extern const PixelFormat kArgb32f;

// Every format above, in that order.
std::span<const PixelFormat* const> AllPixelFormats();

// The format with this log name, or null.
const PixelFormat* PixelFormatNamed(std::string_view name);

// The format's row operations at `level` (run them only on a processor that
// has the level), and at the active level.
const FormatRowOps& RowOpsAt(const PixelFormat& format, RowLevel level);
const FormatRowOps& ActiveRowOps(const PixelFormat& format);

}  // namespace kv
