// kromvale-host run as a separate program against the built module, the way
// a user runs it: its renders are compared with the LUT engine's own result
// for the same stored LUT, its project files and printed text with the
// values the effect made.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ExpectedPipl.h"
#include "host/LutValue.h"
#include "host/ProjectFile.h"
#include "host/WorldImage.h"
#include "HostProcess.h"
#include "image/ImageFile.h"
#include "image/PictureFile.h"
#ifdef KV_TEST_HAVE_OPENEXR
#include "image/ExrFile.h"
#endif
#include "lut_engine/ByteChannel.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/LutText.h"

namespace {

using kvtool::test::Contains;
using kvtool::test::HostRun;
using kvtool::test::Quote;
using kvtool::test::ReadAll;

class HostEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kv_host_e2e_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        // The module's log goes to the per-user folder under this HOME.
        home_ = dir_ + "/home";
        mkdir(home_.c_str(), 0700);
        // A user's data folder exists already; the module creates only its own folder in it.
        mkdir((home_ + "/.local").c_str(), 0700);
        mkdir((home_ + "/.local/share").c_str(), 0700);
        setenv("HOME", home_.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        WriteCube(Path("night.grade.cube"));
        WritePicture(Path("in8.png"), 8);
        WritePicture(Path("in16.png"), 16);
    }
    void TearDown() override {
        if (!HasFailure()) std::system(("rm -rf " + Quote(dir_)).c_str());
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    HostRun Host(const std::vector<std::string>& args) const {
        std::vector<std::string> argv{KV_HOST_EXE, "--module", KV_MODULE_FILE};
        argv.insert(argv.end(), args.begin(), args.end());
        return kvtool::test::RunCommand(argv);
    }

    // A LUT that moves every channel differently, so that a swapped channel
    // order or a skipped blend shows.
    static void WriteCube(const std::string& path) {
        std::string text = "TITLE \"test\"\n# Kromvale match 42\nLUT_3D_SIZE 5\n";
        auto number = [&](float v) {
            char buf[32];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
            text.append(buf, end);
        };
        for (int b = 0; b < 5; ++b)
            for (int g = 0; g < 5; ++g)
                for (int r = 0; r < 5; ++r) {
                    const float R = r / 4.0f, G = g / 4.0f, B = b / 4.0f;
                    number(R * R);
                    text += ' ';
                    number(0.9f * G + 0.1f * B);
                    text += ' ';
                    number(0.3f + 0.5f * B + 0.2f * R * G);
                    text += '\n';
                }
        std::ofstream(path, std::ios::binary) << text;
    }

    // The identity grade with 17 points a side: every node value (k / 16) is
    // exact in binary, so the grade gives every input back.
    static void WriteIdentityCube(const std::string& path) {
        std::string text = "LUT_3D_SIZE 17\n";
        for (int b = 0; b < 17; ++b)
            for (int g = 0; g < 17; ++g)
                for (int r = 0; r < 17; ++r) {
                    const int node[3] = {r, g, b};
                    for (int c = 0; c < 3; ++c) {
                        char buf[32];
                        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, node[c] / 16.0);
                        text.append(buf, end);
                        text += c == 2 ? '\n' : ' ';
                    }
                }
        std::ofstream(path, std::ios::binary) << text;
    }

