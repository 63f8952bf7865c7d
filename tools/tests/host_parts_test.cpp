// The headless host's own pieces: its command line, its project file and the
// LUT text it stores for a .cube file.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/HostOptions.h"
#include "host/LutValue.h"
#include "lut_engine/LutFormats.h"
#include "host/ProjectFile.h"
#include "lut_engine/LutText.h"

namespace {

std::string TempPath(const std::string& name) {
    // A folder of its own, so that file names stay as the tests give them.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kv_hostparts";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(HostOptions, ParsesAFullPremiereRun) {
    kvtool::HostOptions o;
    std::string error;
    ASSERT_TRUE(kvtool::ParseHostOptions({"--module", "m.so", "--host", "pr", "--format", "32f", "--pattern", "17",
                                          "--amount", "62.5", "--in", "a.png", "--out", "b.png", "--print"},
                                         o, error))
        << error;
    EXPECT_EQ(o.host, kvtool::HostKind::Premiere);
    EXPECT_EQ(o.format, kvtool::RenderFormat::Float32);
    EXPECT_EQ(o.pattern, 17);
    EXPECT_EQ(o.amount, 62.5);
    EXPECT_TRUE(o.print);
}

TEST(HostOptions, ASequenceOrAFolderMakesABatchWithItsOwnOptions) {
    kvtool::HostOptions o;
    std::string error;
    ASSERT_TRUE(kvtool::ParseHostOptions({"--module", "m.so", "--in", "shots/f.%04d.exr", "--out", "graded",
                                          "--jobs", "3", "--frames", "1001-1100"},
                                         o, error))
        << error;
    EXPECT_TRUE(o.batch);
    EXPECT_EQ(o.jobs, 3u);
    EXPECT_EQ(o.firstFrame, 1001);
    EXPECT_EQ(o.lastFrame, 1100);
    ASSERT_TRUE(kvtool::ParseHostOptions({"--module", "m.so", "--in", TempPath(""), "--out", "graded"}, o, error));
    EXPECT_TRUE(o.batch) << "a folder";
    ASSERT_TRUE(kvtool::ParseHostOptions({"--module", "m.so", "--in", "a.png", "--out", "b.png"}, o, error));
    EXPECT_FALSE(o.batch);

    const std::vector<std::vector<std::string>> bad = {
        {"--module", "m", "--in", "a.png", "--out", "b.png", "--jobs", "2"},        // one picture
        {"--module", "m", "--in", "a.png", "--out", "b.png", "--frames", "1-2"},    // one picture
        {"--module", "m", "--in", "f.#.png", "--out", "o", "--jobs", "0"},          // no threads
        {"--module", "m", "--in", "f.#.png", "--out", "o", "--frames", "9-1"},      // backwards
        {"--module", "m", "--in", "f.#.png", "--out", "o", "--frames", "-1-5"},     // negative
        {"--module", "m", "--in", "f.#.png", "--out", "o", "--frames", "12"},       // no range
    };
    for (const auto& args : bad) {
        EXPECT_FALSE(kvtool::ParseHostOptions(args, o, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
}

// A single picture is read whole and then replaced by its result, so an
// output that names the input, however it is spelt or linked, is refused as
// a bad command line.
TEST(HostOptions, ASinglePictureIsNeverWrittenOverItsInput) {
    namespace fs = std::filesystem;
    const std::string in = TempPath("single.png");
    WriteBytes(in, "picture");
    WriteBytes(TempPath("other.png"), "another picture");
    fs::create_directories(TempPath("sub"));
    for (const char* link : {"hard.png", "soft.png", "new.png"}) fs::remove(TempPath(link));
    fs::create_hard_link(in, TempPath("hard.png"));
    struct Case {
        std::string out;
        bool refused;
    };
    std::vector<Case> cases = {
        {in, true},
        {TempPath("./single.png"), true},
        {TempPath("sub/../single.png"), true},
        {TempPath("not-yet/../single.png"), true},  // through a folder that does not exist
        {TempPath("hard.png"), true},
        {TempPath("new.png"), false},
        {TempPath("other.png"), false},  // another picture may be replaced
    };
    // Relative beside absolute (none where the temporary folder is on
    // another drive than the working folder).
    if (const fs::path relative = fs::relative(in); !relative.empty()) cases.push_back({relative.string(), true});
#ifndef _WIN32
    fs::create_symlink(in, TempPath("soft.png"));
    cases.push_back({TempPath("soft.png"), true});
#endif
    for (const Case& c : cases) {
        kvtool::HostOptions o;
        std::string error;
        EXPECT_EQ(kvtool::ParseHostOptions({"--module", "m.so", "--in", in, "--out", c.out}, o, error), !c.refused)
            << c.out;
        EXPECT_EQ(error, c.refused ? "refusing to overwrite the input " + in + ": choose another --out" : "")
            << c.out;
    }
}

TEST(HostOptions, DepthChoosesAfterEffectsSmartRenderForSinglePicturesAndBatches) {
    kvtool::HostOptions o;
    std::string error;
    ASSERT_TRUE(kvtool::ParseHostOptions({"--module", "m.so", "--in", "a.png", "--out", "b.png"}, o, error));
    EXPECT_FALSE(o.depth) << "without --depth After Effects renders through RENDER";
    for (int bits : {8, 16, 32}) {
        ASSERT_TRUE(kvtool::ParseHostOptions(
            {"--module", "m", "--host", "ae", "--depth", std::to_string(bits), "--in", "f.%04d.exr", "--out", "o"}, o,
            error))
            << error;
        EXPECT_TRUE(o.batch && o.depth == bits);
    }
}

TEST(HostOptions, RefusesContradictionsAndBadValues) {
    const std::vector<std::vector<std::string>> bad = {
        {},                                                                 // no module
        {"--module"},                                                       // missing value
        {"--module", "m", "--host", "nuke"},                                // unknown host
        {"--module", "m", "--format", "16"},                                // unknown format
        {"--module", "m", "--format", "32f"},                               // After Effects' float path is --depth 32
        {"--module", "m", "--depth", "12"},                                 // unknown depth
        {"--module", "m", "--depth", "32f"},                                // --format's spelling
        {"--module", "m", "--host", "pr", "--depth", "16"},                 // Premiere has no smart render here
        {"--module", "m", "--depth", "8", "--host", "pr"},                  // in either order
        {"--module", "m", "--cube", "a.cube", "--pattern", "17"},           // two LUT sources
        {"--module", "m", "--pattern", "17", "--load-project", "p"},        // two LUT sources
        {"--module", "m", "--in", "a.png"},                                 // --in without --out
        {"--module", "m", "--amount", "1,5"},                               // not a number
        {"--module", "m", "--amount", "nan"},                               // not finite
        {"--module", "m", "--pattern", "x"},                                // not an integer
        {"--module", "m", "--bogus", "1"},                                  // unknown option
    };
    for (const auto& args : bad) {
        kvtool::HostOptions o;
        std::string error;
        EXPECT_FALSE(kvtool::ParseHostOptions(args, o, error)) << (args.empty() ? "" : args.back());
        EXPECT_FALSE(error.empty());
    }
}

TEST(HostProjectFile, RoundTripKeepsTheLutBytesExactlyAndTheAmount) {
    kvtool::HostProject project;
    project.amount = 37.25;
    for (int i = 0; i < 300; ++i) project.lutBytes.push_back(static_cast<unsigned char>(i * 7));  // includes \n and \0
    const std::string path = TempPath("roundtrip.kvproj");
    std::string error;
    ASSERT_TRUE(kvtool::WriteHostProject(path, project, error)) << error;
    kvtool::HostProject back;
    ASSERT_TRUE(kvtool::ReadHostProject(path, back, error)) << error;
    EXPECT_EQ(back.amount, 37.25);
    EXPECT_EQ(back.lutBytes, project.lutBytes);
    std::remove(path.c_str());
}

TEST(HostProjectFile, DamagedFilesAreRefused) {
    const std::string path = TempPath("damaged.kvproj");
    const std::string good = "KROMVALE-HOST-PROJECT 1\namount 50\nlut 4\nABCD";
    const std::vector<std::string> bad = {
        "KROMVALE-HOST-PROJECT 2\namount 50\nlut 4\nABCD",  // unknown version
        "KROMVALE-HOST-PROJECT 1\namount fifty\nlut 4\nABCD",
        "KROMVALE-HOST-PROJECT 1\namount 50\nlut 5\nABCD",   // truncated
        "KROMVALE-HOST-PROJECT 1\namount 50\nlut 3\nABCD",   // trailing junk
        "KROMVALE-HOST-PROJECT 1\namount 50\nlut -4\nABCD",
        "KROMVALE-HOST-PROJECT 1\namount 50\nlut 99999999999999999999\n",
        "KROMVALE-HOST-PROJECT 1\nlut 4\nABCD",              // amount missing
    };
    kvtool::HostProject project;
    std::string error;
    WriteBytes(path, good);
    ASSERT_TRUE(kvtool::ReadHostProject(path, project, error)) << error;
    for (const std::string& bytes : bad) {
        WriteBytes(path, bytes);
        EXPECT_FALSE(kvtool::ReadHostProject(path, project, error)) << bytes;
    }
    std::remove(path.c_str());
}

TEST(LutValue, NameIsTheFileNameWithoutFolderAndLastExtension) {
    EXPECT_EQ(kv::LutNameFromPath("/a/b/night.grade.cube"), "night.grade");
    EXPECT_EQ(kv::LutNameFromPath("C:\\luts\\warm.cube"), "warm");
    EXPECT_EQ(kv::LutNameFromPath("plain"), "plain");
    EXPECT_EQ(kv::LutNameFromPath("dir.v2/.cube"), "");
}

TEST(LutValue, MatchIdFollowsTheFirstMarkerLikeAtoi) {
    EXPECT_EQ(kvtool::MatchIdFromCube("LUT_3D_SIZE 2\n# Kromvale match 42\n"), 42);
    EXPECT_EQ(kvtool::MatchIdFromCube("# Kromvale match   -17x\n# Kromvale match 5\n"), -17);
    EXPECT_EQ(kvtool::MatchIdFromCube("# Kromvale match abc\n"), 0);
    EXPECT_EQ(kvtool::MatchIdFromCube("# kromvale match 42\n"), 0);  // case-sensitive
    EXPECT_EQ(kvtool::MatchIdFromCube("# Kromvale match 2147483647"), 2147483647);
    EXPECT_EQ(kvtool::MatchIdFromCube("# Kromvale match 4294967295"), -1);  // wraps, stays defined
}

TEST(LutValue, CubeFileBecomesNamedLutTextThatReadsBack) {
    const std::string path = TempPath("tiny.grade.cube");
    std::string cube = "# Kromvale match 7\nLUT_3D_SIZE 2\n";
    for (int i = 0; i < 8; ++i) {
        cube += std::to_string((i & 1) * 0.75) + " " + std::to_string(((i >> 1) & 1) * 0.5) + " " +
                std::to_string(((i >> 2) & 1) * 0.25) + "\n";
    }
    WriteBytes(path, cube);
    std::string text, error;
    ASSERT_TRUE(kvtool::LutTextFromCubeFile(path, text, error)) << error;
    kv::Lut3D lut;
    ASSERT_TRUE(kv::ParseLutText(text, lut, &error)) << error;
    EXPECT_EQ(lut.size, 2);
    EXPECT_EQ(lut.id, 7);
    EXPECT_EQ(lut.name, "tiny.grade");
    EXPECT_FLOAT_EQ(lut.data[3 * 7 + 0], 0.75f);

    // Any finite domain and 1D tables are stored as they are; only a range
    // that is not finite is refused.
    WriteBytes(path, "LUT_3D_SIZE 2\nDOMAIN_MAX 2 2 2\n" + cube.substr(cube.find("0.0")));
    ASSERT_TRUE(kvtool::LutTextFromCubeFile(path, text, error)) << error;
    ASSERT_TRUE(kv::ParseLutText(text, lut, &error)) << error;
    EXPECT_EQ(lut.domainMax[1], 2.0f);
    WriteBytes(path, "LUT_1D_SIZE 2\n0 0 0\n1 0.5 0.25\n");
    ASSERT_TRUE(kvtool::LutTextFromCubeFile(path, text, error)) << error;
    ASSERT_TRUE(kv::ParseLutText(text, lut, &error)) << error;
    EXPECT_EQ(lut.shaperSize, 2);
    EXPECT_EQ(lut.size, 0);
    WriteBytes(path, "LUT_3D_SIZE 2\nDOMAIN_MAX 2 inf 2\n" + cube.substr(cube.find("0.0")));
    EXPECT_FALSE(kvtool::LutTextFromCubeFile(path, text, error));
    EXPECT_NE(error.find("input range is not finite"), std::string::npos) << error;
    WriteBytes(path, "LUT_1D_SIZE 2\n");
    EXPECT_FALSE(kvtool::LutTextFromCubeFile(path, text, error));
    EXPECT_NE(error.find("wrong number of 1D table lines"), std::string::npos) << error;
    std::remove(path.c_str());

    // A .3dl file is read as one, by its name.
    const std::string threeDl = TempPath("swap.3dl");
    std::string nodes = "0 256 512 767 1023\n";
    for (int i = 0; i < 8; ++i) {
        nodes += std::to_string(((i >> 0) & 1) * 4095) + " 0 " + std::to_string(((i >> 2) & 1) * 4095) + "\n";
    }
    WriteBytes(threeDl, nodes);
    ASSERT_TRUE(kvtool::LutTextFromCubeFile(threeDl, text, error)) << error;
    ASSERT_TRUE(kv::ParseLutText(text, lut, &error)) << error;
    EXPECT_EQ(lut.size, 2);
    EXPECT_EQ(lut.name, "swap.3dl");  // a .3dl keeps its own name, as "Change LUT" stores it
    // File node 1 is (0, 0, 1), blue running fastest in .3dl; stored red
    // fastest it is node 4, and its output red is 4095 of 4095.
    EXPECT_FLOAT_EQ(lut.data[3 * 4], 1.0f);
    EXPECT_FLOAT_EQ(lut.data[3 * 1], 0.0f);
    std::remove(threeDl.c_str());
    EXPECT_FALSE(kvtool::LutTextFromCubeFile(path, text, error));
}

}  // namespace
