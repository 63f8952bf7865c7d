#include "image/PngFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/FileOutput.h"
#include "image/PictureSize.h"

// libpng reports errors by longjmp. Every function below that calls libpng
// after setjmp keeps only trivially destructible locals, so the jump skips no
// destructor; C++ buffers are made by the callers between the phases.

namespace kvtool {
namespace {

// libpng's own words for what went wrong, kept for the caller's message
// instead of printed: its default handlers write to stderr, in the middle of
// a batch's progress output. The text is libpng's (chunk names it prints as
// letters or as hex), cut to the buffer.
struct PngMessage {
    char text[200] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    if (auto* kept = static_cast<PngMessage*>(png_get_error_ptr(png)); kept != nullptr && message != nullptr) {
        std::strncpy(kept->text, message, sizeof kept->text - 1);
    }
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The rest of a file already in memory, for libpng to read from.
struct HeldBytes {
    const unsigned char* next = nullptr;
    std::size_t left = 0;
};

void ReadHeldBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* held = static_cast<HeldBytes*>(png_get_io_ptr(png));
    if (length > held->left) png_error(png, "Read Error");  // as libpng says it for a short file
    std::memcpy(out, held->next, length);
    held->next += length;
    held->left -= length;
}

struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngMessage message;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int passes = 1;          // above 1 for an interlaced picture
    int filePixelBits = 0;   // bits of one pixel as the file stores it
    HeldBytes held;

    ReadState() = default;
    ReadState(const ReadState&) = delete;
    ReadState& operator=(const ReadState&) = delete;
    ~ReadState() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

// Phase 1: header, and the transforms that give 8- or 16-bit RGBA in host order.
bool ReadHeader(std::FILE* f, ReadState& s) {
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.message, OnPngError, OnPngWarning);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info) return false;
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_user_limits(s.png, static_cast<png_uint_32>(kMaxPictureSide), static_cast<png_uint_32>(kMaxPictureSide));
    png_init_io(s.png, f);
    png_read_info(s.png, s.info);
    const int colour = png_get_color_type(s.png, s.info);
    const int depth = png_get_bit_depth(s.png, s.info);
    s.filePixelBits = depth * png_get_channels(s.png, s.info);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(s.png);
    if (depth < 8) png_set_expand(s.png);
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
    if (!(colour & PNG_COLOR_MASK_ALPHA) && !png_get_valid(s.png, s.info, PNG_INFO_tRNS))
        png_set_filler(s.png, 0xFFFF, PNG_FILLER_AFTER);
    if (depth == 16) png_set_swap(s.png);  // file order is big-endian
    s.passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    s.width = png_get_image_width(s.png, s.info);
    s.height = png_get_image_height(s.png, s.info);
    s.bitDepth = png_get_bit_depth(s.png, s.info);
    return png_get_channels(s.png, s.info) == 4 && (s.bitDepth == 8 || s.bitDepth == 16);
}

// Phase 2, a plain picture: the next row into `row`.
bool ReadRow(ReadState& s, png_bytep row) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_row(s.png, row, nullptr);
    return true;
}

// Phase 2, an interlaced picture: every pass fills all rows at once.
bool ReadAllRows(ReadState& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_image(s.png, rows);
    return true;
}

// The bytes an interlaced picture's compressed data must inflate to: each
// of the seven passes is a small picture of its own, every row of it one
// filter-type byte and its pixels.
std::uint64_t InterlacedDataBytes(png_uint_32 width, png_uint_32 height, int pixelBits) {
    std::uint64_t bytes = 0;
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
        const std::uint64_t columns = PNG_PASS_COLS(width, pass);
        const std::uint64_t rows = PNG_PASS_ROWS(height, pass);
        if (columns == 0) continue;
        bytes += rows * (1 + (columns * static_cast<std::uint64_t>(pixelBits) + 7) / 8);
    }
    return bytes;
}

// Deflate gives at most 1032 bytes for each byte it reads: its longest copy,
// 258 bytes, costs at least two bits (a one-bit length code and a one-bit
// distance code). All of a picture's compressed data lies in the file after
// its header, so a file whose remaining bytes times 1032 are fewer than its
// passes need cannot hold the picture it promises.
constexpr std::uint64_t kMaxInflateRatio = 1032;

bool ReadEnd(ReadState& s) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_end(s.png, nullptr);
    return true;
}

