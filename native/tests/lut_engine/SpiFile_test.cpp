#include "lut_engine/Spi1dFile.h"
#include "lut_engine/Spi3dFile.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "AllocationRecord.h"
#include "SpiFileCases.h"

namespace {

// Reads from a block of exactly the text's size, so that the sanitizers
// catch a read past its end.
bool read(std::string_view ext, const std::vector<char>& block, kv::ProcessList& list, std::string* error) {
    const std::string_view text(block.data(), block.size());
    return ext == "spi1d" ? kv::ReadSpi1dFile(text, list, error) : kv::ReadSpi3dFile(text, list, error);
}

TEST(SpiFile, ReadsEachFormWithItsFromStepAndTable) {
    for (const auto& c : kvtest::SpiGoodCases()) {
        SCOPED_TRACE(c.what);
        const std::vector<char> block(c.text.begin(), c.text.end());
        kv::ProcessList list;
        std::string error;
        ASSERT_TRUE(read(c.ext, block, list, &error)) << error;
        EXPECT_EQ(list.format, c.ext);
        ASSERT_TRUE(kv::IsCompleteProcessList(list));
        const bool hasFrom = c.scale != 1.0f || c.offset != 0.0f;
        ASSERT_EQ(list.steps.size(), hasFrom ? 2u : 1u);
        if (hasFrom) {
            const auto* from = std::get_if<kv::MatrixStep>(&list.steps[0]);
            ASSERT_NE(from, nullptr);
            for (int i = 0; i < 9; ++i) EXPECT_EQ(from->m[i], i % 4 == 0 ? c.scale : 0.0f) << i;
            for (const float o : from->offset) EXPECT_EQ(o, c.offset);
        }
        const std::vector<float>* values = nullptr;
        if (const auto* t1 = std::get_if<kv::Lut1DStep>(&list.steps.back())) {
            EXPECT_EQ(t1->size, c.size);
            EXPECT_FALSE(t1->halfDomain);
            values = &t1->values;
        } else if (const auto* t3 = std::get_if<kv::Lut3DStep>(&list.steps.back())) {
            EXPECT_EQ(t3->size, c.size);
            EXPECT_EQ(t3->interpolation, kv::Interpolation3D::kTrilinear);
            values = &t3->values;
        }
        ASSERT_NE(values, nullptr);
        for (const auto& [i, v] : c.values) EXPECT_EQ((*values)[i], v) << "value " << i;
    }
}

// Each refusal gives its message, and no file makes a reader ask for more
// memory than its text could fill.
TEST(SpiFile, RefusesBadFilesWithTheirMessage) {
    const auto cases = kvtest::SpiBadCases();
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE("row " + std::to_string(i) + ", " + std::string(c.message));
        const std::vector<char> block(c.text.begin(), c.text.end());
        kv::ProcessList list;
        std::string error;
        const kvtest::LargestAllocation record;
        EXPECT_FALSE(read(c.ext, block, list, &error));
        EXPECT_EQ(error, c.message);
        EXPECT_LE(record.bytes(), c.text.size() + 1024);
    }
}

}  // namespace
