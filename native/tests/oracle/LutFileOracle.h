#pragma once
// A LUT file as "Change LUT" takes it (read by its name, turned into LUT
// text, parsed back as the effect holds it) and how far a render of that LUT
// may lie from OpenColorIO applying the original file.
//
// The bound is derived per LUT and per output channel, never picked:
//
//  - Storage. The stored text gives back each value v of a table within the
//    precision every stored LUT keeps, e(v) = max(2^-17, 2^-11 |v|), or, for
//    a unit cube whose file values span at most one unit, within half of
//    that span's 16-bit step (kvtest::StoredValueBound). Both come from the
//    file's own values, never from the form the text happens to take, so a
//    form that keeps less than we promise fails here. e1 and e3 are the
//    largest of these over the 1D stage and over the cube.
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
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

#include "TestLuts.h"
#include "lut_engine/LutFile.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/LutText.h"

namespace kvtest {

// Per output channel (R, G, B), before any rounding of the output itself.
struct StorageBound {
    double channel[3] = {0.0, 0.0, 0.0};
};

inline double StoredError(double v) { return StoredValueBound(v, std::numeric_limits<double>::infinity()); }

// How the tables reached the side the render is compared with.
enum class Stored {
    kAsText,   // through LUT text, within the storage bound of the file's values
    kExactly,  // the very values the effect holds (no storage error)
};

// The bound of the comment above for `held`, the effect's copy of `file`,
// at one input or over all of them. At an input, the cube's part comes from
// the nodes of the cells the input can reach (its cell, widened by how far
// the 1D stage's error and rounding can move it): every sampled value is a
// convex combination of those nodes, so a precision promised relative to
// each value holds in the shadows of a cube that also reaches 55.
class StorageModel {
public:
    StorageModel(const kv::Lut3D& file, const kv::Lut3D& held, Stored stored)
        : file_(file), held_(held), stored_(stored) {
        if (held.shaperSize != 0) {
            double top = 0.0, step = 0.0;
            for (size_t i = 0; i < file.shaper.size(); ++i) {
                if (stored != Stored::kExactly) e1_ = std::max(e1_, StoredError(file.shaper[i]));
                top = std::max(top, std::abs(static_cast<double>(held.shaper[i])));
                if (i >= 3) step = std::max(step, std::abs(static_cast<double>(held.shaper[i]) - held.shaper[i - 3]));
            }
            r1_ = step * 4.0 * kEps * (held.shaperSize - 1) + 4.0 * kEps * top;
        }
        // Only a unit cube without a 1D stage may keep one scale over its span.
        span_ = file.IsUnitCubeOnly() ? ValueSpan(file.data) : std::numeric_limits<double>::infinity();
    }

    // The largest bound over every input.
    StorageBound Global() const {
        if (held_.size == 0) return OneDOnly();
        const int32_t last = held_.size - 1;
        return OverBox({0, 0, 0}, {last, last, last});
    }

    StorageBound At(const float in[3]) const {
        if (held_.size == 0) return OneDOnly();
        const int32_t n = held_.size;
        Box lo, hi;
        for (int a = 0; a < 3; ++a) {
            const float s = held_.shaperSize != 0 ? kv::ShaperChannel(held_, in[a], a) : in[a];
            const double width = static_cast<double>(held_.domainMax[a]) - held_.domainMin[a];
            double p = (static_cast<double>(s) - held_.domainMin[a]) / width * (n - 1);
            if (!(p >= 0.0)) p = 0.0;  // NaN too, as sampling reads it
            p = std::min(p, static_cast<double>(n - 1));
            // How far the 1D stage's error and the position's rounding can move it.
            const double reach = (e1_ + r1_) / width * (n - 1) + 1e-3;
            lo[a] = std::clamp(static_cast<int32_t>(std::floor(p - reach)), 0, n - 2);
            hi[a] = std::clamp(static_cast<int32_t>(std::ceil(p + reach)), lo[a] + 1, n - 1);
        }
        return OverBox(lo, hi);
    }

private:
    static constexpr double kEps = std::numeric_limits<float>::epsilon();
    using Box = std::array<int32_t, 3>;

