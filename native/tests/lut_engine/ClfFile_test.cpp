#include "lut_engine/ClfFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "AllocationRecord.h"
#include "LutTextTestText.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/ProcessListMessages.h"

namespace {

namespace msg = kv::messages;

// One node of every kind, each written plainly.
const std::string kSample = R"(<?xml version="1.0" encoding="UTF-8"?>
<ProcessList compCLFversion="3" id="sample">
  <Description>d</Description>
  <Matrix inBitDepth="32f" outBitDepth="32f"><Array dim="3 4">1 0 0 0.1 0 1 0 0.2 0 0 1 0.3</Array></Matrix>
  <LUT1D inBitDepth="32f" outBitDepth="32f"><Array dim="2 1">0 1</Array></LUT1D>
  <LUT3D inBitDepth="32f" outBitDepth="32f"><Array dim="2 2 2 3">0 0 0 0 0 1 0 1 0 0 1 1 1 0 0 1 0 1 1 1 0 1 1 1</Array></LUT3D>
  <Range inBitDepth="32f" outBitDepth="32f"><minInValue>0</minInValue><maxInValue>1</maxInValue><minOutValue>0</minOutValue><maxOutValue>1</maxOutValue></Range>
  <Log inBitDepth="32f" outBitDepth="32f" style="cameraLinToLog"><LogParams linSideBreak="0.1"/></Log>
  <Exponent inBitDepth="32f" outBitDepth="32f" style="monCurveFwd"><ExponentParams exponent="2.4" offset="0.055"/></Exponent>
  <ASC_CDL inBitDepth="32f" outBitDepth="32f" style="Fwd"><SOPNode><Slope>1 1 1</Slope><Offset>0 0 0</Offset><Power>1 1 1</Power></SOPNode><SatNode><Saturation>1</Saturation></SatNode></ASC_CDL>
</ProcessList>
)";

using Edits = std::vector<std::pair<std::string, std::string>>;

