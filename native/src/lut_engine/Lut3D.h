#pragma once
// The LUT record shared by the whole engine: a cube of N x N x N output
// colours, or (when `probe` is set) a request for the calibration pattern.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct Lut3D {
    int32_t size = 0;       // nodes per axis N; 0 = no LUT
    int32_t id = 0;         // match identifier carried through LUT text
    int32_t probe = 0;      // calibration pattern size n; 0 = not a pattern
    int32_t probeCols = 0;  // pattern grid columns; 0 = automatic
    int32_t probeRows = 0;  // pattern grid rows; 0 = automatic
    double areaX0 = 0.0;    // pattern area as fractions of the frame,
    double areaY0 = 0.0;    // right and bottom edges exclusive
    double areaX1 = 1.0;
    double areaY1 = 1.0;
    std::string name;       // display name of the match (UTF-8 bytes)
    float domainMin[3] = {0.0f, 0.0f, 0.0f};  // R, G, B input mapped to node 0
    float domainMax[3] = {1.0f, 1.0f, 1.0f};  // R, G, B input mapped to node N-1
    // N^3 * 3 floats. Node (r, g, b) starts at 3 * (r + N*g + N*N*b) and
    // holds output R, G, B: red runs fastest, blue slowest (.cube order).
    std::vector<float> data;

    // A record with neither a cube nor a pattern means "no LUT".
    bool IsEmpty() const { return size == 0 && probe == 0; }

    // At least two nodes per axis and every one of them present: what
    // sampling needs, since it reads whole cells without bounds checks.
    bool HasCompleteCube() const {
        if (size < 2) return false;
        const auto n = static_cast<uint64_t>(size);
        return data.size() == n * n * n * 3;
    }
};

}  // namespace kv