    static kvtool::Image Picture(int depth) {
        kvtool::Image image(11, 7, depth);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                std::uint16_t* p = image.at(x, y);
                const unsigned max = image.maxValue();
                p[0] = static_cast<std::uint16_t>(x * max / 10);
                p[1] = static_cast<std::uint16_t>(y * max / 6);
                p[2] = static_cast<std::uint16_t>(((x * 37 + y * 91) * (max / 255 * 7 + 1)) % (max + 1));
                p[3] = static_cast<std::uint16_t>(max - (x + y) * (max / 40));
            }
        return image;
    }

    static void WritePicture(const std::string& path, int depth) {
        std::string error;
        ASSERT_TRUE(kvtool::WriteImage(path, Picture(depth), &error)) << error;
    }

    // What the engine makes of `input` with the LUT exactly as it is stored.
    kvtool::Image Expected(const kvtool::Image& input, bool isFloat, double percent) const {
        std::string text, error;
        EXPECT_TRUE(kvtool::LutTextFromCubeFile(Path("night.grade.cube"), text, error)) << error;
        kv::Lut3D lut;
        EXPECT_TRUE(kv::ParseLutText(text, lut, &error)) << error;
        const float amount = static_cast<float>(percent * 0.01);
        const int w = input.width, h = input.height;
        if (!isFloat) {
            std::vector<unsigned char> src, dst(static_cast<std::size_t>(w) * h * 4);
            for (std::uint16_t v : input.rgba) src.push_back(static_cast<unsigned char>(v));
            kv::LutRowsParams p;
            p.src = {src.data(), w, h, w * 4, kv::kLayoutRGBA};
            p.dst = {dst.data(), w, h, w * 4, kv::kLayoutRGBA};
            p.width = w;
            p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutRGBA);
            p.scale = kv::kByteScale;
            p.lut = &lut;
            p.amount = amount;
            kv::ApplyLutRows8(p, 0, h);
            kvtool::Image out(w, h, 8);
            out.rgba.assign(dst.begin(), dst.end());
            return out;
        }
        std::vector<float> src, dst(static_cast<std::size_t>(w) * h * 4);
        for (std::uint16_t v : input.rgba) src.push_back(static_cast<float>(v) * (1.0f / 65535.0f));
        kv::LutRowsParams p;
        p.src = {reinterpret_cast<unsigned char*>(src.data()), w, h, w * 16, kv::kLayoutRGBA};
        p.dst = {reinterpret_cast<unsigned char*>(dst.data()), w, h, w * 16, kv::kLayoutRGBA};
        p.width = w;
        p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutRGBA);
        p.lut = &lut;
        p.amount = amount;
        kv::ApplyLutRows32f(p, 0, h);
        kvtool::Image out(w, h, 16);
        for (std::size_t i = 0; i < dst.size(); ++i) out.rgba[i] = kvtool::FloatToSample16(dst[i]);
        return out;
    }

    std::string dir_;
    std::string home_;
};

TEST_F(HostEndToEnd, RendersMatchTheEngineOnEveryHostPath) {
    const struct {
        const char* host;
        const char* format;
        const char* in;
        bool isFloat;
    } paths[] = {{"ae", "8", "in8.png", false}, {"pr", "8", "in16.png", false}, {"pr", "32f", "in16.png", true}};
    for (const auto& path : paths) {
        for (double percent : {100.0, 62.5}) {
            SCOPED_TRACE(std::string(path.host) + " " + path.format + " " + std::to_string(percent));
            const std::string out = Path("out.png");
            const HostRun run = Host({"--host", path.host, "--format", path.format, "--cube", Path("night.grade.cube"),
                                  "--amount", std::to_string(percent), "--in", Path(path.in), "--out", out});
            ASSERT_EQ(run.status, 0) << run.output;
            kvtool::Image input, actual;
            std::string error;
            ASSERT_TRUE(kvtool::ReadImage(Path(path.in), input, &error)) << error;
            ASSERT_TRUE(kvtool::ReadImage(out, actual, &error)) << error;
            const kvtool::Image expected = Expected(path.isFloat ? input : kvtool::ConvertDepth(input, 8),
                                                    path.isFloat, percent);
            ASSERT_EQ(actual.bitDepth, expected.bitDepth);
            ASSERT_EQ(actual.rgba.size(), expected.rgba.size());
            int differing = 0;
            for (std::size_t i = 0; i < expected.rgba.size(); ++i) differing += actual.rgba[i] != expected.rgba[i];
            EXPECT_EQ(differing, 0);
            // The render changed the picture: the LUT was really applied.
            EXPECT_NE(actual.rgba, (path.isFloat ? input : kvtool::ConvertDepth(input, 8)).rgba);
        }
    }
}