// The sample with each edit applied to the first occurrence of its text.
std::string edited(const Edits& edits) {
    std::string text = kSample;
    for (const auto& [from, to] : edits) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

template <class Step>
const Step& stepAt(const kv::ProcessList& list, size_t i) {
    static const Step none{};
    const Step* step = i < list.steps.size() ? std::get_if<Step>(&list.steps[i]) : nullptr;
    EXPECT_NE(step, nullptr) << "step " << i;
    return step != nullptr ? *step : none;
}

kv::ProcessList readFixture(const std::string& name) {
    kv::ProcessList list;
    std::string error;
    EXPECT_TRUE(kv::ReadClfFile(kvtest::readDataFile("clf/" + name), list, &error)) << name << ": " << error;
    EXPECT_TRUE(kv::IsCompleteProcessList(list)) << name;
    return list;
}

TEST(ClfFile, ReadsEachFixtureAsItsSteps) {
    const struct {
        const char* name;
        std::vector<size_t> kinds;  // ProcessStep alternatives, in order
    } cases[] = {
        {"ocio_written.clf", {0, 1, 2, 2, 3, 3, 4, 2}},
        {"bit_depths.clf", {1, 0, 5, 6, 4, 3}},
        {"curve3_made.clf", {6}},
        {"domain_1d_made.clf", {0, 5}},
        {"matrix_shapes.clf", {0, 0, 0}},
        {"lut1d_attributes.clf", {5, 5}},
        {"ranges.clf", {1, 1, 1}},
        {"log_exponent.clf", {2, 2, 2, 3, 3}},
        {"version2.clf", {0, 6, 4}},
        {"smpte.clf", {0}},
        {"xml_features.clf", {0}},
    };
    for (const auto& c : cases) {
        const kv::ProcessList list = readFixture(c.name);
        std::vector<size_t> kinds;
        for (const auto& step : list.steps) kinds.push_back(step.index());
        EXPECT_EQ(kinds, c.kinds) << c.name;
        EXPECT_EQ(list.format, "CLF");
    }
    // The one fixture OpenColorIO's cross-check cannot see into.
    EXPECT_EQ(std::get<kv::MatrixStep>(readFixture("smpte.clf").steps[0]).m[8], 2.0f);
}

// Each node's bit depths come out of its values: matrices by in/out scale,
// tables and out bounds by the out scale, in bounds by the in scale; the
// parametric nodes keep theirs.
TEST(ClfFile, TakesTheBitDepthsOutOfEachNode) {
    const kv::ProcessList list = readFixture("bit_depths.clf");
    const auto& range = stepAt<kv::RangeStep>(list, 0);
    EXPECT_FLOAT_EQ(range.minIn, 64.0f / 1023.0f);
    EXPECT_FLOAT_EQ(range.maxIn, 940.0f / 1023.0f);
    EXPECT_EQ(range.maxOut, 1.0f);
    const auto& matrix = stepAt<kv::MatrixStep>(list, 1);
    EXPECT_FLOAT_EQ(matrix.m[0], 1.0f);
    EXPECT_FLOAT_EQ(matrix.m[4], 0.5f);
    EXPECT_EQ(matrix.m[1], 0.0f);
    EXPECT_FLOAT_EQ(matrix.offset[0], 0.01f);
    EXPECT_FLOAT_EQ(matrix.offset[2], -0.01f);
    const auto& curve = stepAt<kv::Lut1DStep>(list, 2);
    EXPECT_EQ(curve.values, (std::vector<float>{0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 1, 1}));
    // Node (r, g, b) holds (r, 0.2 g, 0.4 b), now with red varying fastest.
    const auto& cube = stepAt<kv::Lut3DStep>(list, 3);
    ASSERT_EQ(cube.values.size(), 24u);
    for (int node = 0; node < 8; ++node) {
        EXPECT_EQ(cube.values[3 * node + 0], static_cast<float>(node & 1)) << node;
        EXPECT_FLOAT_EQ(cube.values[3 * node + 1], 0.2f * static_cast<float>((node >> 1) & 1)) << node;
        EXPECT_FLOAT_EQ(cube.values[3 * node + 2], 0.4f * static_cast<float>((node >> 2) & 1)) << node;
    }
    const auto& cdl = stepAt<kv::CdlStep>(list, 4);
    EXPECT_EQ(cdl.style, kv::CdlStyle::kFwdNoClamp);
    EXPECT_EQ(cdl.slope[0], 1.5f);
    EXPECT_EQ(cdl.power[2], 2.0f);
    EXPECT_FLOAT_EQ(stepAt<kv::ExponentStep>(list, 5).exponent[1], 2.2f);
}

// A cube made into CLF lists its nodes blue-fastest; read back it is the
// .cube reader's table, node for node.
TEST(ClfFile, ReordersCubesToRedFastest) {
    kv::Lut3D cube;
    ASSERT_TRUE(kv::ReadCubeFile(kvtest::readDataFile("cube/curve3.cube"), cube));
    const kv::ProcessList list = readFixture("curve3_made.clf");
    const auto& lut = stepAt<kv::Lut3DStep>(list, 0);
    EXPECT_EQ(lut.size, 3);
    EXPECT_EQ(lut.interpolation, kv::Interpolation3D::kTetrahedral);
    ASSERT_EQ(lut.values.size(), cube.data.size());
    for (size_t i = 0; i < cube.data.size(); ++i) EXPECT_NEAR(lut.values[i], cube.data[i], 1e-6f) << i;
}

// The sample reads; each single edit of it is refused with its message.
TEST(ClfFile, RefusesEachFaultWithItsMessage) {
    const std::string longName(70, 'x');
    const struct {
        Edits edits;
        std::string message;
    } cases[] = {
        {{{"compCLFversion=\"3\" ", ""}}, std::string(msg::kClfNoVersion)},
        {{{" id=\"sample\"", ""}}, std::string(msg::kClfNoId)},
        {{{"id=\"sample\"", "id=\"\""}}, std::string(msg::kClfEmptyAttribute)},
        {{{"id=\"sample\"", "id=\"s\" inverseOf=\"\""}}, std::string(msg::kClfEmptyAttribute)},
        {{{"compCLFversion=\"3\"", "compCLFversion=\"3.0.1\""}}, std::string(msg::kClfUnsupportedVersion)},
        {{{"compCLFversion=\"3\"", "compCLFversion=\"3.\""}}, std::string(msg::kClfBadVersion)},
        {{{"compCLFversion=\"3\"", "compCLFversion=\"ST2136-1:2024\""}}, std::string(msg::kClfBadVersion)},
        {{{"compCLFversion=\"3\"", "compCLFversion=\"3\" COMPCLFVERSION=\"3\""}}, std::string(msg::kClfVersionTwice)},
        {{{"compCLFversion=\"3\"", "version=\"2\""}}, std::string(msg::kClfCtfVersion)},
        {{{"compCLFversion=\"3\"", "compCLFversion=\"2\""}}, std::string(msg::kClfNodeNeedsVersion3)},
        {{{"<Description>d", "loose text<Description>d"}}, std::string(msg::kXmlLutTextInContainer)},
        {{{"<Description>d</Description>", "<Foo/>"}}, std::string(msg::kClfUnknownNodePrefix) + "Foo"},
        {{{"<Description>d</Description>", "<a:Matrix xmlns:a=\"u\"/>"}},
         std::string(msg::kClfUnknownNodePrefix) + "a:Matrix"},
        {{{"<Description>d</Description>", "<N\xC3\xA9" + longName + "/>"}},
         std::string(msg::kClfUnknownNodePrefix) + "N??" + longName.substr(0, 61)},
        {{{"<Description>d</Description>", "<inverseLut1d/>"}}, std::string(msg::kClfCtfNodePrefix) + "inverseLut1d"},
        // Bit depths
        {{{"<Matrix inBitDepth=\"32f\" ", "<Matrix "}}, std::string(msg::kClfMissingBitDepth)},
        {{{"outBitDepth=\"32f\"", "outBitDepth=\"32\""}}, std::string(msg::kClfBadBitDepth)},
        {{{"outBitDepth=\"32f\"", "outBitDepth=\"16f\""}}, std::string(msg::kClfBitDepthMismatch)},
        // Arrays
        {{{"dim=\"3 4\"", "dim=\"3 5\""}}, std::string(msg::kClfBadDim)},
        {{{"dim=\"3 4\"", "dim=\"3 4.5\""}}, std::string(msg::kClfBadDim)},
        {{{"dim=\"3 4\"", "dimension=\"3 4\""}}, std::string(msg::kClfBadDim)},
        {{{"0 0 1 0.3", "0 0 1 0.3 0"}}, std::string(msg::kClfWrongValueCount)},
        {{{"0 0 1 0.3", "0 0 1 0.3f"}}, std::string(msg::kXmlLutBadNumber)},
        {{{"1 0 0 0.1", "1 0 0 1e39"}}, std::string(msg::kXmlLutNotFinite)},
        {{{"<Array dim=\"3 4\">", "<Array dim=\"3 4\">1 0 0 0 0 1 0 0 0 0 1 0</Array><Array dim=\"3 4\">"}},
         std::string(msg::kClfTwoArrays)},
        {{{"<Array dim=\"2 1\">", "<IndexMap dim=\"2\">0@0 1@1</IndexMap><Array dim=\"2 1\">"}},
         std::string(msg::kClfIndexMap)},
        {{{"dim=\"3 4\">1 0 0 0.1 0 1 0 0.2 0 0 1 0.3", "dim=\"4 4\">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0.5 1"}},
         std::string(msg::kClfMatrixAlpha)},
        {{{"dim=\"3 4\">1 0 0 0.1 0 1 0 0.2 0 0 1 0.3", "dim=\"4 4\">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 2"}},
         std::string(msg::kClfMatrixAlpha)},
        {{{"dim=\"3 4\">1 0 0 0.1 0 1 0 0.2 0 0 1 0.3", "dim=\"4 5\">1 0 0 0 0 0 1 0 0 0 0 0 1 0 0 0 0 0 1 0.1"}},
         std::string(msg::kClfMatrixAlpha)},
        // LUT1D and LUT3D
        {{{"dim=\"2 1\">0 1", "dim=\"1 1\">0"}}, std::string(msg::kClfLut1DSize)},
        {{{"dim=\"2 1\"", "dim=\"2 2\""}}, std::string(msg::kClfBadDim)},
        {{{"<LUT1D inBitDepth=\"32f\"", "<LUT1D interpolation=\"cubic\" inBitDepth=\"32f\""}},
         std::string(msg::kClfBadInterpolation1D)},
        {{{"<LUT1D inBitDepth=\"32f\"", "<LUT1D halfDomain=\"false\" inBitDepth=\"32f\""}}, std::string(msg::kClfBadTrue)},
        {{{"<LUT1D inBitDepth=\"32f\"", "<LUT1D halfDomain=\"true\" inBitDepth=\"32f\""}},
         std::string(msg::kClfHalfDomainSize)},
        {{{"<LUT1D inBitDepth=\"32f\"", "<LUT1D rawHalfs=\"true\" inBitDepth=\"32f\""}, {"0 1</Array>", "0 65536</Array>"}},
         std::string(msg::kClfBadRawHalf)},
        {{{"<LUT1D inBitDepth=\"32f\"", "<LUT1D hueAdjust=\"dw1\" inBitDepth=\"32f\""}}, std::string(msg::kClfBadHueAdjust)},
        {{{"dim=\"2 2 2 3\"", "dim=\"2 2 3 3\""}}, std::string(msg::kClfBadDim)},
        {{{"dim=\"2 2 2 3\"", "dim=\"1 1 1 3\""}}, std::string(msg::kClfLut3DSize)},
        {{{"dim=\"2 2 2 3\"", "dim=\"130 130 130 3\""}}, std::string(msg::kClfLut3DSize)},
        {{{"<LUT3D inBitDepth", "<LUT3D interpolation=\"linear\" inBitDepth"}}, std::string(msg::kClfBadInterpolation3D)},
        // Range
        {{{"<Range inBitDepth", "<Range style=\"none\" inBitDepth"}}, std::string(msg::kClfRangeBadStyle)},
        {{{"<minOutValue>0</minOutValue>", ""}}, std::string(msg::kClfRangeUnpaired)},
        {{{"<minInValue>0</minInValue>", "<minInValue>0 1</minInValue>"}}, std::string(msg::kClfRangeValue)},
        {{{"<minInValue>0</minInValue>", "<minInValue/>"}}, std::string(msg::kClfRangeValue)},
        {{{"<minInValue>0</minInValue><maxInValue>1</maxInValue><minOutValue>0</minOutValue><maxOutValue>1</maxOutValue>",
           ""}},
         std::string(msg::kClfRangeEmpty)},
        {{{"<maxInValue>1</maxInValue>", ""}, {"<minOutValue>0</minOutValue><maxOutValue>1</maxOutValue>",
                                                "<minOutValue>0.01</minOutValue>"}},
         std::string(msg::kClfRangeOneSided)},
        {{{"<Range inBitDepth", "<Range style=\"noClamp\" inBitDepth"},
          {"<maxInValue>1</maxInValue>", ""},
          {"<maxOutValue>1</maxOutValue>", ""}},
         std::string(msg::kClfRangeNoClampOneSided)},
        {{{"<maxInValue>1</maxInValue>", "<maxInValue>-1</maxInValue>"}}, std::string(msg::kClfRangeInverted)},
        {{{"<maxInValue>1</maxInValue>", "<maxInValue>5e-7</maxInValue>"}}, std::string(msg::kClfRangeTooNarrow)},
        // Log
        {{{"style=\"cameraLinToLog\"", "style=\"camera\""}}, std::string(msg::kClfLogStyle)},
        {{{"style=\"cameraLinToLog\"", ""}}, std::string(msg::kClfLogStyle)},
        {{{"linSideBreak=\"0.1\"", "logSideSlope=\"0.5\""}}, std::string(msg::kClfLogNoBreak)},
        {{{"<LogParams linSideBreak", "<LogParams channel=\"R\" linSideBreak"}}, std::string(msg::kClfLogNoBreak)},
        {{{"<LogParams linSideBreak", "<LogParams channel=\"A\" linSideBreak"}}, std::string(msg::kClfChannel)},
        {{{"linSideBreak=\"0.1\"", "linSideBreak=\"0.1 0.2\""}}, std::string(msg::kClfParamValue)},
        {{{"<LogParams linSideBreak=\"0.1\"/>",
           "<LogParams channel=\"R\" base=\"10\" linSideBreak=\"0.1\"/><LogParams base=\"2\" linSideBreak=\"0.1\"/>"}},
         std::string(msg::kClfLogBaseMismatch)},
        {{{"linSideBreak=\"0.1\"", "linSideBreak=\"0.1\" base=\"1\""}}, std::string(msg::kClfLogBadBase)},
        {{{"linSideBreak=\"0.1\"", "linSideBreak=\"0.1\" base=\"1.00000001\""}}, std::string(msg::kClfLogBadBase)},
        {{{"linSideBreak=\"0.1\"", "linSideBreak=\"0.1\" base=\"inf\""}}, std::string(msg::kXmlLutNotFinite)},
        {{{"linSideBreak=\"0.1\"", "linSideBreak=\"0.1\" linSideSlope=\"0\""}}, std::string(msg::kClfLogZeroSlope)},
        {{{"linSideBreak=\"0.1\"", "linSideBreak=\"0.1\" logSideSlope=\"1e-50\""}}, std::string(msg::kClfLogZeroSlope)},
        {{{"<LogParams linSideBreak=\"0.1\"/>", "<LogParams linSideBreak=\"0.1\"/><LogParams channel=\"g\" "
                                                "linSideBreak=\"0.1\" linearSlope=\"2\"/>"}},
         std::string(msg::kClfLogPartialLinearSlope)},
        {{{"style=\"cameraLinToLog\"", "style=\"linToLog\""}}, std::string(msg::kClfLogCameraOnly)},
        // Exponent
        {{{"style=\"monCurveFwd\"", "style=\"monCurve\""}}, std::string(msg::kClfExponentStyle)},
        {{{" offset=\"0.055\"", ""}}, std::string(msg::kClfExponentNeedsOffset)},
        {{{"style=\"monCurveFwd\"", "style=\"basicFwd\""}}, std::string(msg::kClfExponentNoOffset)},
        {{{"exponent=\"2.4\"", "exp=\"2.4\""}}, std::string(msg::kClfExponentMissing)},
        {{{"exponent=\"2.4\"", "exponent=\"0.99\""}}, std::string(msg::kClfExponentRange)},
        {{{"offset=\"0.055\"", "offset=\"0.91\""}}, std::string(msg::kClfExponentRange)},
        {{{"offset=\"0.055\"", "offset=\"nan\""}}, std::string(msg::kClfExponentRange)},
        {{{"style=\"monCurveFwd\"", "style=\"basicRev\""}, {" offset=\"0.055\"", ""}, {"2.4", "100.5"}},
         std::string(msg::kClfExponentRange)},
        {{{"<ExponentParams exponent", "<ExponentParams channel=\"RGB\" exponent"}}, std::string(msg::kClfChannel)},
        // ASC_CDL
        {{{"style=\"Fwd\"", "style=\"Forward\""}}, std::string(msg::kClfCdlStyle)},
        {{{"<Power>1 1 1</Power>", ""}}, std::string(msg::kCdlSopIncomplete)},
        {{{"<Slope>1 1 1</Slope>", "<Slope>1 1</Slope>"}}, std::string(msg::kCdlSopCount)},
        {{{"<Slope>1 1 1</Slope>", "<Slope>1 1 x</Slope>"}}, std::string(msg::kXmlLutBadNumber)},
        {{{"<Saturation>1</Saturation>", "<Saturation/>"}}, std::string(msg::kCdlSatCount)},
        {{{"<Slope>1 1 1</Slope>", "<Slope>1 -0.1 1</Slope>"}}, std::string(msg::kCdlNegativeSlope)},
        {{{"<Power>1 1 1</Power>", "<Power>1 0 1</Power>"}}, std::string(msg::kCdlPowerNotPositive)},
        {{{"<Power>1 1 1</Power>", "<Power>1 1e-50 1</Power>"}}, std::string(msg::kCdlPowerNotPositive)},
        {{{"<Saturation>1</Saturation>", "<Saturation>-1</Saturation>"}}, std::string(msg::kCdlNegativeSaturation)},
        {{{"<Offset>0 0 0</Offset>", "<Offset>0 -inf 0</Offset>"}}, std::string(msg::kXmlLutNotFinite)},
        {{{"<SOPNode>", "<SOPNode>text"}}, std::string(msg::kXmlLutTextInContainer)},
    };
    kv::ProcessList list;
    std::string error;
    ASSERT_TRUE(kv::ReadClfFile(kSample, list, &error)) << error;
    ASSERT_EQ(list.steps.size(), 7u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edits.front().second.substr(0, 60));
        EXPECT_FALSE(kv::ReadClfFile(edited(c.edits), list, &error));
        EXPECT_EQ(error, c.message);
    }
}

