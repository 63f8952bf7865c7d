// kromvale-make-sample: writes the project's sample picture and warm grade.
//   kromvale-make-sample [--chart FILE.png|.pam] [--width W] [--height H]
//                        [--depth 8|16] [--cube FILE.cube] [--cube-size N]

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "image/ImageFile.h"
#include "sample/SampleChart.h"
#include "sample/WarmGrade.h"

namespace {

bool ParseInt(const char* text, int low, int high, int& value) {
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: kromvale-make-sample [--chart FILE] [--width W] [--height H] [--depth 8|16]\n"
                 "                            [--cube FILE.cube] [--cube-size N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string chartPath, cubePath;
    int width = 640, height = 400, depth = 16, cubeSize = 33;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) return Usage();
        bool ok = true;
        if (arg == "--chart") chartPath = value;
        else if (arg == "--cube") cubePath = value;
        else if (arg == "--width") ok = ParseInt(value, 8, 8192, width);
        else if (arg == "--height") ok = ParseInt(value, 8, 8192, height);
        else if (arg == "--depth") ok = ParseInt(value, 8, 16, depth) && (depth == 8 || depth == 16);
        else if (arg == "--cube-size") ok = ParseInt(value, 2, 129, cubeSize);
        else return Usage();
        if (!ok) return Usage();
        ++i;
    }
    if (chartPath.empty() && cubePath.empty()) return Usage();

    if (!chartPath.empty()) {
        std::string error;
        if (!kvtool::WriteImage(chartPath, kvtool::MakeSampleChart(width, height, depth), &error)) {
            std::fprintf(stderr, "kromvale-make-sample: %s: %s\n", chartPath.c_str(), error.c_str());
            return 1;
        }
        std::printf("chart %dx%d %d-bit: %s\n", width, height, depth, chartPath.c_str());
    }
    if (!cubePath.empty()) {
        const std::string text = kvtool::MakeWarmGradeCube(cubeSize);
        std::ofstream out(cubePath, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "kromvale-make-sample: cannot write %s\n", cubePath.c_str());
            return 1;
        }
        std::printf("grade %d^3: %s\n", cubeSize, cubePath.c_str());
    }
    return 0;
}