// One row of libpng's RGBA bytes (16-bit samples already little-endian)
// appended to the picture's samples.
void AppendRow(const unsigned char* p, std::size_t samples, int bitDepth, std::vector<std::uint16_t>& out) {
    for (std::size_t i = 0; i < samples; ++i) {
        out.push_back(bitDepth == 16 ? static_cast<std::uint16_t>(p[2 * i] | p[2 * i + 1] << 8) : p[i]);
    }
}

// The rest of the stream, taken as it arrives (a frame may be a pipe).
bool ReadRest(std::FILE* f, std::vector<unsigned char>& bytes) {
    unsigned char block[1 << 14];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes.insert(bytes.end(), block, block + n);
    return std::ferror(f) == 0;
}

// The rows of a picture whose header passed the size rule. A plain picture
// grows a row at a time as its data arrives, so a header that promises more
// than the file holds costs no more than what the file does hold. An
// interlaced one fills every row in each pass, so it needs the whole frame
// at once: it is read only when the file is long enough to hold it (see
// kMaxInflateRatio), which bounds the frame by the file's size.
bool ReadSamples(std::FILE* f, ReadState& s, std::vector<std::uint16_t>& samples, std::string& error) {
    const std::size_t rowSamples = static_cast<std::size_t>(s.width) * 4;
    const std::size_t rowBytes = rowSamples * static_cast<std::size_t>(s.bitDepth / 8);
    if (s.passes == 1) {
        std::vector<unsigned char> row(rowBytes);
        for (png_uint_32 y = 0; y < s.height; ++y) {
            if (!ReadRow(s, row.data())) return false;
            AppendRow(row.data(), rowSamples, s.bitDepth, samples);
        }
        return ReadEnd(s);
    }
    std::vector<unsigned char> rest;
    if (!ReadRest(f, rest)) {
        error = "cannot read the picture";
        return false;
    }
    if (InterlacedDataBytes(s.width, s.height, s.filePixelBits) > rest.size() * kMaxInflateRatio) {
        error = "PNG picture is truncated";
        return false;
    }
    // libpng has read the file up to here, and reads on from memory.
    s.held = HeldBytes{rest.data(), rest.size()};
    png_set_read_fn(s.png, &s.held, ReadHeldBytes);
    std::vector<unsigned char> bytes(rowBytes * s.height);
    std::vector<png_bytep> rows;
    for (png_uint_32 y = 0; y < s.height; ++y) rows.push_back(bytes.data() + rowBytes * y);
    if (!ReadAllRows(s, rows.data()) || !ReadEnd(s)) return false;
    samples.reserve(rowSamples * s.height);
    for (png_uint_32 y = 0; y < s.height; ++y) AppendRow(rows[y], rowSamples, s.bitDepth, samples);
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

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

// The reader's message, with libpng's reason where it gave one.
std::string Unreadable(const PngMessage& message) {
    std::string text = "unreadable PNG picture";
    if (message.text[0] != '\0') {
        text += ": ";
        text += message.text;
    }
    return text;
}

}  // namespace

bool ReadPng(const std::string& path, Image& image, std::string* error) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return Fail(error, "cannot open the picture");
    unsigned char signature[8] = {};
    if (std::fread(signature, 1, 8, f.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return Fail(error, "not a PNG picture");
    std::rewind(f.get());

    try {
        ReadState s;
        if (!ReadHeader(f.get(), s)) return Fail(error, Unreadable(s.message));
        if (!PictureSizeAllowed(s.width, s.height, 4, static_cast<int>(sizeof(std::uint16_t))))
            return Fail(error, "PNG picture size out of range");
        Image out;
        std::string why;
        if (!ReadSamples(f.get(), s, out.rgba, why)) return Fail(error, why.empty() ? Unreadable(s.message) : why);
        out.width = static_cast<int>(s.width);
        out.height = static_cast<int>(s.height);
        out.bitDepth = s.bitDepth;
        image = std::move(out);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail(error, "not enough memory for the PNG picture");
    }
}

bool WritePng(std::FILE* file, const Image& image, std::string* error) {
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

    PngMessage message;  // a failed write is reported as such; libpng's words add nothing
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = png && info &&
                    WriteRows(file, png, info, static_cast<png_uint_32>(image.width),
                              static_cast<png_uint_32>(image.height), image.bitDepth, rows.data());
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok || Fail(error, "cannot write the picture file");
}

bool WritePng(const std::string& path, const Image& image, std::string* error) {
    return WriteWholeFile(path, [&](std::FILE* file, std::string* e) { return WritePng(file, image, e); }, error);
}

}  // namespace kvtool