// What other CLF readers read, read the same way: names and words in any
// case, older names, defaults, and a later element replacing an earlier one.
TEST(ClfFile, ReadsWhatOtherReadersRead) {
    const struct {
        Edits edits;
        bool (*holds)(const kv::ProcessList&);
    } cases[] = {
        {{{"<Matrix inBitDepth=\"32f\"", "<mAtRiX INBITDEPTH=\"32F\""}, {"</Matrix>", "</mAtRiX>"}},
         [](const kv::ProcessList& l) { return std::get<kv::MatrixStep>(l.steps[0]).offset[2] == 0.3f; }},
        {{{"compCLFversion=\"3\"", "compCLFversion=\"2.0.1\""}}, [](const kv::ProcessList& l) { return l.steps.size() == 7; }},
        {{{"<ProcessList compCLFversion=\"3\" id=\"sample\"",
           "<ProcessList xmlns=\"http://www.smpte-ra.org/ns/2136-1/2024\" compCLFversion=\"ST2136-1:2024\""}},
         [](const kv::ProcessList& l) { return l.steps.size() == 7; }},
        {{{"<LogParams linSideBreak=\"0.1\"/>", ""}},
         [](const kv::ProcessList& l) { return std::get<kv::LogStep>(l.steps[4]).style == kv::LogStyle::kLinToLog; }},
        {{{"style=\"cameraLinToLog\"", "style=\"LOG10\""}},
         [](const kv::ProcessList& l) { return std::get<kv::LogStep>(l.steps[4]).base == 10.0f; }},
        {{{"exponent=\"2.4\"", "gamma=\"2.2\""}},
         [](const kv::ProcessList& l) { return std::get<kv::ExponentStep>(l.steps[5]).exponent[2] == 2.2f; }},
        {{{"<ExponentParams exponent=\"2.4\" offset=\"0.055\"/>", ""}},
         [](const kv::ProcessList& l) { return std::get<kv::ExponentStep>(l.steps[5]).exponent[0] == 1.0f; }},
        {{{"<ExponentParams exponent", "<ExponentParams exponent=\"1.5\" offset=\"0\"/><ExponentParams channel=\"b\" exponent"}},
         [](const kv::ProcessList& l) { return std::get<kv::ExponentStep>(l.steps[5]).exponent[0] == 1.5f; }},
        {{{"style=\"Fwd\"", "style=\"noClampRev\""}},
         [](const kv::ProcessList& l) { return std::get<kv::CdlStep>(l.steps[6]).style == kv::CdlStyle::kRevNoClamp; }},
        {{{"style=\"Fwd\"", ""}, {"<Saturation>1</Saturation>", ""}, {"<Slope>1 1 1</Slope>", "<Slope>9 9 9</Slope><SLOPE>2,0,0.5</SLOPE>"}},
         [](const kv::ProcessList& l) {
             const auto& cdl = std::get<kv::CdlStep>(l.steps[6]);
             return cdl.style == kv::CdlStyle::kFwd && cdl.saturation == 1.0f && cdl.slope[0] == 2.0f;
         }},
        {{{"<maxInValue>1</maxInValue>", ""}, {"<maxOutValue>1</maxOutValue>", ""}, {"<minOutValue>0", "<minOutValue>5e-7"}},
         [](const kv::ProcessList& l) { return std::get<kv::RangeStep>(l.steps[3]).minOut == 5e-7f; }},
        {{{"<Array dim=\"3 4\">", "<Description/><Foo a=\"1\"/><Array dim=\"3,4\" extra=\"\">"}},
         [](const kv::ProcessList& l) { return std::get<kv::MatrixStep>(l.steps[0]).offset[0] == 0.1f; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edits.front().second.substr(0, 60));
        kv::ProcessList list;
        std::string error;
        ASSERT_TRUE(kv::ReadClfFile(edited(c.edits), list, &error)) << error;
        EXPECT_TRUE(c.holds(list));
    }
}

std::string lut1D(size_t entries, std::string_view attributes) {
    std::string text = "<ProcessList compCLFversion=\"3\" id=\"t\"><LUT1D inBitDepth=\"16f\" outBitDepth=\"32f\" " +
                       std::string(attributes) + "><Array dim=\"" + std::to_string(entries) + " 1\">";
    for (size_t i = 0; i < entries; ++i) text += std::to_string(i) + "\n";
    return text + "</Array></LUT1D></ProcessList>";
}

TEST(ClfFile, KeepsToTheModelsLimits) {
    kv::ProcessList list;
    std::string error;
    // A half-domain table of raw halves: entry i holds the half of bit pattern i.
    ASSERT_TRUE(kv::ReadClfFile(lut1D(65536, "halfDomain=\"TRUE\" rawHalfs=\"true\""), list, &error)) << error;
    const auto& halves = std::get<kv::Lut1DStep>(list.steps[0]);
    EXPECT_TRUE(halves.halfDomain);
    EXPECT_EQ(halves.values[3 * 0x3C00], 1.0f);
    EXPECT_EQ(halves.values[3 * 0xC000], -2.0f);
    EXPECT_EQ(halves.values[3 * 0x0001], std::ldexp(1.0f, -24));
    EXPECT_EQ(halves.values[3 * 0x7C00], std::numeric_limits<float>::max());  // +inf, as tables read it
    EXPECT_EQ(halves.values[3 * 0x7E00], 0.0f);                                  // NaN
    EXPECT_TRUE(kv::IsCompleteProcessList(list));
    EXPECT_FALSE(kv::ReadClfFile(lut1D(65537, ""), list, &error));
    EXPECT_EQ(error, msg::kClfLut1DSize);

    const std::string node = "<Range inBitDepth=\"32f\" outBitDepth=\"32f\"><minInValue>0</minInValue>"
                             "<minOutValue>0</minOutValue></Range>\n";
    std::string text = "<ProcessList compCLFversion=\"3\" id=\"t\">";
    for (size_t i = 0; i < kv::kMaxProcessSteps; ++i) text += node;
    EXPECT_TRUE(kv::ReadClfFile(text + "</ProcessList>", list, &error)) << error;
    EXPECT_FALSE(kv::ReadClfFile(text + node + "</ProcessList>", list, &error));
    EXPECT_EQ(error, msg::kClfTooManyNodes);

    // A table's dims promise more than its text holds: memory follows the text.
    const std::string promise = edited({{"dim=\"2 2 2 3\"", "dim=\"129 129 129 3\""}});
    size_t largest = 0;
    {
        const kvtest::LargestAllocation record;
        EXPECT_FALSE(kv::ReadClfFile(promise, list, &error));
        largest = record.bytes();
    }
    EXPECT_EQ(error, msg::kClfWrongValueCount);
    EXPECT_LE(largest, 16 * promise.size());
}

}  // namespace
