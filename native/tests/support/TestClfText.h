#pragma once
// Process-list steps written out as CLF, 32f in and out, with CLF v3's
// element and attribute names and value orders: how the
// oracles and benchmarks hand OpenColorIO the very steps we evaluate.

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "lut_engine/ProcessList.h"

namespace kvtest {

inline std::string ClfNumber(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

inline std::string ClfFloats(const float* v, size_t n, int perLine) {
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        text += ClfNumber(v[i]);
        text += (i + 1) % static_cast<size_t>(perLine) == 0 ? "\n" : " ";
    }
    return text;
}

inline const char* const kClfChannels[3] = {"R", "G", "B"};

// The step as a CLF node, 32f in and out, in CLF v3's element and
// attribute names and value orders.
inline std::string ClfNodeOf(const kv::ProcessStep& step) {
    const std::string depths = " inBitDepth=\"32f\" outBitDepth=\"32f\"";
    if (const auto* m = std::get_if<kv::MatrixStep>(&step)) {
        float rows[12];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) rows[4 * r + c] = m->m[3 * r + c];
            rows[4 * r + 3] = m->offset[r];
        }
        return "<Matrix" + depths + "><Array dim=\"3 4\">" + ClfFloats(rows, 12, 4) + "</Array></Matrix>";
    }
    if (const auto* r = std::get_if<kv::RangeStep>(&step)) {
        std::string body;
        if (r->hasMin) body += "<minInValue>" + ClfNumber(r->minIn) + "</minInValue>";
        if (r->hasMax) body += "<maxInValue>" + ClfNumber(r->maxIn) + "</maxInValue>";
        if (r->hasMin) body += "<minOutValue>" + ClfNumber(r->minOut) + "</minOutValue>";
        if (r->hasMax) body += "<maxOutValue>" + ClfNumber(r->maxOut) + "</maxOutValue>";
        return "<Range" + depths + " style=\"" + (r->clamp ? "clamp" : "noClamp") + "\">" + body + "</Range>";
    }
    if (const auto* l = std::get_if<kv::LogStep>(&step)) {
        const char* styles[] = {"log10",    "log2",     "antiLog10",      "antiLog2",
                                "linToLog", "logToLin", "cameraLinToLog", "cameraLogToLin"};
        const auto style = static_cast<int>(l->style);
        std::string text = "<Log" + depths + " style=\"" + styles[style] + "\">";
        if (style >= static_cast<int>(kv::LogStyle::kLinToLog)) {
            const bool camera = style >= static_cast<int>(kv::LogStyle::kCameraLinToLog);
            for (int c = 0; c < 3; ++c) {
                const kv::LogParams& p = l->channel[c];
                text += std::string("<LogParams channel=\"") + kClfChannels[c] + "\" base=\"" + ClfNumber(l->base) +
                        "\" logSideSlope=\"" + ClfNumber(p.logSideSlope) + "\" logSideOffset=\"" +
                        ClfNumber(p.logSideOffset) + "\" linSideSlope=\"" + ClfNumber(p.linSideSlope) +
                        "\" linSideOffset=\"" + ClfNumber(p.linSideOffset) + "\"";
                if (camera) text += " linSideBreak=\"" + ClfNumber(p.linSideBreak) + "\"";
                if (p.hasLinearSlope) text += " linearSlope=\"" + ClfNumber(p.linearSlope) + "\"";
                text += "/>";
            }
        }
        return text + "</Log>";
    }
    if (const auto* e = std::get_if<kv::ExponentStep>(&step)) {
        const char* styles[] = {"basicFwd",        "basicRev",        "basicMirrorFwd",    "basicMirrorRev",
                                "basicPassThruFwd", "basicPassThruRev", "monCurveFwd",       "monCurveRev",
                                "monCurveMirrorFwd", "monCurveMirrorRev"};
        const auto style = static_cast<int>(e->style);
        std::string text = "<Exponent" + depths + " style=\"" + styles[style] + "\">";
        for (int c = 0; c < 3; ++c) {
            text += std::string("<ExponentParams channel=\"") + kClfChannels[c] + "\" exponent=\"" +
                    ClfNumber(e->exponent[c]) + "\"";
            if (style >= static_cast<int>(kv::ExponentStyle::kMonCurveFwd)) {
                text += " offset=\"" + ClfNumber(e->offset[c]) + "\"";
            }
            text += "/>";
        }
        return text + "</Exponent>";
    }
    if (const auto* d = std::get_if<kv::CdlStep>(&step)) {
        const char* styles[] = {"Fwd", "Rev", "FwdNoClamp", "RevNoClamp"};
        return "<ASC_CDL" + depths + " style=\"" + styles[static_cast<int>(d->style)] + "\"><SOPNode><Slope>" +
               ClfFloats(d->slope, 3, 3) + "</Slope><Offset>" + ClfFloats(d->offset, 3, 3) + "</Offset><Power>" +
               ClfFloats(d->power, 3, 3) + "</Power></SOPNode><SatNode><Saturation>" + ClfNumber(d->saturation) +
               "</Saturation></SatNode></ASC_CDL>";
    }
    if (const auto* t = std::get_if<kv::Lut1DStep>(&step)) {
        return "<LUT1D" + depths + (t->halfDomain ? " halfDomain=\"true\"" : "") +
               (t->hueAdjust ? " hueAdjust=\"dw3\"" : "") + "><Array dim=\"" + std::to_string(t->size) + " 3\">" +
               ClfFloats(t->values.data(), t->values.size(), 3) + "</Array></LUT1D>";
    }
    const auto& t = std::get<kv::Lut3DStep>(step);
    const int32_t n = t.size;
    std::vector<float> blueFastest;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t g = 0; g < n; ++g)
            for (int32_t b = 0; b < n; ++b) {
                const float* node = &t.values[3 * (static_cast<size_t>(r) + n * (static_cast<size_t>(g) + n * b))];
                blueFastest.insert(blueFastest.end(), node, node + 3);
            }
    const std::string size = std::to_string(n);
    return "<LUT3D" + depths +
           (t.interpolation == kv::Interpolation3D::kTetrahedral ? " interpolation=\"tetrahedral\"" : "") +
           "><Array dim=\"" + size + " " + size + " " + size + " 3\">" +
           ClfFloats(blueFastest.data(), blueFastest.size(), 3) + "</Array></LUT3D>";
}

// A whole CLF file of the list's steps.
inline std::string ClfFileOf(const kv::ProcessList& list) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProcessList id=\"kv\" compCLFversion=\"3\">\n";
    for (const kv::ProcessStep& step : list.steps) text += ClfNodeOf(step) + "\n";
    return text + "</ProcessList>\n";
}

}  // namespace kvtest
