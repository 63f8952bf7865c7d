// Test executables that link this file run their row operations at the level
// named by KV_TEST_ROW_LEVEL ("scalar" or "avx2"), so that one suite is
// registered once per level; without the variable they run at the level the
// processor supports. Only tests read the variable: the module has no
// settings of its own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "lut_engine/simd/RowLevel.h"

namespace {

class RowLevelFromEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* name = std::getenv("KV_TEST_ROW_LEVEL");
        if (name == nullptr || *name == '\0') {
            return;
        }
        const std::string wanted(name);
        for (const kv::RowLevel level : {kv::RowLevel::kScalar, kv::RowLevel::kAvx2}) {
            if (wanted != kv::RowLevelName(level)) continue;
            if (!kv::SetRowLevel(level)) {
                GTEST_SKIP() << "row level " << wanted << " is not supported by this processor";
            }
            return;
        }
        FAIL() << "KV_TEST_ROW_LEVEL names no row level: " << wanted;
    }
};

const ::testing::Environment* const kRowLevelEnvironment =
    ::testing::AddGlobalTestEnvironment(new RowLevelFromEnvironment);

}  // namespace
