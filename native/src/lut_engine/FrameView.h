#pragma once
// A view of one frame as the row operations see it.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kv {

// Channel order of a frame's pixels. Any value other than the two named
// ones means RGBA.
enum ChannelLayout : int32_t {
    kLayoutBGRA = 0,  // the editing host's frames
    kLayoutARGB = 1,  // the compositing host's 8-bit worlds
    kLayoutRGBA = 2,
};

struct FrameView {
    unsigned char* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0;      // distance between row starts; may exceed width * pixel size
    int32_t channelOrder = 0;  // a ChannelLayout value
};

// Position (0..3) of red, green, blue and alpha inside one pixel, in channels.
struct ChannelTable {
    int32_t r = 0;
    int32_t g = 1;
    int32_t b = 2;
    int32_t a = 3;
};

ChannelTable ChannelTableFor(int32_t channelOrder);

// Start of row y. The offset is formed in 64 bits: frames beyond 2 GiB
// (16K float frames, tall strips) overflow a 32-bit y * rowBytes.
inline unsigned char* RowPointer(const FrameView& view, int32_t y) {
    return view.data + static_cast<std::ptrdiff_t>(y) * static_cast<std::ptrdiff_t>(view.rowBytes);
}

// Channel `position` of the pixel starting at `pixel`, for channels of type
// T. A host's row bytes need not be a multiple of the channel size, so a
// row may start at any byte: channels are copied rather than read through a
// T pointer, which would be undefined there. Compilers make each copy one
// plain load or store.
template <class T>
inline T LoadChannel(const unsigned char* pixel, int32_t position) {
    T value;
    std::memcpy(&value, pixel + static_cast<std::ptrdiff_t>(sizeof(T)) * position, sizeof value);
    return value;
}

template <class T>
inline void StoreChannel(unsigned char* pixel, int32_t position, T value) {
    std::memcpy(pixel + static_cast<std::ptrdiff_t>(sizeof(T)) * position, &value, sizeof value);
}

}  // namespace kv
