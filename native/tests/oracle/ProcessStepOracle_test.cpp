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
#include "TestClfText.h"
#include "TestProcessLists.h"
#include "lut_engine/ProcessList.h"
#include "lut_engine/process/PreparedSteps.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

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
                        << kvtest::ClfNodeOf(c.step) << "\n</ProcessList>\n";
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
