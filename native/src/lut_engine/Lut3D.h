#pragma once
// The LUT record shared by the whole engine: a cube of N x N x N output
// colours, optionally preceded by a 1D stage (one curve per channel), or a
// 1D stage alone, or (when `probe` is set) a request for the calibration
// pattern.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv {

// Lut3D::videoRange bits: the input is mapped x -> (64 + 876 x) / 1023 before
// the first table, the output y -> (1023 y - 64) / 876 after the last.
inline constexpr uint32_t kVideoRangeIn = 1;
inline constexpr uint32_t kVideoRangeOut = 2;

struct LutRowTables;  // lut_engine/simd/RowTables.h
struct ProcessList;   // lut_engine/ProcessList.h
struct PreparedSteps;  // lut_engine/process/PreparedSteps.h

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

    // The 1D stage, applied to the input before the cube (or, when `size` is
    // 0, the whole LUT). Each channel has its own input range and curve.
    int32_t shaperSize = 0;                    // entries per curve M; 0 = no 1D stage
    float shaperMin[3] = {0.0f, 0.0f, 0.0f};   // R, G, B input mapped to entry 0
    float shaperMax[3] = {1.0f, 1.0f, 1.0f};   // R, G, B input mapped to entry M-1
    // M * 3 floats: entry i holds the R, G, B outputs at 3 * i (.cube order).
    std::vector<float> shaper;

    // Video-range maps as a file declared them (kVideoRangeIn, kVideoRangeOut)
    // around tables that still hold the file's own values. Renders need them
    // folded into the tables first (FoldVideoRanges), which clears this.
    uint32_t videoRange = 0;

    // A process list (CLF, CDL, .spi files): steps applied in order, instead
    // of the tables above (size and shaperSize are then 0). `steps` is the
    // list as the rows evaluate it, built with the record (PrepareProcessLut).
    std::shared_ptr<const ProcessList> process;
    std::shared_ptr<const PreparedSteps> steps;

    // The same tables laid out for the vectorised row operations, attached
    // by PrepareRowTables once the LUT is final; null until then, when the
    // rows read the tables above directly.
    std::shared_ptr<const LutRowTables> rowTables;

    // A record with neither a table nor a pattern means "no LUT".
    bool IsEmpty() const { return size == 0 && probe == 0 && shaperSize == 0 && process == nullptr; }

    // At least two nodes per axis and every one of them present: what
    // sampling needs, since it reads whole cells without bounds checks.
    bool HasCompleteCube() const {
        if (size < 2) return false;
        const auto n = static_cast<uint64_t>(size);
        return data.size() == n * n * n * 3;
    }

    // At least two entries per curve and every one of them present.
    bool HasCompleteShaper() const {
        if (shaperSize < 2) return false;
        return shaper.size() == static_cast<uint64_t>(shaperSize) * 3;
    }

    // What the row operations and kernels may apply: at least one table,
    // and each table that is there complete.
    bool HasCompleteTables() const {
        if (process != nullptr || steps != nullptr) return HasProcessSteps();
        if (size == 0 && shaperSize == 0) return false;
        if (videoRange != 0) return false;  // the maps are not in the tables yet
        return (size == 0 || HasCompleteCube()) && (shaperSize == 0 || HasCompleteShaper());
    }

    // A process list ready for the rows: its evaluation form built, and no
    // tables beside it.
    bool HasProcessSteps() const {
        return process != nullptr && steps != nullptr && size == 0 && shaperSize == 0 && videoRange == 0;
    }

    // The LUTs that the original stored form holds: a cube over 0..1 on
    // every channel and no 1D stage.
    bool IsUnitCubeOnly() const {
        if (shaperSize != 0 || size == 0 || videoRange != 0 || process != nullptr) return false;
        for (int c = 0; c < 3; ++c) {
            if (domainMin[c] != 0.0f || domainMax[c] != 1.0f) return false;
        }
        return true;
    }
};

}  // namespace kv
