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

struct Fixture {
    const char* name;
    bool ocioReads;  // ours read every file outside refused/ and no file in it
};

const Fixture kFixtures[] = {
    {"clf/ocio_written.clf", true},
    {"clf/curve3_made.clf", true},
    {"clf/domain_1d_made.clf", true},
    {"clf/bit_depths.clf", true},
    {"clf/matrix_shapes.clf", true},
    {"clf/lut1d_attributes.clf", true},
    {"clf/ranges.clf", true},
    {"clf/log_exponent.clf", true},
    {"clf/version2.clf", true},
    {"clf/xml_features.clf", true},
    // Deliberately read: the SMPTE namespace stands for a version and an id.
    {"clf/smpte.clf", false},
    {"clf/refused/log_in_version2.clf", false},
    {"clf/refused/bit_depth_mismatch.clf", false},
    {"clf/refused/version_3_1.clf", false},
    {"clf/refused/range_unpaired.clf", false},
    {"clf/refused/exponent_out_of_range.clf", false},
    {"clf/refused/lut3d_short.clf", false},
    {"clf/refused/no_nodes.clf", false},
    {"clf/refused/fixed_function.clf", false},
    {"clf/refused/mismatched_tag.clf", false},
    // Deliberately refused: nodes CLF does not have, or that we would have
    // to drop (IndexMap, an unknown node, a second Array), alpha, no values,
    // document types, values not finite, raw halves that are not halves.
    {"clf/refused/gamma.clf", true},
    {"clf/refused/alpha_matrix.clf", true},
    {"clf/refused/unknown_node.clf", true},
    {"clf/refused/index_map.clf", true},
    {"clf/refused/doctype.clf", true},
    {"clf/refused/matrix_without_array.clf", true},
    {"clf/refused/nan_matrix.clf", true},
    {"clf/refused/raw_half_fraction.clf", true},
    {"cdl/grade.cc", true},
    {"cdl/grades.ccc", true},
    {"cdl/decisions.cdl", true},
    {"cdl/ocio_written.cc", true},
    {"cdl/ocio_written.ccc", true},
    {"cdl/ocio_written.cdl", true},
    {"cdl/refused/no_power.cc", false},
    {"cdl/refused/negative_saturation.cc", false},
    {"cdl/refused/two_slopes.cc", false},
    {"cdl/refused/duplicate_ids.ccc", false},
    {"cdl/refused/empty.ccc", false},
    {"cdl/refused/lower_case.cc", false},
    {"cdl/refused/zero_power.cdl", false},
    // Deliberately refused: document types, a nested correction other
    // readers would take for the first, an infinite offset.
    {"cdl/refused/doctype.cc", true},
    {"cdl/refused/nested.cc", true},
    {"cdl/refused/infinite_offset.cc", true},
};

TEST(ClfOracle, EveryFixtureIsListed) {
    std::set<std::string> listed;
    for (const Fixture& f : kFixtures) listed.insert(f.name);
    for (const char* folder : {"clf", "clf/refused", "cdl", "cdl/refused"}) {
        for (const auto& entry : std::filesystem::directory_iterator(fixturePath(folder))) {
            if (!entry.is_regular_file()) continue;
            const std::string name = std::string(folder) + "/" + entry.path().filename().string();
            EXPECT_TRUE(listed.count(name)) << name << " is not in the table";
        }
    }
}

TEST(ClfOracle, ReadsWhatOpenColorIOReads) {
    for (const Fixture& f : kFixtures) {
        kv::ProcessList list;
        std::string ours, theirs;
        const bool weRead = readOurs(f.name, list, ours);
        const bool theyRead = readOcio(f.name, theirs) != nullptr;
        EXPECT_EQ(weRead, std::string_view(f.name).find("/refused/") == std::string_view::npos) << f.name << ": " << ours;
        EXPECT_EQ(theyRead, f.ocioReads) << f.name << ": " << theirs;
    }
}

