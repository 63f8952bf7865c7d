#include "lut_engine/CdlFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LutTextTestText.h"
#include "lut_engine/ProcessListMessages.h"

namespace {

namespace msg = kv::messages;

std::vector<float> sop(const kv::CdlStep& s) {
    return {s.slope[0], s.slope[1], s.slope[2], s.offset[0], s.offset[1], s.offset[2],
            s.power[0], s.power[1], s.power[2], s.saturation};
}

// Each file gives its first correction, as a CDL without clamping, with the
// correction's id and the file's count.
TEST(CdlFile, ReadsTheFirstCorrectionOfEachKind) {
    const struct {
        const char* name;
        const char* id;
        size_t corrections;
        std::vector<float> values;  // slope, offset, power, saturation
    } cases[] = {
        {"grade.cc", "shot_010", 1, {1.1f, 1.0f, 0.9f, 0.02f, 0.0f, -0.01f, 0.95f, 1.0f, 1.05f, 0.9f}},
        {"grades.ccc", "shot_020", 2, {1.2f, 1.2f, 1.2f, 0, 0, 0, 1, 1, 1, 1}},
        {"decisions.cdl", "", 2, {1, 1, 1, -0.05f, -0.05f, -0.05f, 1.2f, 1.2f, 1.2f, 1.25f}},
        {"ocio_written.cc", "", 1, {1.05f, 1.0f, 0.95f, 0.01f, 0.0f, -0.02f, 1.0f, 1.1f, 0.9f, 0.85f}},
        {"ocio_written.ccc", "", 1, {1.05f, 1.0f, 0.95f, 0.01f, 0.0f, -0.02f, 1.0f, 1.1f, 0.9f, 0.85f}},
        {"ocio_written.cdl", "", 1, {1.05f, 1.0f, 0.95f, 0.01f, 0.0f, -0.02f, 1.0f, 1.1f, 0.9f, 0.85f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kv::ProcessList list;
        kv::CdlFileInfo info;
        std::string error;
        ASSERT_TRUE(kv::ReadCdlFile(kvtest::readDataFile(std::string("cdl/") + c.name), list, &info, &error)) << error;
        ASSERT_EQ(list.steps.size(), 1u);
        EXPECT_EQ(list.format, "CDL");
        const auto& step = std::get<kv::CdlStep>(list.steps[0]);
        EXPECT_EQ(step.style, kv::CdlStyle::kFwdNoClamp);
        EXPECT_EQ(sop(step), c.values);
        EXPECT_EQ(info.id, c.id);
        EXPECT_EQ(info.corrections, c.corrections);
        EXPECT_TRUE(kv::IsCompleteProcessList(list));
    }
}

// The ASC's files are read as written: exact names, corrections only where
// each kind of file holds them, and every correction checked.
TEST(CdlFile, ReadsCorrectionsOnlyWhereTheirFileHoldsThem) {
    const std::string sat = "<SatNode><Saturation>0.5</Saturation></SatNode>";
    const struct {
        std::string text;
        std::string_view message;  // empty: read, saturation 0.5
    } cases[] = {
        {"<ColorCorrection>" + sat + "</ColorCorrection>", {}},
        {"<ColorCorrection><Foo/><SatNode><Saturation>2</Saturation></SatNode><SATNode><Saturation>0.5</Saturation>"
         "</SATNode></ColorCorrection>",
         {}},
        {"<ColorCorrectionCollection><Foo><ColorCorrection/></Foo><ColorCorrection>" + sat +
             "</ColorCorrection></ColorCorrectionCollection>",
         {}},
        {"<ColorDecisionList><ColorCorrection/><ColorDecision><ColorCorrection>" + sat +
             "</ColorCorrection></ColorDecision></ColorDecisionList>",
         {}},
        {"<ColorCorrection>" + sat + "<satNode><Saturation>2</Saturation></satNode></ColorCorrection>", {}},
        {"<ColorCorrection><SatNode><Saturation>1 2</Saturation></SatNode></ColorCorrection>", msg::kCdlSatCount},
        {"<ColorCorrection>x" + sat + "</ColorCorrection>", msg::kXmlLutTextInContainer},
        {"<ColorCorrectionCollection>x</ColorCorrectionCollection>", msg::kXmlLutTextInContainer},
        {"<ColorDecisionList><ColorDecision>x</ColorDecision></ColorDecisionList>", msg::kXmlLutTextInContainer},
        {"<ColorDecisionList><ColorDecision/></ColorDecisionList>", msg::kCdlNoCorrection},
        {"<ColorCorrectionCollection><ColorCorrection>" + sat +
             "</ColorCorrection><ColorCorrection><SatNode><Saturation>-1</Saturation></SatNode></ColorCorrection>"
             "</ColorCorrectionCollection>",
         msg::kCdlNegativeSaturation},
        {"<cdl:ColorCorrection xmlns:cdl=\"urn:ASC:CDL:v1.01\"/>", msg::kCdlNotCdl},
        {"<ProcessList/>", msg::kCdlNotCdl},
        {"<ColorCorrection><SatNode>", msg::kXmlUnclosed},
        {"<ColorCorrection><Foo><ColorCorrection/></Foo></ColorCorrection>", msg::kCdlNestedCorrection},
        {"<ColorDecisionList><ColorDecision><ColorCorrection id=\"a\"/><ColorCorrection id=\"a\"/></ColorDecision>"
         "</ColorDecisionList>",
         msg::kCdlDuplicateId},
        {"<ColorCorrection><SOPNode><Slope>1 1 1</Slope><Offset>0 0 0</Offset><Power>1 0 1</Power></SOPNode>"
         "</ColorCorrection>",
         msg::kCdlPowerNotPositive},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        kv::ProcessList list;
        std::string error;
        const bool read = kv::ReadCdlFile(c.text, list, nullptr, &error);
        EXPECT_EQ(read, c.message.empty());
        EXPECT_EQ(error, c.message);
        if (read) {
            EXPECT_EQ(std::get<kv::CdlStep>(list.steps[0]).saturation, 0.5f);
        }
    }
}

}  // namespace
