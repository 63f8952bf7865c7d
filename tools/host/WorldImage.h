#pragma once
// Pictures in and out of the worlds a host hands the effect: After Effects'
// 8-bit, 16-bit and float ARGB, Premiere's 8-bit and float BGRA.

#include <cstdint>

#include "host_sim/FakeHost.h"
#include "image/Image.h"
#include "image/PictureFile.h"

namespace kvtool {

// 16-bit picture samples (0..65535) and a 16-bit world's codes (0..32768,
// where 32768 stands for 1.0): code = round(sample * 32768 / 65535) and
// sample = round(code * 65535 / 32768). A sample step is about half a code
// step, so every code comes back from its sample unchanged and every sample
// comes back within 1. Codes above 32768 give 65535.
std::uint16_t CodeFromSample16(std::uint16_t sample);
std::uint16_t Sample16FromCode(std::uint16_t code);

// Fills the world (over the part both share) from the image: 8-bit worlds
// take 8-bit samples (16-bit ones rounded to 8 bits), 16-bit worlds codes
// through CodeFromSample16 (8-bit samples widened by 257 first), float worlds
// sample / largest sample.
void ImageToWorld(const Image& image, kvsim::FakeWorld& world);

// The world as a picture: 8-bit worlds give 8-bit pictures, 16-bit worlds
// 16-bit ones through Sample16FromCode, float worlds 16-bit ones through
// FloatToSample16.
Image WorldToImage(kvsim::FakeWorld& world);

// Any picture into any world: integer pictures as ImageToWorld; float ones
// unchanged into float worlds, clamped to 0..1 and rounded into integer ones.
void PictureToWorld(const Picture& picture, kvsim::FakeWorld& world);

// The world as a picture for a file of type `target`: float worlds give
// floats; integer worlds give their samples (WorldToImage) or, for EXR, the
// exact fractions of full scale their codes stand for.
Picture WorldToPicture(kvsim::FakeWorld& world, PictureType target);

// Clamps to 0..1 and rounds to 16 bits; NaN gives 0.
std::uint16_t FloatToSample16(float v);

}  // namespace kvtool
