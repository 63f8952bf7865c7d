#pragma once
// How each depth reads a colour channel into the LUT's input range and
// writes a result back, for the row operations: bytes and 16-bit codes
// scaled, floats as they are. Every channel goes through LoadChannel /
// StoreChannel, since row bytes may leave a row at any byte.

#include <cstdint>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/FrameView.h"

namespace kv {

struct FloatChannels {
    using Channel = float;
    static float Read(const unsigned char* pixel, int32_t position, float) {
        return LoadChannel<float>(pixel, position);
    }
    static void Write(unsigned char* pixel, int32_t position, float v) { StoreChannel(pixel, position, v); }
};

struct ByteChannels {
    using Channel = uint8_t;
    static float Read(const unsigned char* pixel, int32_t position, float scale) {
        return static_cast<float>(pixel[position]) * scale;
    }
    static void Write(unsigned char* pixel, int32_t position, float v) { pixel[position] = ByteFromUnit(v); }
};

struct Code16Channels {
    using Channel = uint16_t;
    static float Read(const unsigned char* pixel, int32_t position, float scale) {
        return static_cast<float>(LoadChannel<uint16_t>(pixel, position)) * scale;
    }
    static void Write(unsigned char* pixel, int32_t position, float v) {
        StoreChannel(pixel, position, Code16FromUnit(v));
    }
};

}  // namespace kv
