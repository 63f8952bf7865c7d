// Every kind and style of process-list step, once, against OpenColorIO 2.1
// applying the same step written as CLF: the step's own evaluation (the
// scalar body), over edge inputs (zeros of both signs, denormals, negatives,
// infinities, NaN) and a sweep. The bound is the one the files are held to,
// 1e-5 of max(|reference|, 0.1) per channel; NaN must appear exactly where
// the reference has NaN, and nowhere the reference is finite.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

#include "OcioFileProcessor.h"
#include "TestProcessLists.h"
#include "lut_engine/ProcessList.h"
#include "lut_engine/process/PreparedSteps.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

std::string Number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

std::string Floats(const float* v, size_t n, int perLine) {
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        text += Number(v[i]);
        text += (i + 1) % static_cast<size_t>(perLine) == 0 ? "\n" : " ";
    }
    return text;
}

const char* const kChannels[3] = {"R", "G", "B"};

// The step as a CLF node, 32f in and out, written from the CLF v3
// specification (its element and attribute names and value orders).
std::string ClfOf(const kv::ProcessStep& step) {
    const std::string depths = " inBitDepth=\"32f\" outBitDepth=\"32f\"";
    if (const auto* m = std::get_if<kv::MatrixStep>(&step)) {
        float rows[12];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) rows[4 * r + c] = m->m[3 * r + c];
            rows[4 * r + 3] = m->offset[r];
        }
        return "<Matrix" + depths + "><Array dim=\"3 4\">" + Floats(rows, 12, 4) + "</Array></Matrix>";
    }
    if (const auto* r = std::get_if<kv::RangeStep>(&step)) {
        std::string body;
        if (r->hasMin) body += "<minInValue>" + Number(r->minIn) + "</minInValue>";
        if (r->hasMax) body += "<maxInValue>" + Number(r->maxIn) + "</maxInValue>";
        if (r->hasMin) body += "<minOutValue>" + Number(r->minOut) + "</minOutValue>";
        if (r->hasMax) body += "<maxOutValue>" + Number(r->maxOut) + "</maxOutValue>";
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
                text += std::string("<LogParams channel=\"") + kChannels[c] + "\" base=\"" + Number(l->base) +
                        "\" logSideSlope=\"" + Number(p.logSideSlope) + "\" logSideOffset=\"" +
                        Number(p.logSideOffset) + "\" linSideSlope=\"" + Number(p.linSideSlope) +
                        "\" linSideOffset=\"" + Number(p.linSideOffset) + "\"";
                if (camera) text += " linSideBreak=\"" + Number(p.linSideBreak) + "\"";
                if (p.hasLinearSlope) text += " linearSlope=\"" + Number(p.linearSlope) + "\"";
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
            text += std::string("<ExponentParams channel=\"") + kChannels[c] + "\" exponent=\"" +
                    Number(e->exponent[c]) + "\"";
            if (style >= static_cast<int>(kv::ExponentStyle::kMonCurveFwd)) {
                text += " offset=\"" + Number(e->offset[c]) + "\"";
            }
            text += "/>";
        }
        return text + "</Exponent>";
    }
    if (const auto* d = std::get_if<kv::CdlStep>(&step)) {
        const char* styles[] = {"Fwd", "Rev", "FwdNoClamp", "RevNoClamp"};
        return "<ASC_CDL" + depths + " style=\"" + styles[static_cast<int>(d->style)] + "\"><SOPNode><Slope>" +
               Floats(d->slope, 3, 3) + "</Slope><Offset>" + Floats(d->offset, 3, 3) + "</Offset><Power>" +
               Floats(d->power, 3, 3) + "</Power></SOPNode><SatNode><Saturation>" + Number(d->saturation) +
               "</Saturation></SatNode></ASC_CDL>";
    }
    if (const auto* t = std::get_if<kv::Lut1DStep>(&step)) {
        return "<LUT1D" + depths + (t->halfDomain ? " halfDomain=\"true\"" : "") +
               (t->hueAdjust ? " hueAdjust=\"dw3\"" : "") + "><Array dim=\"" + std::to_string(t->size) + " 3\">" +
               Floats(t->values.data(), t->values.size(), 3) + "</Array></LUT1D>";
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
           Floats(blueFastest.data(), blueFastest.size(), 3) + "</Array></LUT3D>";
}