TEST_F(HostEndToEnd, ProjectSaveAndLoadKeepTheLutBytesExactly) {
    const HostRun first = Host({"--cube", Path("night.grade.cube"), "--amount", "80", "--save-project", Path("a.kvproj"),
                            "--in", Path("in8.png"), "--out", Path("a.png")});
    ASSERT_EQ(first.status, 0) << first.output;
    kvtool::HostProject saved;
    std::string error;
    ASSERT_TRUE(kvtool::ReadHostProject(Path("a.kvproj"), saved, error)) << error;
    EXPECT_EQ(saved.amount, 80.0);
    // The effect keeps the text as UTF-16: each character widened by a zero byte.
    std::string text;
    ASSERT_TRUE(kvtool::LutTextFromCubeFile(Path("night.grade.cube"), text, error)) << error;
    std::vector<unsigned char> widened;
    for (char c : text) {
        widened.push_back(static_cast<unsigned char>(c));
        widened.push_back(0);
    }
    EXPECT_EQ(saved.lutBytes, widened);

    const HostRun second = Host({"--load-project", Path("a.kvproj"), "--save-project", Path("b.kvproj"), "--in",
                             Path("in8.png"), "--out", Path("b.png")});
    ASSERT_EQ(second.status, 0) << second.output;
    EXPECT_EQ(ReadAll(Path("a.kvproj")), ReadAll(Path("b.kvproj")));
    EXPECT_EQ(ReadAll(Path("a.png")), ReadAll(Path("b.png")));
    EXPECT_TRUE(Contains(second.output, "label: \"night.grade.cube\"")) << second.output;
}

TEST_F(HostEndToEnd, DamagedProjectOpensWithNoLut) {
    std::ofstream(Path("junk.kvproj"), std::ios::binary) << "KROMVALE-HOST-PROJECT 1\namount 100\nlut 9\nnot a lut";
    const HostRun run = Host({"--load-project", Path("junk.kvproj"), "--in", Path("in8.png"), "--out", Path("j.png")});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "label: \"Choose a LUT\"")) << run.output;
    kvtool::Image in, out;
    std::string error;
    ASSERT_TRUE(kvtool::ReadImage(Path("in8.png"), in, &error));
    ASSERT_TRUE(kvtool::ReadImage(Path("j.png"), out, &error));
    EXPECT_EQ(in.rgba, out.rgba);  // no LUT: a copy
}

TEST_F(HostEndToEnd, PrintedTextScansBackAndLabelsFollowTheStoredValue) {
    const HostRun cube = Host({"--cube", Path("night.grade.cube"), "--print"});
    ASSERT_EQ(cube.status, 0) << cube.output;
    EXPECT_TRUE(Contains(cube.output, "print: ")) << cube.output;
    EXPECT_TRUE(Contains(cube.output, "KVLUT3 42 night.grade 5 ")) << cube.output;
    EXPECT_TRUE(Contains(cube.output, "scan of the printed text: equal")) << cube.output;
    EXPECT_TRUE(Contains(cube.output, "copy: equal")) << cube.output;
    EXPECT_TRUE(Contains(cube.output, "label: \"night.grade.cube\"")) << cube.output;

    const HostRun pattern = Host({"--host", "pr", "--pattern", "17", "--print"});
    ASSERT_EQ(pattern.status, 0) << pattern.output;
    EXPECT_TRUE(Contains(pattern.output, "print: 9 characters: KVLUTP 17")) << pattern.output;
    EXPECT_TRUE(Contains(pattern.output, "label: \"Calibrating\"")) << pattern.output;

    const HostRun none = Host({"--print"});
    ASSERT_EQ(none.status, 0) << none.output;
    EXPECT_TRUE(Contains(none.output, "label: \"Choose a LUT\"")) << none.output;

    const HostRun refused = Host({"--pattern", "65"});
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_TRUE(Contains(refused.output, "SCAN returned error 518")) << refused.output;
}