    StorageBound OneDOnly() const {
        StorageBound bound;
        for (double& c : bound.channel) c = e1_ + r1_;
        return bound;
    }

    StorageBound OverBox(const Box& lo, const Box& hi) const {
        const int32_t n = held_.size;
        auto node = [n](int32_t r, int32_t g, int32_t b) {
            return static_cast<size_t>(r) + n * (static_cast<size_t>(g) + static_cast<size_t>(n) * b);
        };
        StorageBound bound;
        for (int c = 0; c < 3; ++c) {
            double e3 = 0.0, top = 0.0, step[3] = {0.0, 0.0, 0.0};
            for (int32_t b = lo[2]; b <= hi[2]; ++b)
                for (int32_t g = lo[1]; g <= hi[1]; ++g)
                    for (int32_t r = lo[0]; r <= hi[0]; ++r) {
                        const size_t at = node(r, g, b);
                        if (stored_ != Stored::kExactly) e3 = std::max(e3, StoredValueBound(file_.data[3 * at + c], span_));
                        top = std::max(top, std::abs(static_cast<double>(held_.data[3 * at + c])));
                        const int32_t coord[3] = {r, g, b};
                        const size_t next[3] = {node(r + 1, g, b), node(r, g + 1, b), node(r, g, b + 1)};
                        for (int a = 0; a < 3; ++a) {
                            if (coord[a] == hi[a]) continue;  // its neighbour along a is outside the box
                            step[a] = std::max(step[a], std::abs(static_cast<double>(held_.data[3 * next[a] + c]) -
                                                                 held_.data[3 * at + c]));
                        }
                    }
            double slopes = 0.0, steps = 0.0;
            for (int a = 0; a < 3; ++a) {
                steps += step[a];
                slopes += step[a] * (n - 1) / (static_cast<double>(held_.domainMax[a]) - held_.domainMin[a]);
            }
            const double r3 = steps * 4.0 * kEps * (n - 1) + 4.0 * kEps * (top + e3);
            bound.channel[c] = (e1_ + r1_) * slopes + e3 + r3;
        }
        return bound;
    }

    const kv::Lut3D& file_;
    const kv::Lut3D& held_;
    Stored stored_;
    double e1_ = 0.0, r1_ = 0.0, span_ = 0.0;
};

inline StorageBound DeriveStorageBound(const kv::Lut3D& file, const kv::Lut3D& held, Stored stored) {
    return StorageModel(file, held, stored).Global();
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
    StorageBound bound;  // over every input
    std::unique_ptr<StorageModel> model;  // the bound at each input

    OracleLut() = default;
    OracleLut(const OracleLut&) = delete;  // the model refers to file and held
    OracleLut& operator=(const OracleLut&) = delete;

    StorageBound BoundAt(const float in[3]) const { return model->At(in); }

    // A process list is stored exactly and evaluated step by step: what it
    // may differ by from OpenColorIO is the float evaluation of its steps,
    // which the process-list formats are held to per channel as
    // 1e-5 max(|reference|, 0.1) (OpenColorIO's own CLF rule is 0.002).
    double EvaluationBound(double reference) const {
        return held.process != nullptr ? 1e-5 * std::max(std::fabs(reference), 0.1) : 0.0;
    }

    // False, with `error` saying why, where a step refuses the file.
    bool Load(const std::string& name, std::string& error) {
        path = std::string(KV_TEST_DATA_DIR) + "/" + name;
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!kv::ReadLutFile(path, bytes.str(), file, &error)) return false;
        text = kv::FormatLutText(file, 0, "oracle");
        if (!kv::ParseLutText(text, held, &error)) return false;
        model = std::make_unique<StorageModel>(file, held, Stored::kAsText);
        bound = model->Global();
        return true;
    }
};

}  // namespace kvtest
