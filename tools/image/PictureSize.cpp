#include "image/PictureSize.h"

namespace kvtool {

bool PictureSizeAllowed(std::int64_t width, std::int64_t height, int channels, int bytesPerSample) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
    if (channels < 1 || channels > 16 || bytesPerSample < 1 || bytesPerSample > 16) return false;
    // Both sides are at most 2^15 and the sample at most 256 bytes, so every
    // product below fits in 64 bits.
    const std::int64_t pixels = width * height;
    if (pixels > kMaxPicturePixels) return false;
    return pixels * channels * bytesPerSample <= kMaxPictureBytes;
}

}  // namespace kvtool