TEST_F(HostEndToEnd, RegistrationAgreesWithThePropertyListAndSetupAnswers) {
    const HostRun ae = Host({"--about"});
    ASSERT_EQ(ae.status, 0) << ae.output;
    EXPECT_TRUE(Contains(ae.output, std::string("registered: name \"Kromvale\" match \"KRVL Kromvale\" category "
                                                "\"Color Correction\" entry \"EffectMain\" kind 'eFKT' api 13.29 "
                                                "reserved 8 url \"") +
                                        kvtest::kSupportUrl + "\" (1 call)"))
        << ae.output;
    EXPECT_TRUE(Contains(ae.output, "about: Kromvale 1.0\nApplies the colour match")) << ae.output;
    EXPECT_TRUE(Contains(ae.output, "global setup: version 0x0008000C out_flags 0x06000400 out_flags2 0x0A001400"))
        << ae.output;
    EXPECT_TRUE(Contains(ae.output, "params setup: 5 parameters: \"Amount\" \"LUT\" \"LUT \" \"Match\""))
        << ae.output;
    EXPECT_FALSE(Contains(ae.output, "pixel formats"));

    const HostRun pr = Host({"--host", "pr"});
    ASSERT_EQ(pr.status, 0) << pr.output;
    EXPECT_TRUE(Contains(pr.output, "pixel formats: Clear\n  pixel formats: Add 0x61724742\n"
                                    "  pixel formats: Add 0x61726762\n"))
        << pr.output;
}

TEST_F(HostEndToEnd, EffectLogIsWrittenInThePerUserFolder) {
    const HostRun run = Host({"--host", "pr", "--cube", Path("night.grade.cube"), "--in", Path("in8.png"), "--out",
                          Path("o.png")});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string log = home_ + "/.local/share/Kromvale/effect.log";
    EXPECT_TRUE(Contains(run.output, "log: " + log)) << run.output;
    const std::string text = ReadAll(log);
    EXPECT_TRUE(Contains(text, "GlobalSetup build 12 host=PrMr")) << text;
    EXPECT_TRUE(Contains(text, "Render fmt=BGRA8u 11x7")) << text;
}

TEST_F(HostEndToEnd, FailuresEndWithAMessageAndStatus) {
    std::ofstream(Path("bad.cube"), std::ios::binary) << "LUT_3D_SIZE 2\n0 0 0\n";
    const HostRun badCube = Host({"--cube", Path("bad.cube")});
    EXPECT_EQ(badCube.status, 1);
    EXPECT_TRUE(Contains(badCube.output, "wrong number of values")) << badCube.output;

    const HostRun noPicture = Host({"--in", Path("missing.png"), "--out", Path("x.png")});
    EXPECT_EQ(noPicture.status, 1);
    EXPECT_TRUE(Contains(noPicture.output, "cannot open the picture")) << noPicture.output;

    // A picture graded onto itself would be lost: a bad command line, and
    // the picture stays as it was.
    const std::string picture = ReadAll(Path("in8.png"));
    const HostRun overInput =
        Host({"--cube", Path("night.grade.cube"), "--in", Path("in8.png"), "--out", dir_ + "/./in8.png"});
    EXPECT_EQ(overInput.status, 2) << overInput.output;
    EXPECT_TRUE(Contains(overInput.output, "kromvale-host: refusing to overwrite the input " + Path("in8.png")))
        << overInput.output;
    EXPECT_EQ(ReadAll(Path("in8.png")), picture);

    std::string command = Quote(KV_HOST_EXE);
    command += " --module ";
    command += Quote(Path("nothing.so"));
    command += " >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
    const std::string usage = Quote(KV_HOST_EXE) + " --host ae >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(usage.c_str())), 2);
}

// --depth 8 is the same 8-bit render as RENDER, reached through smart render.
TEST_F(HostEndToEnd, SmartRenderAtEightBitsWritesTheBytesOfRender) {
    for (const char* in : {"in8.png", "in16.png"}) {
        for (const char* percent : {"100", "62.5"}) {
            SCOPED_TRACE(std::string(in) + " " + percent);
            const std::vector<std::string> grade = {"--cube", Path("night.grade.cube"), "--amount", percent, "--in",
                                                    Path(in)};
            std::vector<std::string> render = grade, smart = grade;
            render.insert(render.end(), {"--out", Path("render.png")});
            smart.insert(smart.end(), {"--depth", "8", "--out", Path("smart.png")});
            const HostRun byRender = Host(render);
            ASSERT_EQ(byRender.status, 0) << byRender.output;
            const HostRun bySmart = Host(smart);
            ASSERT_EQ(bySmart.status, 0) << bySmart.output;
            EXPECT_TRUE(Contains(bySmart.output, "render: ARGB8 11x7 amount ")) << bySmart.output;
            EXPECT_EQ(ReadAll(Path("smart.png")), ReadAll(Path("render.png")));
            EXPECT_NE(ReadAll(Path("smart.png")), ReadAll(Path(in)));
        }
    }
}