// Each step against the transform OpenColorIO made of the same node.
void expectSame(const kv::ProcessStep& step, const OCIO::ConstTransformRcPtr& t, const std::string& where) {
    SCOPED_TRACE(where);
    const bool inverse = t->getDirection() == OCIO::TRANSFORM_DIR_INVERSE;
    if (const auto* m = std::get_if<kv::MatrixStep>(&step)) {
        const auto mt = OCIO::DynamicPtrCast<const OCIO::MatrixTransform>(t);
        ASSERT_TRUE(mt);
        double m44[16], offset[4];
        mt->getMatrix(m44);
        mt->getOffset(offset);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(m->m[3 * i + j], static_cast<float>(m44[4 * i + j]));
            EXPECT_FLOAT_EQ(m->offset[i], static_cast<float>(offset[i]));
        }
    } else if (const auto* r = std::get_if<kv::RangeStep>(&step)) {
        if (!r->clamp) {
            // Without clamping OpenColorIO holds the range as its matrix.
            const auto mt = OCIO::DynamicPtrCast<const OCIO::MatrixTransform>(t);
            ASSERT_TRUE(mt);
            double m44[16], offset[4];
            mt->getMatrix(m44);
            mt->getOffset(offset);
            const double scale = (double{r->maxOut} - r->minOut) / (double{r->maxIn} - r->minIn);
            EXPECT_NEAR(m44[0], scale, 1e-6);
            EXPECT_NEAR(offset[0], r->minOut - scale * r->minIn, 1e-6);
            return;
        }
        const auto rt = OCIO::DynamicPtrCast<const OCIO::RangeTransform>(t);
        ASSERT_TRUE(rt);
        EXPECT_EQ(r->hasMin, rt->hasMinInValue());
        EXPECT_EQ(r->hasMax, rt->hasMaxInValue());
        if (r->hasMin) {
            EXPECT_FLOAT_EQ(r->minIn, static_cast<float>(rt->getMinInValue()));
            EXPECT_FLOAT_EQ(r->minOut, static_cast<float>(rt->getMinOutValue()));
        }
        if (r->hasMax) {
            EXPECT_FLOAT_EQ(r->maxIn, static_cast<float>(rt->getMaxInValue()));
            EXPECT_FLOAT_EQ(r->maxOut, static_cast<float>(rt->getMaxOutValue()));
        }
    } else if (const auto* l = std::get_if<kv::LogStep>(&step)) {
        const bool towardLin = l->style == kv::LogStyle::kAntiLog10 || l->style == kv::LogStyle::kAntiLog2 ||
                               l->style == kv::LogStyle::kLogToLin || l->style == kv::LogStyle::kCameraLogToLin;
        EXPECT_EQ(inverse, towardLin);
        double base = 0.0, logSlope[3] = {1, 1, 1}, logOffset[3] = {0, 0, 0}, linSlope[3] = {1, 1, 1},
               linOffset[3] = {0, 0, 0}, brk[3] = {0, 0, 0}, linear[3] = {1, 1, 1};
        bool hasLinear = false;
        if (const auto lt = OCIO::DynamicPtrCast<const OCIO::LogTransform>(t)) {
            base = lt->getBase();
        } else if (const auto la = OCIO::DynamicPtrCast<const OCIO::LogAffineTransform>(t)) {
            base = la->getBase();
            la->getLogSideSlopeValue(logSlope);
            la->getLogSideOffsetValue(logOffset);
            la->getLinSideSlopeValue(linSlope);
            la->getLinSideOffsetValue(linOffset);
        } else {
            const auto lc = OCIO::DynamicPtrCast<const OCIO::LogCameraTransform>(t);
            ASSERT_TRUE(lc);
            base = lc->getBase();
            lc->getLogSideSlopeValue(logSlope);
            lc->getLogSideOffsetValue(logOffset);
            lc->getLinSideSlopeValue(linSlope);
            lc->getLinSideOffsetValue(linOffset);
            lc->getLinSideBreakValue(brk);
            hasLinear = lc->getLinearSlopeValue(linear);
        }
        EXPECT_FLOAT_EQ(l->base, static_cast<float>(base));
        for (int c = 0; c < 3; ++c) {
            const kv::LogParams& p = l->channel[c];
            EXPECT_FLOAT_EQ(p.logSideSlope, static_cast<float>(logSlope[c]));
            EXPECT_FLOAT_EQ(p.logSideOffset, static_cast<float>(logOffset[c]));
            EXPECT_FLOAT_EQ(p.linSideSlope, static_cast<float>(linSlope[c]));
            EXPECT_FLOAT_EQ(p.linSideOffset, static_cast<float>(linOffset[c]));
            EXPECT_FLOAT_EQ(p.linSideBreak, static_cast<float>(brk[c]));
            EXPECT_EQ(p.hasLinearSlope, hasLinear);
            if (hasLinear) {
                EXPECT_FLOAT_EQ(p.linearSlope, static_cast<float>(linear[c]));
            }
        }
    } else if (const auto* e = std::get_if<kv::ExponentStep>(&step)) {
        const int style = static_cast<int>(e->style);
        EXPECT_EQ(inverse, style % 2 == 1);
        double gamma[4], offset[4] = {0, 0, 0, 0};
        OCIO::NegativeStyle negative;
        if (e->style >= kv::ExponentStyle::kMonCurveFwd) {
            const auto et = OCIO::DynamicPtrCast<const OCIO::ExponentWithLinearTransform>(t);
            ASSERT_TRUE(et);
            et->getGamma(gamma);
            et->getOffset(offset);
            negative = et->getNegativeStyle();
            EXPECT_EQ(negative, style >= 8 ? OCIO::NEGATIVE_MIRROR : OCIO::NEGATIVE_LINEAR);
        } else {
            const auto et = OCIO::DynamicPtrCast<const OCIO::ExponentTransform>(t);
            ASSERT_TRUE(et);
            et->getValue(gamma);
            negative = et->getNegativeStyle();
            const OCIO::NegativeStyle expected[3] = {OCIO::NEGATIVE_CLAMP, OCIO::NEGATIVE_MIRROR, OCIO::NEGATIVE_PASS_THRU};
            EXPECT_EQ(negative, expected[style / 2]);
        }
        for (int c = 0; c < 3; ++c) {
            EXPECT_FLOAT_EQ(e->exponent[c], static_cast<float>(gamma[c]));
            EXPECT_FLOAT_EQ(e->offset[c], static_cast<float>(offset[c]));
        }
    } else if (const auto* d = std::get_if<kv::CdlStep>(&step)) {
        const auto ct = OCIO::DynamicPtrCast<const OCIO::CDLTransform>(t);
        ASSERT_TRUE(ct);
        const bool clamps = d->style == kv::CdlStyle::kFwd || d->style == kv::CdlStyle::kRev;
        EXPECT_EQ(ct->getStyle(), clamps ? OCIO::CDL_ASC : OCIO::CDL_NO_CLAMP);
        EXPECT_EQ(inverse, d->style == kv::CdlStyle::kRev || d->style == kv::CdlStyle::kRevNoClamp);
        double slope[3], offset[3], power[3];
        ct->getSlope(slope);
        ct->getOffset(offset);
        ct->getPower(power);
        for (int c = 0; c < 3; ++c) {
            EXPECT_FLOAT_EQ(d->slope[c], static_cast<float>(slope[c]));
            EXPECT_FLOAT_EQ(d->offset[c], static_cast<float>(offset[c]));
            EXPECT_FLOAT_EQ(d->power[c], static_cast<float>(power[c]));
        }
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
        for (unsigned long b = 0; b < n; ++b)
            for (unsigned long g = 0; g < n; ++g)
                for (unsigned long r = 0; r < n; ++r) {
                    float rgb[3];
                    lt->getValue(r, g, b, rgb[0], rgb[1], rgb[2]);
                    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(c3->values[3 * (r + n * (g + n * b)) + c], rgb[c]);
                }
    }
}

TEST(ClfOracle, HoldsTheValuesOpenColorIOHolds) {
    for (const Fixture& f : kFixtures) {
        kv::ProcessList list;
        std::string error;
        if (!f.ocioReads || !readOurs(f.name, list, error)) continue;
        const OCIO::ConstGroupTransformRcPtr group = readOcio(f.name, error);
        ASSERT_TRUE(group) << f.name << ": " << error;
        ASSERT_EQ(static_cast<size_t>(group->getNumTransforms()), list.steps.size()) << f.name;
        for (size_t i = 0; i < list.steps.size(); ++i) {
            expectSame(list.steps[i], group->getTransform(static_cast<int>(i)), f.name + (" step " + std::to_string(i)));
        }
    }
}

}  // namespace
