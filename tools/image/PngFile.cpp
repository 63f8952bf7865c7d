#include "image/PngFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// libpng reports errors by longjmp. Every function below that calls libpng
// after setjmp keeps only trivially destructible locals, so the jump skips no
// destructor; C++ buffers are made by the callers between the phases.

namespace kvtool {
namespace {

constexpr png_uint_32 kMaxSide = 1u << 15;

void OnPngWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
};

// Phase 1: header, and the transforms that give 8- or 16-bit RGBA in host order.
bool ReadHeader(std::FILE* f, ReadState& s) {
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, OnPngWarning);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info) return false;
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_user_limits(s.png, kMaxSide, kMaxSide);
    png_init_io(s.png, f);
    png_read_info(s.png, s.info);
    const int colour = png_get_color_type(s.png, s.info);
    const int depth = png_get_bit_depth(s.png, s.info);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(s.png);
    if (depth < 8) png_set_expand(s.png);
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
    if (!(colour & PNG_COLOR_MASK_ALPHA) && !png_get_valid(s.png, s.info, PNG_INFO_tRNS))
        png_set_filler(s.png, 0xFFFF, PNG_FILLER_AFTER);
    if (depth == 16) png_set_swap(s.png);  // file order is big-endian
    png_read_update_info(s.png, s.info);
    s.width = png_get_image_width(s.png, s.info);
    s.height = png_get_image_height(s.png, s.info);
    s.bitDepth = png_get_bit_depth(s.png, s.info);
    return png_get_channels(s.png, s.info) == 4 && (s.bitDepth == 8 || s.bitDepth == 16);
}

// Phase 2: the rows, into storage the caller made.
bool ReadRows(ReadState& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_image(s.png, rows);
    png_read_end(s.png, nullptr);
    return true;
}

bool WriteRows(std::FILE* f, png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, int depth,
               png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, depth, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (depth == 16) png_set_swap(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

bool Fail(std::string* error, const char* message) {
    if (error) *error = message;
    return false;
}

}  // namespace

bool ReadPng(const std::string& path, Image& image, std::string* error) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return Fail(error, "cannot open the picture");
    unsigned char signature[8] = {};
    if (std::fread(signature, 1, 8, f.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return Fail(error, "not a PNG picture");
    std::rewind(f.get());

    ReadState s;
    bool ok = ReadHeader(f.get(), s);
    Image out;
    std::vector<std::vector<unsigned char>> rowBytes;
    std::vector<png_bytep> rows;
    if (ok) {
        rowBytes.assign(s.height, std::vector<unsigned char>(static_cast<std::size_t>(s.width) * 4 * (s.bitDepth / 8)));
        for (auto& r : rowBytes) rows.push_back(r.data());
        ok = ReadRows(s, rows.data());
    }
    png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
    if (!ok) return Fail(error, "unreadable PNG picture");

    out = Image(static_cast<int>(s.width), static_cast<int>(s.height), s.bitDepth);
    for (png_uint_32 y = 0; y < s.height; ++y) {
        const unsigned char* p = rowBytes[y].data();
        std::uint16_t* q = out.at(0, static_cast<int>(y));
        for (std::size_t i = 0; i < static_cast<std::size_t>(s.width) * 4; ++i) {
            if (s.bitDepth == 16) {
                q[i] = static_cast<std::uint16_t>(p[2 * i] | p[2 * i + 1] << 8);  // swapped to little-endian
            } else {
                q[i] = p[i];
            }
        }
    }
    image = std::move(out);
    return true;
}

bool WritePng(const std::string& path, const Image& image, std::string* error) {
    if (image.width < 1 || image.height < 1 || (image.bitDepth != 8 && image.bitDepth != 16))
        return Fail(error, "nothing to write");
    const std::size_t rowSamples = static_cast<std::size_t>(image.width) * 4;
    std::vector<std::vector<unsigned char>> rowBytes(static_cast<std::size_t>(image.height));
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y) {
        auto& r = rowBytes[static_cast<std::size_t>(y)];
        const std::uint16_t* p = image.at(0, y);
        for (std::size_t i = 0; i < rowSamples; ++i) {
            if (image.bitDepth == 16) {
                r.push_back(static_cast<unsigned char>(p[i] & 0xFF));  // little-endian, swapped on write
                r.push_back(static_cast<unsigned char>(p[i] >> 8));
            } else {
                r.push_back(static_cast<unsigned char>(p[i]));
            }
        }
        rows.push_back(r.data());
    }

    File f(std::fopen(path.c_str(), "wb"));
    if (!f) return Fail(error, "cannot create the picture file");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info &&
              WriteRows(f.get(), png, info, static_cast<png_uint_32>(image.width),
                        static_cast<png_uint_32>(image.height), image.bitDepth, rows.data());
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (std::fflush(f.get()) != 0) ok = false;
    return ok || Fail(error, "cannot write the picture file");
}

}  // namespace kvtool