TEST_F(HostEndToEnd, SmartRenderAtSixteenBitsGivesEverySixteenBitCodeBackThroughAnIdentityGrade) {
    WriteIdentityCube(Path("identity.cube"));
    // 129 x 256 pixels: the sample of every world code 0..32768 in red, the
    // codes in other orders in green, blue and alpha.
    kvtool::Image picture(129, 256, 16);
    for (int i = 0; i < picture.width * picture.height; ++i) {
        const auto sample = [](long k) { return kvtool::Sample16FromCode(static_cast<std::uint16_t>(k % 32769)); };
        std::uint16_t* p = picture.rgba.data() + 4 * static_cast<std::size_t>(i);
        p[0] = sample(i);
        p[1] = sample(i * 7L + 3);
        p[2] = sample(i * 13L + 11);
        p[3] = sample(33L * 32769 - 1 - i);
    }
    std::string error;
    ASSERT_TRUE(kvtool::WriteImage(Path("codes.png"), picture, &error)) << error;
    const HostRun run = Host({"--depth", "16", "--cube", Path("identity.cube"), "--in", Path("codes.png"), "--out",
                              Path("codes-out.png")});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "render: ARGB16 129x256 amount 100 -> " + Path("codes-out.png"))) << run.output;
    kvtool::Image back;
    ASSERT_TRUE(kvtool::ReadImage(Path("codes-out.png"), back, &error)) << error;
    EXPECT_EQ(back.bitDepth, 16);
    EXPECT_TRUE(back.rgba == picture.rgba) << "the 16-bit round trip changed samples";
    EXPECT_TRUE(Contains(ReadAll(home_ + "/.local/share/Kromvale/effect.log"), "Render fmt=ARGB16 129x256"));
}

// The deep smart renders grade like Premiere's float path: at 32 bits with the
// very same float maths, at 16 bits within the codes' rounding.
TEST_F(HostEndToEnd, DeepSmartRendersGradeLikePremieresFloatPath) {
    const std::vector<std::string> grade = {"--cube", Path("night.grade.cube"), "--amount", "80", "--in",
                                            Path("in16.png")};
    std::vector<std::string> premiere = grade, deep = grade, floats = grade;
    premiere.insert(premiere.end(), {"--host", "pr", "--format", "32f", "--out", Path("pr.png")});
    deep.insert(deep.end(), {"--depth", "16", "--out", Path("ae16.png")});
    floats.insert(floats.end(), {"--depth", "32", "--out", Path("ae32.png")});
    for (const auto* args : {&premiere, &deep, &floats}) {
        const HostRun run = Host(*args);
        ASSERT_EQ(run.status, 0) << run.output;
    }
    EXPECT_EQ(ReadAll(Path("ae32.png")), ReadAll(Path("pr.png")));

    kvtool::Image input, expected, actual;
    std::string error;
    ASSERT_TRUE(kvtool::ReadImage(Path("in16.png"), input, &error)) << error;
    ASSERT_TRUE(kvtool::ReadImage(Path("pr.png"), expected, &error)) << error;
    ASSERT_TRUE(kvtool::ReadImage(Path("ae16.png"), actual, &error)) << error;
    ASSERT_EQ(actual.bitDepth, 16);
    ASSERT_EQ(actual.rgba.size(), expected.rgba.size());
    int worst = 0;
    for (std::size_t i = 0; i < expected.rgba.size(); ++i) {
        worst = std::max(worst, std::abs(static_cast<int>(actual.rgba[i]) - static_cast<int>(expected.rgba[i])));
    }
    // Half a code on the way in, moved by the grade's slope (up to 2 here),
    // then half a code on the way out: about three samples.
    EXPECT_LE(worst, 4);
    EXPECT_NE(actual.rgba, input.rgba);
}

