// OpenColorIO 2.1 reads the same .spi1d and .spi3d texts (the crafted cases
// of SpiFileCases.h and the fixtures): what our readers read it reads into
// the same From scale and offset and the same table, and what they refuse
// it refuses, except the files a case marks as read by it (refused here on
// purpose) or as overrunning its buffers.

#include <OpenColorIO/OpenColorIO.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "SpiFileCases.h"
#include "lut_engine/Spi1dFile.h"
#include "lut_engine/Spi3dFile.h"
#include "lut_engine/TableValue.h"

namespace OCIO = OCIO_NAMESPACE;

namespace {

struct SpiFile {
    std::string path;
    std::string text;
};

// A file of its own per text: OpenColorIO caches a file's LUT by its path.
SpiFile WriteTemporary(const std::string& text, const char* ext) {
    static int count = 0;
    const std::string name = "kv-spi-" + std::to_string(::getpid()) + "-" + std::to_string(++count) + "." + ext;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return {path.string(), text};
}

SpiFile Fixture(const char* name) {
    const std::string path = std::string(KV_TEST_DATA_DIR) + "/spi/" + name;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return {path, s.str()};
}

// OpenColorIO's processor for the file with the FileTransform's default
// interpolation, as a file is applied when nothing names another.
OCIO::ConstProcessorRcPtr OcioProcessor(const std::string& path,
                                        OCIO::Interpolation interpolation = OCIO::INTERP_DEFAULT) {
    const OCIO::FileTransformRcPtr transform = OCIO::FileTransform::Create();
    transform->setSrc(path.c_str());
    transform->setInterpolation(interpolation);
    return OCIO::Config::CreateRaw()->getProcessor(transform);
}

bool ReadOurs(const std::string& ext, const std::string& text, kv::ProcessList& list, std::string& error) {
    return ext == "spi1d" ? kv::ReadSpi1dFile(text, list, &error) : kv::ReadSpi3dFile(text, list, &error);
}

// OpenColorIO's table values in our order (3D red fastest), as its
// renderers apply them: a value that is not finite as FiniteTableValue has it.
std::vector<float> OcioTable(const OCIO::ConstTransformRcPtr& step) {
    std::vector<float> values;
    float rgb[3];
    const auto take = [&] {
        for (const float v : rgb) values.push_back(kv::FiniteTableValue(v));
    };
    if (const auto t1 = OCIO::DynamicPtrCast<const OCIO::Lut1DTransform>(step)) {
        for (unsigned long i = 0; i < t1->getLength(); ++i) {
            t1->getValue(i, rgb[0], rgb[1], rgb[2]);
            take();
        }
    } else if (const auto t3 = OCIO::DynamicPtrCast<const OCIO::Lut3DTransform>(step)) {
        const unsigned long n = t3->getGridSize();
        for (unsigned long i = 0; i < n * n * n; ++i) {
            t3->getValue(i % n, i / n % n, i / n / n, rgb[0], rgb[1], rgb[2]);
            take();
        }
    }
    return values;
}

// The steps OpenColorIO builds for the file against ours: its matrix in
// float (as its renderer applies it), then the same table.
void ExpectSameSteps(const OCIO::ConstProcessorRcPtr& processor, const kv::ProcessList& list) {
    const OCIO::ConstGroupTransformRcPtr group = processor->createGroupTransform();
    ASSERT_EQ(static_cast<size_t>(group->getNumTransforms()), list.steps.size());
    if (const auto* from = std::get_if<kv::MatrixStep>(&list.steps[0])) {
        const auto theirs = OCIO::DynamicPtrCast<const OCIO::MatrixTransform>(group->getTransform(0));
        ASSERT_TRUE(theirs);
        double m[16];
        double offset[4];
        theirs->getMatrix(m);
        theirs->getOffset(offset);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(from->m[i], static_cast<float>(m[i / 3 * 4 + i % 3])) << i;
        for (int c = 0; c < 3; ++c) EXPECT_EQ(from->offset[c], static_cast<float>(offset[c])) << c;
    }
    const auto* t1 = std::get_if<kv::Lut1DStep>(&list.steps.back());
    const auto* t3 = std::get_if<kv::Lut3DStep>(&list.steps.back());
    EXPECT_EQ(OcioTable(group->getTransform(group->getNumTransforms() - 1)), t1 ? t1->values : t3->values);
}

void ExpectOcioReadsAsWeDo(const std::string& ext, const SpiFile& file) {
    kv::ProcessList list;
    std::string error;
    ASSERT_TRUE(ReadOurs(ext, file.text, list, error)) << error;
    try {
        ExpectSameSteps(OcioProcessor(file.path), list);
    } catch (const OCIO::Exception& e) {
        FAIL() << "OpenColorIO cannot read " << file.path << ": " << e.what();
    }
}

TEST(SpiOracle, ReadsWhatWeReadIntoTheSameSteps) {
    for (const auto& c : kvtest::SpiGoodCases()) {
        SCOPED_TRACE(c.what);
        const SpiFile file = WriteTemporary(c.text, c.ext);
        ExpectOcioReadsAsWeDo(c.ext, file);
        std::filesystem::remove(file.path);
    }
    for (const char* name : {"shaper.spi1d", "rgb.spi1d", "shuffled.spi3d"}) {
        SCOPED_TRACE(name);
        ExpectOcioReadsAsWeDo(std::filesystem::path(name).extension().string().substr(1), Fixture(name));
    }
}

TEST(SpiOracle, RefusesWhatWeRefuse) {
    for (const auto& c : kvtest::SpiBadCases()) {
        if (c.ocio == kvtest::OcioOutcome::kUndefined) continue;
        SCOPED_TRACE(std::string(c.ext) + ": " + std::string(c.message));
        const SpiFile file = WriteTemporary(c.text, c.ext);
        bool reads = true;
        std::string why;
        try {
            OcioProcessor(file.path);
        } catch (const OCIO::Exception& e) {
            reads = false;
            why = e.what();
        }
        EXPECT_EQ(reads, c.ocio == kvtest::OcioOutcome::kReads) << why;
        std::filesystem::remove(file.path);
    }
}

// A 3D table from a file is trilinear by default: OpenColorIO's default
// gives what its linear interpolation gives, not its tetrahedral one.
TEST(SpiOracle, DefaultInterpolationIsTrilinear) {
    const SpiFile file = Fixture("shuffled.spi3d");
    const auto apply = [&](OCIO::Interpolation interpolation) {
        float rgb[3] = {0.3f, 0.8f, 0.55f};
        OcioProcessor(file.path, interpolation)->getOptimizedCPUProcessor(OCIO::OPTIMIZATION_NONE)->applyRGB(rgb);
        return std::vector<float>(rgb, rgb + 3);
    };
    EXPECT_EQ(apply(OCIO::INTERP_DEFAULT), apply(OCIO::INTERP_LINEAR));
    EXPECT_NE(apply(OCIO::INTERP_DEFAULT), apply(OCIO::INTERP_TETRAHEDRAL));
}

}  // namespace
