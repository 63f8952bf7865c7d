#pragma once
// Pictures in and out of the worlds a host hands the effect: After Effects'
// 8-bit ARGB, Premiere's 8-bit and 32-bit float BGRA.

#include <cstdint>

#include "host_sim/FakeHost.h"
#include "image/Image.h"

namespace kvtool {

// Fills the world (of the image's size) from the image: 8-bit worlds take the
// 8-bit samples (16-bit ones rounded to 8 bits), float worlds take sample/max.
void ImageToWorld(const Image& image, kvsim::FakeWorld& world);

// The world as a picture: 8-bit worlds give 8-bit pictures, float worlds
// 16-bit pictures through FloatToSample16.
Image WorldToImage(kvsim::FakeWorld& world);

// Clamps to 0..1 and rounds to 16 bits; NaN gives 0.
std::uint16_t FloatToSample16(float v);

}  // namespace kvtool
