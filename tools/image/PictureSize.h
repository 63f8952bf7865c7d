#pragma once
// The one size rule of every picture reader: a header claims a size long
// before the data that would fill it arrives, so a 69-byte file can ask for
// gigabytes. Each reader checks the claim here before it allocates anything,
// and then grows its picture only as rows arrive.

#include <cstdint>

namespace kvtool {

// 32768 on a side, 64 Mpixel (8192 x 8192, or an 8K frame twice over), and
// 1 GiB for the picture as the tools hold it.
inline constexpr std::int64_t kMaxPictureSide = std::int64_t{1} << 15;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;
inline constexpr std::int64_t kMaxPictureBytes = std::int64_t{1} << 30;

// Whether a picture of width x height pixels of `channels` samples of
// `bytesPerSample` bytes each stays within the bounds above. Any value,
// negative or huge, is safe to pass: nothing here can overflow.
bool PictureSizeAllowed(std::int64_t width, std::int64_t height, int channels, int bytesPerSample);

}  // namespace kvtool
