// Writes the benchmark's frame and grade for other programs to run on the
// same input: the grade as .cube files (33 and 65 nodes, red fastest) and the
// 1920x1080 frame as raw 8-bit RGBA and as raw planar float (G, B, R planes,
// little-endian).
//   kromvale_bench_inputs <folder>

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchInputs.h"

namespace {

using namespace kvbench;

bool writeFile(const std::string& path, const void* data, size_t bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, bytes, f) == bytes;
    return std::fclose(f) == 0 && ok;
}

// Shortest round-trip text, so a reader gets back the very same floats.
void appendFloat(std::string& out, float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

bool writeCube(const std::string& path, int32_t n) {
    const kv::Lut3D lut = warmGradeLut(n);
    std::string text = "TITLE \"bench warm grade\"\nLUT_3D_SIZE " + std::to_string(n) + "\n";
    for (size_t i = 0; i < lut.data.size(); i += 3) {
        appendFloat(text, lut.data[i]);
        text += ' ';
        appendFloat(text, lut.data[i + 1]);
        text += ' ';
        appendFloat(text, lut.data[i + 2]);
        text += '\n';
    }
    return writeFile(path, text.data(), text.size());
}

bool writePlanarFloat(const std::string& path) {
    const std::vector<float> rgba = photoFrameRGBA32f();
    std::vector<float> planes(static_cast<size_t>(kFramePixels) * 3);
    const int source[3] = {1, 2, 0};  // G, B, R
    for (int plane = 0; plane < 3; ++plane) {
        for (int64_t i = 0; i < kFramePixels; ++i) {
            planes[static_cast<size_t>(plane * kFramePixels + i)] = rgba[static_cast<size_t>(i * 4 + source[plane])];
        }
    }
    return writeFile(path, planes.data(), planes.size() * sizeof(float));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kromvale_bench_inputs <folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<uint8_t> rgba8 = photoFrame8(3);
    const bool ok = writeCube(dir + "/warm33.cube", 33) && writeCube(dir + "/warm65.cube", 65) &&
                    writeFile(dir + "/frame.rgba", rgba8.data(), rgba8.size()) &&
                    writePlanarFloat(dir + "/frame.gbrpf32");
    if (!ok) {
        std::fprintf(stderr, "kromvale_bench_inputs: cannot write to %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
