#pragma once
// A warm, film-style grade as a ".cube" 3D LUT: warmer white balance, a gentle
// S-curve with lifted blacks, teal shadows and amber highlights, a little less
// saturation. Values stay within 0..1.

#include <string>

namespace kvtool {

struct GradeColour {
    float r, g, b;
};

GradeColour WarmFilmLook(GradeColour in);

// The LUT text of a .cube file with `size` nodes a side (red index fastest),
// domain 0..1, numbers written with "." whatever the locale.
std::string MakeWarmGradeCube(int size);

}  // namespace kvtool
