#include "sample/WarmGrade.h"

#include <algorithm>
#include <charconv>

namespace kvtool {
namespace {

float Smoothstep(float x) { return x * x * (3.0f - 2.0f * x); }

float Curve(float x) {
    x = std::clamp(x, 0.0f, 1.0f);
    const float s = x + 0.35f * (Smoothstep(x) - x);  // contrast in the mid-tones
    return 0.03f + 0.94f * s;                          // lifted blacks, softened whites
}

void AppendNumber(std::string& out, float v) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6);
    if (ec == std::errc()) out.append(buffer, end);
}

}  // namespace

GradeColour WarmFilmLook(GradeColour in) {
    float r = Curve(in.r * 1.05f);
    float g = Curve(in.g * 1.00f);
    float b = Curve(in.b * 0.88f);
    const float luma = 0.2126f * r + 0.7152f * g + 0.0722f * b;
    const float shadow = (1.0f - luma) * (1.0f - luma);
    const float highlight = luma * luma;
    r += 0.035f * highlight - 0.010f * shadow;
    g += 0.012f * highlight + 0.008f * shadow;
    b += -0.020f * highlight + 0.022f * shadow;
    const float keep = 0.92f;  // saturation
    r = luma + keep * (r - luma);
    g = luma + keep * (g - luma);
    b = luma + keep * (b - luma);
    return {std::clamp(r, 0.0f, 1.0f), std::clamp(g, 0.0f, 1.0f), std::clamp(b, 0.0f, 1.0f)};
}

std::string MakeWarmGradeCube(int size) {
    std::string text =
        "# Warm film-style grade made by kromvale-make-sample\n"
        "TITLE \"Kromvale warm film\"\n"
        "LUT_3D_SIZE ";
    text += std::to_string(size);
    text += "\nDOMAIN_MIN 0.0 0.0 0.0\nDOMAIN_MAX 1.0 1.0 1.0\n";
    const float step = 1.0f / static_cast<float>(size - 1);
    for (int bi = 0; bi < size; ++bi) {
        for (int gi = 0; gi < size; ++gi) {
            for (int ri = 0; ri < size; ++ri) {
                const GradeColour c = WarmFilmLook({ri * step, gi * step, bi * step});
                AppendNumber(text, c.r);
                text += ' ';
                AppendNumber(text, c.g);
                text += ' ';
                AppendNumber(text, c.b);
                text += '\n';
            }
        }
    }
    return text;
}

}  // namespace kvtool
