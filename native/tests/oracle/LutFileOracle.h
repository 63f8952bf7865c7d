#pragma once
// A LUT file as "Change LUT" takes it (read by its name, turned into LUT
// text, parsed back as the effect holds it) and how far a render of that LUT
// may lie from OpenColorIO applying the original file.
//
// The bound is derived per LUT and per output channel, never picked:
//
//  - Storage. The stored text gives back each value v of a table within
//    e(v) = max(2^-17, 2^-11 |v|) when the table is kept as 16-bit codes in
//    the wider form (and exactly when kept as float32); the original form
//    quantises a cube to 65535 steps between its smallest and largest value,
//    within half a step. e1 and e3 are the largest of these over the 1D stage
//    and over the cube.
//  - Carried through. Linear interpolation in the 1D stage and tetrahedral
//    weights in the cube are convex combinations, so a stage's own output is
//    off by at most its e. The cube is piecewise linear, and in every
//    tetrahedron the gradient's component along an axis is the difference of
//    two nodes adjacent along that axis, times (N-1)/(hi-lo): so an input off
//    by e1 on every channel moves output channel c by at most e1 * L_c, L_c
//    the sum over the axes of the largest such slope of channel c (clamping
//    to the domain only shortens the step). Storage error: e1 * L_c + e3.
//  - Float rounding. The two sides compute a position on a table with a few
//    roundings each and in different association (OpenColorIO multiplies by a
//    precomputed scale where the effect divides by the range): with at most
//    4 eps of the index range (M-1 or N-1) in the position, the output moves
//    by the table's largest step between neighbours times that, and the final
//    sums round by 4 eps of the largest table value. The 1D stage's rounding
//    is carried through the cube like its storage error.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "lut_engine/LutFile.h"
#include "lut_engine/LutText.h"

namespace kvtest {

// Per output channel (R, G, B), before any rounding of the output itself.
struct StorageBound {
    double channel[3] = {0.0, 0.0, 0.0};
};

inline double StoredError(double v) { return std::max(std::ldexp(1.0, -17), std::ldexp(std::abs(v), -11)); }

// How the tables reached the side the render is compared with.
enum class Stored {
    kOriginalForm,  // the cube as 65535 steps between its extremes
    kWiderForm,     // 16-bit codes or float32, within e(v)
    kExactly,       // the very values the effect holds (no storage error)
};

// The bound of the comment above for `held`, the effect's copy of `file`.
inline StorageBound DeriveStorageBound(const kv::Lut3D& file, const kv::Lut3D& held, Stored stored) {
    constexpr double kEps = std::numeric_limits<float>::epsilon();
    StorageBound bound;
    double e1 = 0.0, r1 = 0.0;
    if (held.shaperSize != 0) {
        double top = 0.0, step = 0.0;
        for (size_t i = 0; i < file.shaper.size(); ++i) {
            if (stored != Stored::kExactly) e1 = std::max(e1, StoredError(file.shaper[i]));
            top = std::max(top, std::abs(static_cast<double>(held.shaper[i])));
            if (i >= 3) step = std::max(step, std::abs(static_cast<double>(held.shaper[i]) - held.shaper[i - 3]));
        }
        r1 = step * 4.0 * kEps * (held.shaperSize - 1) + 4.0 * kEps * top;
    }
    if (held.size == 0) {
        for (double& c : bound.channel) c = e1 + r1;
        return bound;
    }
    const int32_t n = held.size;
    double lo = held.data[0], hi = held.data[0], e3 = 0.0;
    for (const float v : file.data) {
        lo = std::min(lo, static_cast<double>(v));
        hi = std::max(hi, static_cast<double>(v));
        e3 = std::max(e3, StoredError(v));
    }
    if (stored == Stored::kOriginalForm) e3 = (hi - lo) / 65535.0 / 2.0;
    if (stored == Stored::kExactly) e3 = 0.0;
    const double top = std::max(std::abs(lo), std::abs(hi)) + e3;
    for (int c = 0; c < 3; ++c) {
        double slopes = 0.0, steps = 0.0;
        for (int axis = 0; axis < 3; ++axis) {
            const size_t stride = axis == 0 ? 1 : axis == 1 ? static_cast<size_t>(n) : static_cast<size_t>(n) * n;
            double step = 0.0;
            for (int32_t bl = 0; bl < n; ++bl)
                for (int32_t gr = 0; gr < n; ++gr)
                    for (int32_t rd = 0; rd < n; ++rd) {
                        const int32_t coord[3] = {rd, gr, bl};
                        if (coord[axis] == n - 1) continue;  // no neighbour along this axis
                        const size_t node = static_cast<size_t>(rd) + n * (static_cast<size_t>(gr) + n * bl);
                        step = std::max(step, std::abs(static_cast<double>(held.data[3 * (node + stride) + c]) -
                                                       held.data[3 * node + c]));
                    }
            steps += step;
            slopes += step * (n - 1) / (static_cast<double>(held.domainMax[axis]) - held.domainMin[axis]);
        }
        const double r3 = steps * 4.0 * kEps * (n - 1) + 4.0 * kEps * top;
        bound.channel[c] = (e1 + r1) * slopes + e3 + r3;
    }
    return bound;
}

// A LUT without a 1D stage as a .cube file (domain lines included), every
// value printed so that it reads back exactly.
inline std::string CubeFileText(const kv::Lut3D& lut) {
    char line[256];
    std::snprintf(line, sizeof line, "DOMAIN_MIN %.9g %.9g %.9g\nDOMAIN_MAX %.9g %.9g %.9g\n", lut.domainMin[0],
                  lut.domainMin[1], lut.domainMin[2], lut.domainMax[0], lut.domainMax[1], lut.domainMax[2]);
    std::string text = "LUT_3D_SIZE " + std::to_string(lut.size) + "\n" + line;
    for (size_t i = 0; i < lut.data.size(); i += 3) {
        std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", lut.data[i], lut.data[i + 1], lut.data[i + 2]);
        text += line;
    }
    return text;
}

// A fixture under native/tests/data, as the effect takes and holds it.
struct OracleLut {
    std::string path;
    kv::Lut3D file;    // as the file reader gives it
    std::string text;  // as it is stored in the LUT parameter
    kv::Lut3D held;    // as the effect parses it back
    StorageBound bound;

    // False, with `error` saying why, where a step refuses the file.
    bool Load(const std::string& name, std::string& error) {
        path = std::string(KV_TEST_DATA_DIR) + "/" + name;
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!kv::ReadLutFile(path, bytes.str(), file, &error)) return false;
        text = kv::FormatLutText(file, 0, "oracle");
        if (!kv::ParseLutText(text, held, &error)) return false;
        const Stored stored = text.starts_with("KVLUT3") ? Stored::kOriginalForm : Stored::kWiderForm;
        bound = DeriveStorageBound(file, held, stored);
        return true;
    }
};

}  // namespace kvtest