// Inputs: every pair of edge values on two channels with a third, and a
// sweep of ordinary colours a little beyond 0..1.
std::vector<float> Inputs() {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> edges = {-inf, -2.0f, -1e-10f, -0.0f, 0.0f, 1e-40f, 1.17549435e-38f, 1e-10f, 0.015625f,
                                      0.18f, 0.5f, 1.0f, 2.0f, 1e4f, 1e30f, inf,
                                      std::numeric_limits<float>::quiet_NaN()};
    std::vector<float> v;
    for (const float a : edges)
        for (const float b : edges) v.insert(v.end(), {a, b, 0.3f});
    std::mt19937 rng(2);
    std::uniform_real_distribution<float> colour(-0.2f, 1.3f);
    for (int i = 0; i < 20000; ++i) v.insert(v.end(), {colour(rng), colour(rng), colour(rng)});
    for (int i = 0; i < 2000; ++i) {
        const float x = std::ldexp(std::uniform_real_distribution<float>(1.0f, 2.0f)(rng),
                                   std::uniform_int_distribution<int>(-30, 16)(rng));
        v.insert(v.end(), {x, x * 0.5f, x * 2.0f});
    }
    return v;
}

class ProcessStepOracle : public testing::TestWithParam<size_t> {};

TEST_P(ProcessStepOracle, AgreesWithOpenColorIO) {
    const kvtest::NamedStep c = kvtest::EveryStepKind()[GetParam()];
    SCOPED_TRACE(c.name);
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kv-step-" + std::to_string(::getpid()) + "-" + std::to_string(GetParam()) + ".clf");
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProcessList id=\"step\" compCLFversion=\"3\">\n"
                        << ClfOf(c.step) << "\n</ProcessList>\n";
    OCIO::ConstCPUProcessorRcPtr processor;
    try {
        processor = kvtest::OcioFileProcessor(path.string(), OCIO::INTERP_DEFAULT);
    } catch (const OCIO::Exception& e) {
        std::filesystem::remove(path);
        FAIL() << "OpenColorIO cannot read the step: " << e.what();
    }
    std::filesystem::remove(path);
    kv::ProcessList list;
    list.steps.push_back(c.step);
    ASSERT_TRUE(kv::IsCompleteProcessList(list));
    const std::shared_ptr<const kv::PreparedSteps> steps = kv::PrepareSteps(list);

    const std::vector<float> inputs = Inputs();
    double worst = 0.0;
    std::string worstAt;
    for (size_t i = 0; i < inputs.size(); i += 3) {
        float ours[3] = {inputs[i], inputs[i + 1], inputs[i + 2]};
        float theirs[3] = {inputs[i], inputs[i + 1], inputs[i + 2]};
        kv::ApplyProcessSteps(*steps, ours);
        processor->applyRGB(theirs);
        for (int k = 0; k < 3; ++k) {
            char where[256];
            std::snprintf(where, sizeof where, "in (%.9g, %.9g, %.9g) channel %d: ours %.9g, OpenColorIO %.9g",
                          inputs[i], inputs[i + 1], inputs[i + 2], k, ours[k], theirs[k]);
            ASSERT_EQ(std::isnan(ours[k]), std::isnan(theirs[k])) << where;
            if (std::isnan(theirs[k])) continue;
            if (std::isinf(theirs[k]) || std::isinf(ours[k])) {
                ASSERT_EQ(ours[k], theirs[k]) << where;
                continue;
            }
            const double off = std::fabs(static_cast<double>(ours[k]) - theirs[k]) /
                               (1e-5 * std::max(std::fabs(static_cast<double>(theirs[k])), 0.1));
            if (off > worst) {
                worst = off;
                worstAt = where;
            }
        }
    }
    EXPECT_LE(worst, 1.0) << "worst at " << worstAt;
    std::printf("%s: %.4f of the bound (%s)\n", c.name.c_str(), worst, worstAt.c_str());
}

INSTANTIATE_TEST_SUITE_P(Steps, ProcessStepOracle, testing::Range<size_t>(0, kvtest::EveryStepKind().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                             std::string name = kvtest::EveryStepKind()[info.param].name;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name + "_" + std::to_string(info.param);
                         });

}  // namespace
