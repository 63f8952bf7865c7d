#include "image/Image.h"

namespace kvtool {

Image ConvertDepth(const Image& image, int bitDepth) {
    if (image.bitDepth == bitDepth) return image;
    Image out(image.width, image.height, bitDepth);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) {
        const unsigned v = image.rgba[i];
        out.rgba[i] = static_cast<std::uint16_t>(bitDepth == 16 ? v * 257u : (v * 255u + 32767u) / 65535u);
    }
    return out;
}

}  // namespace kvtool
