#pragma once
// LUT texts for the effect's tests: a 2-node cube that inverts red and keeps
// green and blue (linear, so tetrahedral sampling reproduces it), written as
// the panel would store it.

#include <string>
#include <string_view>
#include <vector>

#include "lut_engine/Lut3D.h"
#include "lut_engine/LutText.h"

namespace kvtest {

inline kv::Lut3D InvertRedLut() {
    kv::Lut3D lut;
    lut.size = 2;
    lut.data.resize(2 * 2 * 2 * 3);
    for (int b = 0; b < 2; ++b) {
        for (int g = 0; g < 2; ++g) {
            for (int r = 0; r < 2; ++r) {
                float* node = &lut.data[3 * (r + 2 * g + 4 * b)];
                node[0] = static_cast<float>(1 - r);
                node[1] = static_cast<float>(g);
                node[2] = static_cast<float>(b);
            }
        }
    }
    return lut;
}

// LUT text with the given id and name ("" stores no name).
inline std::string InvertRedText(int id, std::string_view name = "grade") {
    return kv::FormatLutText(InvertRedLut(), id, name);
}

inline std::string PatternText(int n) { return "KVLUTP " + std::to_string(n); }

}  // namespace kvtest
