// OpenColorIO reads the same CLF and ASC CDL fixtures: every file it reads
// our readers read, every file it refuses they refuse, except the rows marked
// as deliberate differences; and where both read a file, each step holds the
// values OpenColorIO's transform for it holds (bit depths taken out, tables
// in the same order).

#include <gtest/gtest.h>

#include <OpenColorIO/OpenColorIO.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "lut_engine/CdlFile.h"
#include "lut_engine/ClfFile.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

std::string fixturePath(const std::string& name) { return std::string(KV_TEST_DATA_DIR) + "/" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool isClf(const std::string& name) { return name.ends_with(".clf"); }

bool readOurs(const std::string& name, kv::ProcessList& list, std::string& error) {
    const std::string text = readFile(fixturePath(name));
    return isClf(name) ? kv::ReadClfFile(text, list, &error) : kv::ReadCdlFile(text, list, nullptr, &error);
}

// OpenColorIO's transforms for the file, or null when it refuses it. A .ccc
// or .cdl file needs a correction named: ours take the first, so index 0.
OCIO::ConstGroupTransformRcPtr readOcio(const std::string& name, std::string& error) {
    try {
        const OCIO::FileTransformRcPtr transform = OCIO::FileTransform::Create();
        transform->setSrc(fixturePath(name).c_str());
        if (!isClf(name)) transform->setCCCId("0");
        const OCIO::ConstProcessorRcPtr processor = OCIO::Config::CreateRaw()->getProcessor(transform);
        processor->getOptimizedCPUProcessor(OCIO::OPTIMIZATION_NONE);
        return processor->createGroupTransform();
    } catch (const OCIO::Exception& e) {
        error = e.what();
        return nullptr;
    }
}

// Every fixture: ours read each one outside refused/ and none inside it.
std::vector<std::string> fixtures() {
    std::vector<std::string> names;
    for (const char* folder : {"clf", "clf/refused", "cdl", "cdl/refused"}) {
        for (const auto& entry : std::filesystem::directory_iterator(fixturePath(folder))) {
            if (entry.is_regular_file()) names.push_back(std::string(folder) + "/" + entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool weRead(const std::string& name) { return name.find("/refused/") == std::string::npos; }

// Where OpenColorIO and ours deliberately differ. Read by ours only: the
// SMPTE namespace stands for a version and an id. Refused by ours only:
// nodes CLF does not have, or that would have to be dropped (IndexMap, an
// unknown node, a second Array), alpha, no values, document types, values
// not finite, raw halves that are not halves, a correction nested in another
// that other readers would take for the first.
const std::set<std::string> kDiffer = {
    "clf/smpte.clf",
    "clf/refused/gamma.clf",
    "clf/refused/alpha_matrix.clf",
    "clf/refused/unknown_node.clf",
    "clf/refused/index_map.clf",
    "clf/refused/doctype.clf",
    "clf/refused/matrix_without_array.clf",
    "clf/refused/nan_matrix.clf",
    "clf/refused/raw_half_fraction.clf",
    "cdl/refused/doctype.cc",
    "cdl/refused/nested.cc",
    "cdl/refused/infinite_offset.cc",
};

TEST(ClfOracle, ReadsWhatOpenColorIOReads) {
    const std::vector<std::string> names = fixtures();
    EXPECT_GT(names.size(), 40u);
    for (const std::string& name : names) {
        kv::ProcessList list;
        std::string ours, theirs;
        EXPECT_EQ(readOurs(name, list, ours), weRead(name)) << name << ": " << ours;
        EXPECT_EQ(readOcio(name, theirs) != nullptr, weRead(name) != (kDiffer.count(name) == 1)) << name << ": " << theirs;
    }
}

// Each step against the transform OpenColorIO made of the same node.
void expectFloats(const float* ours, const double* theirs, int n) {
    for (int i = 0; i < n; ++i) EXPECT_FLOAT_EQ(ours[i], static_cast<float>(theirs[i])) << i;
}

void expectMatrix(const float* m, const float* offset, const OCIO::ConstTransformRcPtr& t) {
    const auto mt = OCIO::DynamicPtrCast<const OCIO::MatrixTransform>(t);
    ASSERT_TRUE(mt);
    double m44[16], o4[4];
    mt->getMatrix(m44);
    mt->getOffset(o4);
    for (int i = 0; i < 3; ++i) expectFloats(m + 3 * i, m44 + 4 * i, 3);
    expectFloats(offset, o4, 3);
}

void expectSame(const kv::ProcessStep& step, const OCIO::ConstTransformRcPtr& t, const std::string& where) {
    SCOPED_TRACE(where);
    const bool inverse = t->getDirection() == OCIO::TRANSFORM_DIR_INVERSE;
    if (const auto* m = std::get_if<kv::MatrixStep>(&step)) {
        expectMatrix(m->m, m->offset, t);
    } else if (const auto* r = std::get_if<kv::RangeStep>(&step)) {
        if (!r->clamp) {
            // Without clamping OpenColorIO holds the range as its matrix.
            const float scale = (r->maxOut - r->minOut) / (r->maxIn - r->minIn), shift = r->minOut - scale * r->minIn;
            const float matrix[9] = {scale, 0, 0, 0, scale, 0, 0, 0, scale}, offset[3] = {shift, shift, shift};
            expectMatrix(matrix, offset, t);
            return;
        }
        const auto rt = OCIO::DynamicPtrCast<const OCIO::RangeTransform>(t);
        ASSERT_TRUE(rt);
        EXPECT_EQ(r->hasMin, rt->hasMinInValue());
        EXPECT_EQ(r->hasMax, rt->hasMaxInValue());
        const double bounds[4] = {rt->getMinInValue(), rt->getMinOutValue(), rt->getMaxInValue(), rt->getMaxOutValue()};
        const float ours[4] = {r->minIn, r->minOut, r->maxIn, r->maxOut};
        expectFloats(ours + (r->hasMin ? 0 : 2), bounds + (r->hasMin ? 0 : 2), r->hasMin && r->hasMax ? 4 : 2);
    } else if (const auto* l = std::get_if<kv::LogStep>(&step)) {
        const int s = static_cast<int>(l->style);
        EXPECT_EQ(inverse, s == 2 || s == 3 || s == 5 || s == 7);  // antiLog10, antiLog2, logToLin, cameraLogToLin
        // OpenColorIO holds a log without parameters as a plain LogTransform.
        double base = 0.0, p[6][3] = {{1, 1, 1}, {0, 0, 0}, {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}};
        bool hasLinear = false;
        if (const auto lt = OCIO::DynamicPtrCast<const OCIO::LogTransform>(t)) {
            base = lt->getBase();
        } else if (const auto la = OCIO::DynamicPtrCast<const OCIO::LogAffineTransform>(t)) {
            base = la->getBase();
            la->getLogSideSlopeValue(p[0]), la->getLogSideOffsetValue(p[1]);
            la->getLinSideSlopeValue(p[2]), la->getLinSideOffsetValue(p[3]);
        } else {
            const auto lc = OCIO::DynamicPtrCast<const OCIO::LogCameraTransform>(t);
            ASSERT_TRUE(lc);
            base = lc->getBase();
            lc->getLogSideSlopeValue(p[0]), lc->getLogSideOffsetValue(p[1]);
            lc->getLinSideSlopeValue(p[2]), lc->getLinSideOffsetValue(p[3]), lc->getLinSideBreakValue(p[4]);
            hasLinear = lc->getLinearSlopeValue(p[5]);
        }
        EXPECT_FLOAT_EQ(l->base, static_cast<float>(base));
        for (int c = 0; c < 3; ++c) {
            const kv::LogParams& q = l->channel[c];
            const float ours[6] = {q.logSideSlope, q.logSideOffset, q.linSideSlope, q.linSideOffset, q.linSideBreak,
                                   hasLinear ? q.linearSlope : 1.0f};
            const double theirs[6] = {p[0][c], p[1][c], p[2][c], p[3][c], p[4][c], p[5][c]};
            expectFloats(ours, theirs, 6);
            EXPECT_EQ(q.hasLinearSlope, hasLinear);
        }
    } else if (const auto* e = std::get_if<kv::ExponentStep>(&step)) {
        const int s = static_cast<int>(e->style);
        EXPECT_EQ(inverse, s % 2 == 1);
        double gamma[4], offset[4] = {0, 0, 0, 0};
        OCIO::NegativeStyle negative, expected;
        if (s >= static_cast<int>(kv::ExponentStyle::kMonCurveFwd)) {
            const auto et = OCIO::DynamicPtrCast<const OCIO::ExponentWithLinearTransform>(t);
            ASSERT_TRUE(et);
            et->getGamma(gamma), et->getOffset(offset);
            negative = et->getNegativeStyle();
            expected = s >= 8 ? OCIO::NEGATIVE_MIRROR : OCIO::NEGATIVE_LINEAR;
        } else {
            const auto et = OCIO::DynamicPtrCast<const OCIO::ExponentTransform>(t);
            ASSERT_TRUE(et);
            et->getValue(gamma);
            negative = et->getNegativeStyle();
            expected = s < 2 ? OCIO::NEGATIVE_CLAMP : s < 4 ? OCIO::NEGATIVE_MIRROR : OCIO::NEGATIVE_PASS_THRU;
        }
        EXPECT_EQ(negative, expected);
        expectFloats(e->exponent, gamma, 3);
        expectFloats(e->offset, offset, 3);
    } else if (const auto* d = std::get_if<kv::CdlStep>(&step)) {
        const auto ct = OCIO::DynamicPtrCast<const OCIO::CDLTransform>(t);
        ASSERT_TRUE(ct);
        const bool clamps = d->style == kv::CdlStyle::kFwd || d->style == kv::CdlStyle::kRev;
        EXPECT_EQ(ct->getStyle(), clamps ? OCIO::CDL_ASC : OCIO::CDL_NO_CLAMP);
        EXPECT_EQ(inverse, d->style == kv::CdlStyle::kRev || d->style == kv::CdlStyle::kRevNoClamp);
        double sop[3][3];
        ct->getSlope(sop[0]), ct->getOffset(sop[1]), ct->getPower(sop[2]);
        expectFloats(d->slope, sop[0], 3), expectFloats(d->offset, sop[1], 3), expectFloats(d->power, sop[2], 3);
        EXPECT_FLOAT_EQ(d->saturation, static_cast<float>(ct->getSat()));
    } else if (const auto* c1 = std::get_if<kv::Lut1DStep>(&step)) {
        const auto lt = OCIO::DynamicPtrCast<const OCIO::Lut1DTransform>(t);
        ASSERT_TRUE(lt);
        ASSERT_EQ(static_cast<unsigned long>(c1->size), lt->getLength());
        EXPECT_EQ(c1->halfDomain, lt->getInputHalfDomain());
        EXPECT_EQ(c1->hueAdjust, lt->getHueAdjust() == OCIO::HUE_DW3);
        for (unsigned long i = 0; i < lt->getLength(); ++i) {
            float rgb[3];
            lt->getValue(i, rgb[0], rgb[1], rgb[2]);
            for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(c1->values[3 * i + c], rgb[c]) << i;
        }
    } else if (const auto* c3 = std::get_if<kv::Lut3DStep>(&step)) {
        const auto lt = OCIO::DynamicPtrCast<const OCIO::Lut3DTransform>(t);
        ASSERT_TRUE(lt);
        const auto n = static_cast<unsigned long>(c3->size);
        ASSERT_EQ(n, lt->getGridSize());
        EXPECT_EQ(c3->interpolation == kv::Interpolation3D::kTetrahedral,
                  lt->getInterpolation() == OCIO::INTERP_TETRAHEDRAL);
        // Ours red-fastest, whatever order the file listed.
        for (unsigned long i = 0; i < n * n * n; ++i) {
            float rgb[3];
            lt->getValue(i % n, i / n % n, i / (n * n), rgb[0], rgb[1], rgb[2]);
            for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(c3->values[3 * i + c], rgb[c]) << i;
        }
    }
}

TEST(ClfOracle, HoldsTheValuesOpenColorIOHolds) {
    for (const std::string& name : fixtures()) {
        kv::ProcessList list;
        std::string error;
        if (!weRead(name) || kDiffer.count(name) || !readOurs(name, list, error)) continue;
        const OCIO::ConstGroupTransformRcPtr group = readOcio(name, error);
        ASSERT_TRUE(group) << name << ": " << error;
        ASSERT_EQ(static_cast<size_t>(group->getNumTransforms()), list.steps.size()) << name;
        for (size_t i = 0; i < list.steps.size(); ++i) {
            expectSame(list.steps[i], group->getTransform(static_cast<int>(i)), name + " step " + std::to_string(i));
        }
    }
}

}  // namespace
