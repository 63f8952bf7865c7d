#include "image/ExrFile.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>

#include "image/FileOutput.h"
#include "image/PictureSize.h"

namespace kvtool {
namespace {

// Scan lines read at a time: a multiple of every compression's block
// (at most 256 lines, for DWAB), so that no block is decoded twice.
constexpr int kLinesPerBlock = 256;

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

constexpr std::size_t kPixelBytes = 4 * sizeof(float);

// A slice for one float of every pixel of `image`, placed so that the file's
// data window, whose corner need not be 0,0, lands at the buffer's start.
Imf::Slice FloatSlice(float* base, int channel, int width, int minX, int minY, double fill) {
    const std::size_t rowBytes = kPixelBytes * static_cast<std::size_t>(width);
    char* origin = reinterpret_cast<char*>(base + channel) - static_cast<std::ptrdiff_t>(minX) * kPixelBytes -
                   static_cast<std::ptrdiff_t>(minY) * static_cast<std::ptrdiff_t>(rowBytes);
    return Imf::Slice(Imf::FLOAT, origin, kPixelBytes, rowBytes, 1, 1, fill);
}

// OpenEXR's output through a stdio stream, so that the caller can sync and
// close it and see every error. A failure throws, as OpenEXR expects, and is
// also remembered for the writes made where OpenEXR ignores exceptions.
class FileStream : public Imf::OStream {
public:
    explicit FileStream(std::FILE* file) : Imf::OStream("picture file"), file_(file) {}

    void write(const char c[], int n) override {
        if (n > 0 && std::fwrite(c, 1, static_cast<std::size_t>(n), file_) != static_cast<std::size_t>(n)) Failed();
    }
    std::uint64_t tellp() override {
        const off_t at = ftello(file_);
        if (at < 0) Failed();
        return static_cast<std::uint64_t>(at);
    }
    void seekp(std::uint64_t position) override {
        if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) Failed();
    }
    bool failed() const { return failed_; }

private:
    [[noreturn]] void Failed() {
        failed_ = true;
        throw std::runtime_error("cannot write the picture file");
    }

    std::FILE* file_;
    bool failed_ = false;
};

}  // namespace

bool ReadExr(const std::string& path, FloatImage& image, std::string* error) {
    // OpenEXR opens the file itself and reports a missing one as an
    // exception; checked first so that the message matches the other readers.
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        return Fail(error, "cannot open the picture");
    }
    try {
        Imf::InputFile file(path.c_str());
        const Imf::Header& header = file.header();
        const Imath::Box2i window = header.dataWindow();
        const std::int64_t width = static_cast<std::int64_t>(window.max.x) - window.min.x + 1;
        const std::int64_t height = static_cast<std::int64_t>(window.max.y) - window.min.y + 1;
        if (!PictureSizeAllowed(width, height, 4, static_cast<int>(sizeof(float))))
            return Fail(error, "EXR picture size out of range");
        const Imf::ChannelList& channels = header.channels();
        const bool rgb = channels.findChannel("R") && channels.findChannel("G") && channels.findChannel("B");
        const bool grey = !rgb && channels.findChannel("Y");
        if (!rgb && !grey) return Fail(error, "EXR picture has neither R, G, B nor Y channels");

        // Blocks of scan lines as they arrive, each into the end of the
        // picture's storage: a data window that promises more than the file
        // holds costs only what the file does hold.
        FloatImage out;
        out.width = static_cast<int>(width);
        out.height = static_cast<int>(height);
        const std::size_t rowFloats = static_cast<std::size_t>(width) * 4;
        for (int y = window.min.y; y <= window.max.y; y += kLinesPerBlock) {
            const int last = static_cast<int>(std::min<std::int64_t>(std::int64_t{y} + kLinesPerBlock - 1, window.max.y));
            const std::size_t start = out.rgba.size();
            out.rgba.resize(start + rowFloats * static_cast<std::size_t>(last - y + 1));
            float* block = out.rgba.data() + start;
            Imf::FrameBuffer frame;
            if (rgb) {
                frame.insert("R", FloatSlice(block, 0, out.width, window.min.x, y, 0.0));
                frame.insert("G", FloatSlice(block, 1, out.width, window.min.x, y, 0.0));
                frame.insert("B", FloatSlice(block, 2, out.width, window.min.x, y, 0.0));
            } else {
                frame.insert("Y", FloatSlice(block, 0, out.width, window.min.x, y, 0.0));
            }
            frame.insert("A", FloatSlice(block, 3, out.width, window.min.x, y, 1.0));
            file.setFrameBuffer(frame);
            file.readPixels(y, last);
        }
        if (grey) {
            for (std::size_t i = 0; i < out.rgba.size(); i += 4) out.rgba[i + 1] = out.rgba[i + 2] = out.rgba[i];
        }
        image = std::move(out);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail(error, "not enough memory for the EXR picture");
    } catch (const std::exception& e) {
        return Fail(error, std::string("unreadable EXR picture: ") + e.what());
    }
}

bool WriteExr(std::FILE* target, const FloatImage& image, std::string* error) {
    if (image.width < 1 || image.height < 1 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        return Fail(error, "nothing to write");
    FileStream stream(target);
    try {
        Imf::Header header(image.width, image.height);
        header.compression() = Imf::ZIP_COMPRESSION;
        for (const char* name : {"R", "G", "B", "A"}) header.channels().insert(name, Imf::Channel(Imf::FLOAT));
        Imf::FrameBuffer frame;
        // OpenEXR only reads through the slices when writing.
        float* base = const_cast<float*>(image.rgba.data());
        const char* names[] = {"R", "G", "B", "A"};
        for (int c = 0; c < 4; ++c) frame.insert(names[c], FloatSlice(base, c, image.width, 0, 0, 0.0));
        // The line-offset table is written when the file object is
        // destroyed, which swallows any error: the stream remembers it.
        {
            Imf::OutputFile file(stream, header);
            file.setFrameBuffer(frame);
            file.writePixels(image.height);
        }
    } catch (const std::bad_alloc&) {
        return Fail(error, "not enough memory for the EXR picture");
    } catch (const std::exception& e) {
        return Fail(error, std::string("cannot write the EXR picture: ") + e.what());
    }
    return !stream.failed() || Fail(error, "cannot write the EXR picture");
}

bool WriteExr(const std::string& path, const FloatImage& image, std::string* error) {
    return WriteWholeFile(path, [&](std::FILE* file, std::string* e) { return WriteExr(file, image, e); }, error);
}

}  // namespace kvtool