#ifdef KV_TEST_HAVE_OPENEXR
TEST_F(HostEndToEnd, SmartRenderAtThirtyTwoBitsKeepsFloatValuesOutsideZeroToOne) {
    WriteIdentityCube(Path("identity.cube"));
    kvtool::FloatImage scene(3, 2);
    scene.rgba = {12.5f, 3.0f, -0.25f, 1.0f,  0.18f, 0.5f,  0.75f, 1.5f,  1.0f, 65504.0f, 1e-6f, 0.5f,
                  0.0f,  2.0f, 0.25f,  0.25f, -4.0f, 0.1f,  0.2f,  1.0f,  0.3f, 0.6f,     1.25f, 0.0f};
    std::string error;
    ASSERT_TRUE(kvtool::WriteExr(Path("scene.exr"), scene, &error)) << error;

    // Amount 0 passes every value through exactly.
    HostRun run = Host({"--depth", "32", "--cube", Path("identity.cube"), "--amount", "0", "--in", Path("scene.exr"),
                        "--out", Path("through.exr")});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "render: ARGB32f 3x2 amount 0 -> ")) << run.output;
    kvtool::FloatImage back;
    ASSERT_TRUE(kvtool::ReadExr(Path("through.exr"), back, &error)) << error;
    EXPECT_EQ(back.rgba, scene.rgba);

    // Halfway to the identity grade, which looks up values clamped to 0..1:
    // 12.5 becomes 6.75, not 1. Alpha is never graded.
    run = Host({"--depth", "32", "--cube", Path("identity.cube"), "--amount", "50", "--in", Path("scene.exr"),
                "--out", Path("half.exr")});
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_TRUE(kvtool::ReadExr(Path("half.exr"), back, &error)) << error;
    ASSERT_EQ(back.rgba.size(), scene.rgba.size());
    for (std::size_t i = 0; i < scene.rgba.size(); ++i) {
        const float v = scene.rgba[i];
        const float expected = i % 4 == 3 ? v : 0.5f * v + 0.5f * std::clamp(v, 0.0f, 1.0f);
        EXPECT_NEAR(back.rgba[i], expected, 1e-5f * std::max(1.0f, std::fabs(v))) << i;
    }
    EXPECT_EQ(back.rgba[0], 6.75f);

    // A 16-bit world given the same file clamps it to 0..1.
    run = Host({"--depth", "16", "--cube", Path("identity.cube"), "--amount", "0", "--in", Path("scene.exr"),
                "--out", Path("clamped.exr")});
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_TRUE(kvtool::ReadExr(Path("clamped.exr"), back, &error)) << error;
    EXPECT_EQ(back.rgba[0], 1.0f);
    EXPECT_EQ(back.rgba[2], 0.0f);
    EXPECT_EQ(back.rgba[5], 0.5f);
}
#endif

TEST_F(HostEndToEnd, DepthIsRefusedForPremiereAndForUnknownDepths) {
    const HostRun premiere = Host({"--host", "pr", "--depth", "16", "--in", Path("in16.png"), "--out", Path("x.png")});
    EXPECT_EQ(premiere.status, 2);
    EXPECT_TRUE(Contains(premiere.output, "kromvale-host: --depth is After Effects' smart render")) << premiere.output;
    EXPECT_TRUE(Contains(premiere.output, "usage: kromvale-host")) << premiere.output;
    const HostRun odd = Host({"--depth", "10"});
    EXPECT_EQ(odd.status, 2);
    EXPECT_TRUE(Contains(odd.output, "--depth must be 8, 16 or 32")) << odd.output;

    const HostRun badType = Host({"--depth", "16", "--in", Path("in16.png"), "--out", Path("x.tif")});
    EXPECT_EQ(badType.status, 1);
    EXPECT_TRUE(Contains(badType.output, "x.tif: unknown picture type")) << badType.output;
}

}  // namespace
