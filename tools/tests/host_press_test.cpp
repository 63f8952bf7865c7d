// kromvale-host pressing the effect's buttons, run as its own program against
// the built Linux module, whose stand-in file dialog takes the host's
// --answer paths and whose message boxes come back through its test exports.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "HostProcess.h"

namespace {

using kvtool::test::Contains;
using kvtool::test::Quote;

class HostPress : public testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kv_host_press_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        home_ = dir_ + "/home";
        for (const std::string& d : {home_, home_ + "/.local", home_ + "/.local/share", dir_ + "/Caf\xC3\xA9 LUTs"}) {
            mkdir(d.c_str(), 0700);
        }
        setenv("HOME", home_.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        std::string cube = "TITLE \"night\"\n# Kromvale match 42\nLUT_3D_SIZE 2\n";
        for (int i = 0; i < 8; ++i) {
            cube += std::to_string(1 - (i & 1)) + " " + std::to_string((i >> 1) & 1) + " " + std::to_string(i >> 2) + "\n";
        }
        Write(Cube(), cube);
        Write(dir_ + "/notes.txt", "nothing to see\n");
    }
    void TearDown() override {
        if (!HasFailure()) std::system(("rm -rf " + Quote(dir_)).c_str());
    }

    std::string Cube() const { return dir_ + "/Caf\xC3\xA9 LUTs/night.grade.cube"; }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& path) const { return kvtool::test::ReadAll(path); }

    // Runs the host; its exit status in `status`, stdout and stderr returned.
    std::string Host(const std::vector<std::string>& args, int& status) const {
        std::vector<std::string> argv{KV_HOST_EXE, "--module", KV_MODULE_FILE};
        argv.insert(argv.end(), args.begin(), args.end());
        kvtool::test::HostRun run = kvtool::test::RunCommand(argv);
        status = run.status;
        return run.output;
    }

    std::string dir_, home_;
};

TEST_F(HostPress, ChangeThenEditStoresTheLutAndWritesTheRequest) {
    mkdir((home_ + "/.local/share/Kromvale").c_str(), 0700);
    Write(home_ + "/.local/share/Kromvale/lut-folder.txt", dir_ + "/Caf\xC3\xA9 LUTs\r\n");
    int status = -1;
    const std::string out = Host({"--press", "change", "--answer", Cube(), "--press", "edit"}, status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(Contains(out, "press: \"Change LUT\" (index 3) -> err 0, out_flags 0x00420000\n"
                              "  dialog in \"" + dir_ + "/Caf\xC3\xA9 LUTs\"\n"
                              "  stored LUT: \"night.grade\" id 42, 2^3, value 184 bytes\n"
                              "  label: \"night.grade.cube\"\n")) << out;
    EXPECT_TRUE(Contains(out, "press: \"Edit LUT\" (index 4) -> err 0, out_flags 0x00000000\n"
                              "  stored LUT: unchanged\n"
                              "  edit request: {\"id\":42,\"name\":\"night.grade\",\"at\":")) << out;
    EXPECT_TRUE(Contains(out, "button 3 \"LUT \" label: \"night.grade.cube\"")) << out;
    const std::string log = Read(home_ + "/.local/share/Kromvale/effect.log");
    EXPECT_TRUE(Contains(log, "  LUT button: loaded " + Cube() + " (2^3, 184 bytes)\n")) << log;
    EXPECT_TRUE(Contains(log, "  Edit LUT: requested match 42 (night.grade)\n")) << log;
}

TEST_F(HostPress, RefusedPicksShowTheirBoxesAndKeepTheValue) {
    int status = -1;
    const std::string out =
        Host({"--press", "change", "--answer", dir_ + "/notes.txt", "--press", "change", "--press", "edit"}, status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(Contains(out, "  dialog in \"" + home_ + "/Documents/Kromvale LUTs\"\n"
                              "  message box (warning): Kromvale could not read this LUT:\\n" + dir_ +
                              "/notes.txt\n  stored LUT: unchanged\n")) << out;
    EXPECT_TRUE(Contains(out, "  message box (information): This LUT wasn't made in the Kromvale panel")) << out;
    EXPECT_FALSE(Contains(out, "edit request:")) << out;
    EXPECT_TRUE(Contains(out, "button 3 \"LUT \" label: \"Choose a LUT\"")) << out;
    EXPECT_TRUE(Contains(Read(home_ + "/.local/share/Kromvale/effect.log"), "  LUT button: cancelled\n"));
}

TEST_F(HostPress, UnknownButtonIsAUsageError) {
    int status = -1;
    const std::string out = Host({"--press", "apply"}, status);
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(Contains(out, "--press must be change or edit")) << out;
}

}  // namespace
