// Batch renders of kromvale-host, run as its own process against the built
// module. Each batch frame must equal what the host renders for that picture
// alone (the single-picture renders are checked against the LUT engine in
// host_end_to_end_test.cpp), on the path its picture type calls for.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "CraftedPictures.h"
#include "HostProcess.h"
#include "image/FloatImage.h"
#include "image/ImageFile.h"
#include "image/PictureFile.h"
#ifdef KV_TEST_HAVE_OPENEXR
#include "image/ExrFile.h"
#endif

namespace {

namespace fs = std::filesystem;

using kvtool::test::Contains;
using kvtool::test::HostRun;
using kvtool::test::Quote;
using kvtool::test::ReadAll;

// head, the number, tail; built by appending (GCC 12 warns falsely,
// -Wrestrict, on a literal plus a temporary string).
std::string Numbered(const std::string& head, int number, const std::string& tail) {
    std::string text = head;
    text += std::to_string(number);
    text += tail;
    return text;
}

// A picture that differs from frame to frame in every channel.
kvtool::Image Frame(int number, int depth, int width = 24, int height = 16) {
    kvtool::Image image(width, height, depth);
    const unsigned max = image.maxValue();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint16_t* p = image.at(x, y);
            p[0] = static_cast<std::uint16_t>((x * 97 + number * 1013) * (max / 255) % (max + 1));
            p[1] = static_cast<std::uint16_t>((y * 151 + number * 331) * (max / 255 + 3) % (max + 1));
            p[2] = static_cast<std::uint16_t>((x * y * 13 + number * 7) * (max / 255) % (max + 1));
            p[3] = static_cast<std::uint16_t>(max - (x + y + number) % 9 * (max / 16));
        }
    return image;
}

// A LUT that moves every channel differently.
void WriteCube(const std::string& path) {
    std::string text = "LUT_3D_SIZE 3\n";
    auto number = [&text](float v, char after) {
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, v);
        text.append(digits, result.ptr);
        text += after;
    };
    for (int b = 0; b < 3; ++b)
        for (int g = 0; g < 3; ++g)
            for (int r = 0; r < 3; ++r) {
                const float R = r / 2.0f, G = g / 2.0f, B = b / 2.0f;
                number(R * R, ' ');
                number(0.9f * G + 0.1f * B, ' ');
                number(0.3f + 0.5f * B, '\n');
            }
    std::ofstream(path, std::ios::binary) << text;
}

// Room for the host, the module and small frames, but not for the gigabytes
// that a hostile header asks for.
const kvtool::test::ChildLimits kAddressSpaceLimit{1024 * 1024, 0};

class HostBatch : public testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kv_host_batch_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        WriteCube(Path("grade.cube"));
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(dir_);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::vector<std::string> Command(const std::vector<std::string>& args) const {
        std::vector<std::string> all = {KV_HOST_EXE, "--module", KV_MODULE_FILE, "--cube", Path("grade.cube")};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }

    HostRun Host(const std::vector<std::string>& args, const kvtool::test::ChildLimits& limits = {}) const {
        return kvtool::test::RunCommand(Command(args), limits);
    }

    void Write(const std::string& name, const kvtool::Image& image) const {
        std::string error;
        ASSERT_TRUE(kvtool::WriteImage(Path(name), image, &error)) << error;
    }

    kvtool::Image Read(const std::string& path) const {
        kvtool::Image image;
        std::string error;
        EXPECT_TRUE(kvtool::ReadImage(path, image, &error)) << path << ": " << error;
        return image;
    }

    // What the host renders for this one picture on the given path.
    kvtool::Image Single(const std::string& in, const std::vector<std::string>& path) const {
        std::vector<std::string> args = path;
        std::string name = "single-";
        name += fs::path(in).filename().string();
        const std::string out = Path(name);
        args.insert(args.end(), {"--in", in, "--out", out});
        const HostRun run = Host(args);
        EXPECT_EQ(run.status, 0) << run.output;
        return Read(out);
    }

    std::vector<std::string> Names(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Path(folder))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string dir_;
};

TEST_F(HostBatch, ASequenceRendersEveryFrameLikeASinglePictureAndKeepsItsNumbers) {
    fs::create_directories(Path("shots"));
    for (int n : {7, 8, 9, 10, 11}) {
        char name[32];
        std::snprintf(name, sizeof name, "shots/f.%04d.png", n);
        Write(name, Frame(n, 8));
    }
    const HostRun run = Host({"--amount", "80", "--jobs", "3", "--in", Path("shots/f.####.png"), "--out",
                              Path("graded/g_%03d.png")});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "3 threads")) << run.output;
    EXPECT_TRUE(Contains(run.output, "paths: ARGB8 5\n")) << run.output;
    EXPECT_TRUE(Contains(run.output, "summary: 5 frames, 0 skipped, 0 failed, ")) << run.output;
    EXPECT_TRUE(Contains(run.output, "progress: 5/5 frames (100%)")) << run.output;
    EXPECT_FALSE(Contains(run.output, "\r")) << "a pipe gets plain lines";
    EXPECT_EQ(Names("graded"),
              (std::vector<std::string>{"g_007.png", "g_008.png", "g_009.png", "g_010.png", "g_011.png"}));
    for (int n : {7, 9, 11}) {
        SCOPED_TRACE(n);
        char in[32], out[32];
        std::snprintf(in, sizeof in, "shots/f.%04d.png", n);
        std::snprintf(out, sizeof out, "graded/g_%03d.png", n);
        const kvtool::Image batch = Read(Path(out));
        EXPECT_EQ(batch.bitDepth, 8);
        EXPECT_EQ(batch.rgba, Single(Path(in), {"--amount", "80"}).rgba);
    }
}

TEST_F(HostBatch, UnreadableAndMissingFramesAreReportedAndSkippedAndTheStatusSaysSo) {
    Write("f.0001.png", Frame(1, 8));
    Write("f.0002.png", Frame(2, 8));
    // A valid PNG whose header claims 32768 x 32768 at 16 bits: it must fail
    // in the reader's size rule, not in its signature check.
    std::ofstream(Path("f.0003.png"), std::ios::binary) << kvtool::test::PromisingPng(32768, 32768, 16);
    Write("f.0005.png", Frame(5, 8));
    const HostRun run =
        Host({"--in", Path("f.%04d.png"), "--out", Path("out"), "--frames", "1-5"}, kAddressSpaceLimit);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_TRUE(Contains(run.output, "kromvale-host: skipped " + Path("f.0003.png") + ": PNG picture size out of range"))
        << run.output;
    EXPECT_TRUE(Contains(run.output, "kromvale-host: skipped frame 4 (" + Path("f.0004.png") + "): no such file"))
        << run.output;
    EXPECT_TRUE(Contains(run.output, "summary: 3 frames, 2 skipped, 0 failed")) << run.output;
    EXPECT_EQ(Names("out"), (std::vector<std::string>{"f.0001.png", "f.0002.png", "f.0005.png"}));
    EXPECT_EQ(Read(Path("out/f.0005.png")).rgba, Single(Path("f.0005.png"), {}).rgba);
}

// Headers that promise gigabytes from a few bytes, beside good frames, in a
// process that has room for the good frames only. Those beyond the size
// rule are refused before anything is allocated; those within it grow only
// as their rows arrive, and fail where the data ends.
TEST_F(HostBatch, PicturesWhoseHeadersPromiseMoreThanTheyHoldAreSkippedNotFatal) {
    fs::create_directories(Path("hostile"));
    Write("hostile/good-1.png", Frame(1, 16));
    Write("hostile/good-2.pam", Frame(2, 8));
    const struct {
        const char* name;
        std::string bytes;
        const char* error;
    } files[] = {
        {"huge.png", kvtool::test::PromisingPng(32768, 32768, 16), "PNG picture size out of range"},
        {"big.png", kvtool::test::PromisingPng(8192, 8192, 16), "unreadable PNG picture: Not enough image data"},
        {"interlaced.png", kvtool::test::PromisingPng(8192, 8192, 16, true), "PNG picture is truncated"},
        {"huge.pam", kvtool::test::PromisingPam(32768, 32768), "PAM picture size out of range"},
        {"big.pam", kvtool::test::PromisingPam(8192, 8192), "PAM picture is truncated"},
    };
    for (const auto& f : files) std::ofstream(Path(std::string("hostile/") + f.name), std::ios::binary) << f.bytes;
    std::vector<std::string> good = {"good-1.png", "good-2.pam"};
    std::size_t hostile = std::size(files);
#ifdef KV_TEST_HAVE_OPENEXR
    kvtool::test::WritePromisingExr(Path("hostile/huge.exr"), 32768, 32768);
    kvtool::test::WritePromisingExr(Path("hostile/big.exr"), 8192, 8192);
    std::string error;
    ASSERT_TRUE(kvtool::WriteExr(Path("hostile/good-3.exr"), kvtool::ToFloatImage(Frame(3, 16)), &error)) << error;
    good.push_back("good-3.exr");
    std::sort(good.begin(), good.end());
    hostile += 2;
#endif
    const HostRun run = Host({"--jobs", "2", "--in", Path("hostile"), "--out", Path("out")}, kAddressSpaceLimit);
    EXPECT_EQ(run.status, 3) << run.output;
    for (const auto& f : files) {
        EXPECT_TRUE(Contains(run.output, "skipped " + Path(std::string("hostile/") + f.name) + ": " + f.error))
            << f.name << "\n" << run.output;
    }
#ifdef KV_TEST_HAVE_OPENEXR
    EXPECT_TRUE(Contains(run.output, "skipped " + Path("hostile/huge.exr") + ": EXR picture size out of range"))
        << run.output;
    EXPECT_TRUE(Contains(run.output, "skipped " + Path("hostile/big.exr") + ": unreadable EXR picture")) << run.output;
#endif
    EXPECT_TRUE(Contains(run.output, "summary: " + std::to_string(good.size()) + " frames, " +
                                         std::to_string(hostile) + " skipped, 0 failed"))
        << run.output;
    EXPECT_EQ(Names("out"), good) << "the good frames only, and no temporary file";
}

TEST_F(HostBatch, SixteenBitPicturesTakeTheFloatPathAndComeBackAtSixteenBits) {
    fs::create_directories(Path("mixed"));
    Write("mixed/a-deep.png", Frame(3, 16));
    Write("mixed/b-eight.png", Frame(4, 8));
    Write("mixed/c-deep.pam", Frame(5, 16));
    const HostRun run = Host({"--host", "ae", "--in", Path("mixed"), "--out", Path("out")});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "paths: ARGB8 1 BGRA32f 2\n")) << run.output;
    const kvtool::Image deep = Read(Path("out/a-deep.png"));
    EXPECT_EQ(deep.bitDepth, 16);
    EXPECT_EQ(deep.rgba, Single(Path("mixed/a-deep.png"), {"--host", "pr", "--format", "32f"}).rgba);
    EXPECT_EQ(Read(Path("out/c-deep.pam")).rgba,
              Single(Path("mixed/c-deep.pam"), {"--host", "pr", "--format", "32f"}).rgba);
    const kvtool::Image eight = Read(Path("out/b-eight.png"));
    EXPECT_EQ(eight.bitDepth, 8);
    EXPECT_EQ(eight.rgba, Single(Path("mixed/b-eight.png"), {"--host", "ae"}).rgba);
    // With Premiere's float format chosen, 8-bit pictures take the float path too.
    const HostRun pr = Host({"--host", "pr", "--format", "32f", "--in", Path("mixed"), "--out", Path("pr")});
    EXPECT_TRUE(pr.status == 0 && Contains(pr.output, "paths: BGRA32f 3\n")) << pr.output;
}

// With --depth every frame, whatever its picture's depth, is a smart render
// at that depth, several at once, and equals the same picture rendered alone.
TEST_F(HostBatch, WithADepthEveryFrameTakesSmartRenderAtThatDepth) {
    fs::create_directories(Path("mixed"));
    for (int n : {1, 2, 3}) Write(Numbered("mixed/deep-", n, ".png"), Frame(n, 16));
    Write("mixed/eight-4.png", Frame(4, 8));
    Write("mixed/eight-5.pam", Frame(5, 8));
    Write("mixed/deep-6.pam", Frame(6, 16));
    const struct {
        const char* depth;
        const char* format;
        int pngBits;
    } depths[] = {{"16", "ARGB16", 16}, {"32", "ARGB32f", 16}, {"8", "ARGB8", 8}};
    for (const auto& d : depths) {
        SCOPED_TRACE(d.depth);
        const std::string out = std::string("out") + d.depth;
        const HostRun run =
            Host({"--host", "ae", "--depth", d.depth, "--jobs", "3", "--in", Path("mixed"), "--out", Path(out)});
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_TRUE(Contains(run.output, std::string("paths: ") + d.format + " 6\n")) << run.output;
        for (const std::string& name : Names("mixed")) {
            SCOPED_TRACE(name);
            const kvtool::Image frame = Read(Path(out + "/" + name));
            EXPECT_EQ(frame.bitDepth, d.pngBits);
            EXPECT_EQ(frame.rgba, Single(Path("mixed/" + name), {"--depth", d.depth}).rgba);
        }
    }
}

#ifdef KV_TEST_HAVE_OPENEXR
TEST_F(HostBatch, ExrFramesRenderInFloatAndKeepValuesOutsideZeroToOne) {
    // The same picture as 16-bit PNG and as EXR floats: the graded EXR,
    // brought to 16 bits, must equal the graded PNG.
    const kvtool::Image sixteen = Frame(6, 16);
    Write("p.0001.png", sixteen);
    std::string error;
    ASSERT_TRUE(kvtool::WriteExr(Path("e.0001.exr"), kvtool::ToFloatImage(sixteen), &error)) << error;
    kvtool::FloatImage hot = kvtool::ToFloatImage(Frame(7, 16));
    hot.rgba[0] = 12.5f;
    hot.rgba[1] = -0.25f;
    hot.rgba[6] = 1e-7f;
    ASSERT_TRUE(kvtool::WriteExr(Path("e.0002.exr"), hot, &error)) << error;

    HostRun run = Host({"--in", Path("e.%04d.exr"), "--out", Path("graded/e.%04d.exr")});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "paths: BGRA32f 2\n")) << run.output;
    kvtool::FloatImage graded;
    ASSERT_TRUE(kvtool::ReadExr(Path("graded/e.0001.exr"), graded, &error)) << error;
    EXPECT_EQ(kvtool::ToSampleImage(graded, 16).rgba,
              Single(Path("p.0001.png"), {"--host", "pr", "--format", "32f"}).rgba);

    // At amount 0 the float path passes the frame through: every value, the
    // out-of-range ones included, comes back as it went in.
    run = Host({"--amount", "0", "--in", Path("e.%04d.exr"), "--out", Path("through/t.%04d.exr")});
    ASSERT_EQ(run.status, 0) << run.output;
    kvtool::FloatImage back;
    ASSERT_TRUE(kvtool::ReadExr(Path("through/t.0002.exr"), back, &error)) << error;
    EXPECT_EQ(back.rgba, hot.rgba);

    // EXR in, 16-bit PNG out.
    run = Host({"--in", Path("e.%04d.exr"), "--out", Path("png/e.%04d.png"), "--frames", "1-1"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Read(Path("png/e.0001.png")).rgba, kvtool::ToSampleImage(graded, 16).rgba);
}
#endif

TEST_F(HostBatch, AnOutputOverAnInputIsRefusedBeforeAnythingIsWritten) {
    fs::create_directories(Path("shots"));
    Write("shots/a.png", Frame(1, 8));
    Write("shots/b.png", Frame(2, 8));
    const std::string before = ReadAll(Path("shots/a.png"));
    const std::vector<std::vector<std::string>> sameFolder = {
        {"--in", Path("shots"), "--out", Path("shots")},
        {"--in", Path("shots"), "--out", Path("shots/../shots/")},
    };
    for (const std::vector<std::string>& args : sameFolder) {
        const HostRun run = Host(args);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_TRUE(Contains(run.output, "refusing to overwrite the input ")) << run.output;
    }
    EXPECT_EQ(ReadAll(Path("shots/a.png")), before);
    EXPECT_EQ(Names("shots"), (std::vector<std::string>{"a.png", "b.png"}));
}

// A damaged PNG is skipped with libpng's own reason in its frame's message;
// libpng prints nothing of its own into the batch's output.
TEST_F(HostBatch, DamagedPngFramesGiveLibpngsReasonAndNothingRaw) {
    fs::create_directories(Path("damaged"));
    Write("damaged/good.png", Frame(1, 8));
    const std::string good = ReadAll(Path("damaged/good.png"));
    std::string badCrc = good;
    badCrc[16] ^= 1;  // the IHDR's width, under its old checksum
    // One fails in the header, one in the rows.
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } files[] = {
        {"crc.png", badCrc, "unreadable PNG picture: IHDR: CRC error"},
        {"cut.png", good.substr(0, good.size() / 2), "unreadable PNG picture: Read Error"},
    };
    for (const auto& f : files) std::ofstream(Path(std::string("damaged/") + f.name), std::ios::binary) << f.bytes;
    const HostRun run = Host({"--in", Path("damaged"), "--out", Path("out")});
    EXPECT_EQ(run.status, 3) << run.output;
    for (const auto& f : files) {
        EXPECT_TRUE(Contains(run.output, "kromvale-host: skipped " + Path(std::string("damaged/") + f.name) + ": " +
                                             f.message))
            << f.name << "\n" << run.output;
    }
    EXPECT_FALSE(Contains(run.output, "libpng")) << run.output;
    EXPECT_EQ(Names("out"), (std::vector<std::string>{"good.png"}));
}

// Every thread stack as large as the address space allows: no thread can
// start, and the batch must say so rather than abort.
TEST_F(HostBatch, ThreadsThatCannotStartAreAReportedFailureNotAnAbort) {
    if (kvtool::test::kChildIgnoresAddressLimits) GTEST_SKIP() << "needs an address-space limit";
    Write("f.1.pam", Frame(1, 8));
    Write("f.2.pam", Frame(2, 8));
    const HostRun run = Host({"--jobs", "2", "--in", Path("f.%d.pam"), "--out", Path("out")},
                             kvtool::test::ChildLimits{1024 * 1024, 2 * 1024 * 1024});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "kromvale-host: cannot start a render thread (0 of 2 started): ")) << run.output;
    EXPECT_TRUE(Contains(run.output, "kromvale-host: no render thread could be started")) << run.output;
}

// A small file system of its own, mounted for the test and unmounted after.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : folder_(folder) {
        fs::create_directories(folder_);
        mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=256k") == 0;
        if (!mounted_) reason_ = std::strerror(errno);
    }
    ~SmallDisk() {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    // Writes a file until the disk has no room left, then gives back `pages`
    // pages of it.
    void Fill(long pages = 0) const {
        const std::string filler = folder_ + "/filler";
        std::FILE* f = std::fopen(filler.c_str(), "wb");
        const std::string block(4096, 'x');
        while (f && std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
        }
        if (f) std::fclose(f);
        std::error_code ec;
        const auto size = fs::file_size(filler, ec);
        if (!ec) fs::resize_file(filler, size > pages * block.size() ? size - pages * block.size() : 0, ec);
    }

private:
    std::string folder_;
    bool mounted_ = false;
    std::string reason_;
};

// On a full disk every frame is reported failed and nothing appears under
// a final name, whichever writer meets the error: when it writes, when its
// buffers are flushed, or (EXR) when its line-offset table is written.
TEST_F(HostBatch, OnAFullDiskEveryFrameFailsAndNothingAppearsUnderItsFinalName) {
    const SmallDisk disk(Path("disk"));
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (it needs root): " << disk.reason();
    fs::create_directories(Path("frames"));
    Write("frames/a.png", Frame(1, 8));
    Write("frames/b.pam", Frame(2, 16));
    std::vector<std::string> names = {"a.png", "b.pam"};
#ifdef KV_TEST_HAVE_OPENEXR
    std::string error;
    ASSERT_TRUE(kvtool::WriteExr(Path("frames/c.exr"), kvtool::ToFloatImage(Frame(3, 16)), &error)) << error;
    names.push_back("c.exr");
#endif
    fs::create_directories(Path("disk/out"));
    disk.Fill();
    const HostRun run = Host({"--in", Path("frames"), "--out", Path("disk/out")});
    EXPECT_EQ(run.status, 1) << run.output;
    for (const std::string& name : names) {
        EXPECT_TRUE(Contains(run.output, "kromvale-host: cannot write " + Path("disk/out/" + name) + ": "))
            << name << "\n" << run.output;
    }
    EXPECT_TRUE(Contains(run.output, "summary: 0 frames, 0 skipped, " + std::to_string(names.size()) + " failed"))
        << run.output;
    EXPECT_TRUE(Names("disk/out").empty()) << "no frame, and no temporary file";
    // A single picture the same way.
    const HostRun single = Host({"--in", Path("frames/a.png"), "--out", Path("disk/out/single.png")});
    EXPECT_EQ(single.status, 1) << single.output;
    EXPECT_TRUE(Names("disk/out").empty());
#ifdef KV_TEST_HAVE_OPENEXR
    // Wherever the disk fills, a written EXR either reads back whole or was
    // reported: several small blocks of scan lines, so that the last ones
    // reach the disk only when the file is closed.
    kvtool::FloatImage noise(24, 96);
    for (std::size_t i = 0; i < noise.rgba.size(); ++i) noise.rgba[i] = static_cast<float>((i * 7919u) % 1000u) / 7.0f;
    for (long pages = 0; pages <= 16; ++pages) {
        SCOPED_TRACE(pages);
        disk.Fill(pages);
        const std::string path = Path("disk/out/noise.exr");
        if (kvtool::WriteExr(path, noise, &error)) {
            kvtool::FloatImage back;
            EXPECT_TRUE(kvtool::ReadExr(path, back, &error)) << "reported written, but: " << error;
            EXPECT_EQ(back.rgba, noise.rgba);
        } else {
            EXPECT_FALSE(fs::exists(path));
        }
        fs::remove(path);
    }
#endif
}

// A process of its own, so that the test can signal it while it runs.
class RunningHost {
public:
    RunningHost(const std::vector<std::string>& command, const std::string& log) {
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
            std::vector<char*> argv;
            for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    // True once it has ended, with its exit status (-1 when killed).
    bool Ended(int& status) {
        if (pid_ > 0) {
            int raw = 0;
            if (waitpid(pid_, &raw, WNOHANG) != pid_) return false;
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            pid_ = -1;
        }
        status = status_;
        return true;
    }
    // Never once it has ended: kill(-1) would signal every process.
    void Signal(int signal) const {
        if (pid_ > 0) kill(pid_, signal);
    }
    // Whether it has `path` open (Linux: its descriptors under /proc).
    bool HasOpen(const std::string& path) const {
        std::error_code ec;
        const fs::path target = fs::canonical(path, ec);
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", ec)) {
            if (fs::read_symlink(fd.path(), ec) == target) return true;
        }
        return false;
    }
    ~RunningHost() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// The batch is held at a frame that is a pipe: the host waits to read it
// while the test sends the stop signal, then gets the frame, renders it and
// must not keep it. A signal is handled only when the host is next
// scheduled, which under load may come after frames that kill() returned
// before, so the test goes on only once the host has said that it is
// stopping (and a second signal sent before that could merge with the first).
TEST_F(HostBatch, AStopSignalLeavesOnlyWholeFramesUnderFinalNamesAndNoTemporaries) {
    for (const auto& [signal, twice] : {std::pair{SIGINT, false}, std::pair{SIGTERM, false}, std::pair{SIGINT, true}}) {
        SCOPED_TRACE(Numbered(twice ? "twice " : "once ", signal, ""));
        const std::string folder = Numbered(twice ? "t" : "s", signal, "");
        const std::string in = Path(folder);
        const std::string out = in + "-out";
        fs::create_directories(in);
        for (int n : {1, 2, 3, 5, 6}) Write(Numbered(folder + "/f.", n, ".pam"), Frame(n, 8));
        const std::string pipe = in + "/f.4.pam";
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        // Held open (read-write, which Linux opens without waiting), so that
        // the host's open of frame 4 returns at once and its read waits for
        // the frame; the host's own copy of it ends with the exec.
        const int feed = open(pipe.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(feed, 0);

        RunningHost host(Command({"--jobs", "1", "--in", in + "/f.%d.pam", "--out", out}), Path("log.txt"));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int status = -2;
        // Polls `done` until it holds, the host ends or time runs out.
        auto until = [&](const auto& done) {
            while (!done() && !host.Ended(status) && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return done();
        };
        // One job takes the frames in order: once frame 3 is written (so the
        // host has long replaced the test's image, which had the pipe open)
        // and the pipe is open, it is past its last look at the stop before
        // frame 4.
        ASSERT_TRUE(until([&] { return fs::exists(out + "/f.3.pam") && host.HasOpen(pipe); }))
            << ReadAll(Path("log.txt"));
        host.Signal(signal);
        const std::string stopping = Numbered("kromvale-host: stopping on signal ", signal, ":");
        ASSERT_TRUE(until([&] { return Contains(ReadAll(Path("log.txt")), stopping); })) << ReadAll(Path("log.txt"));
        if (twice) {
            host.Signal(signal);  // the host waits on the pipe: this ends it there and then
        } else {
            const std::string frame = ReadAll(in + "/f.5.pam");
            EXPECT_EQ(write(feed, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
            close(feed);  // the end of the frame
        }
        const bool ended = until([&] { return host.Ended(status); });
        if (twice) close(feed);
        ASSERT_TRUE(ended) << "the host did not stop";
        const std::string log = ReadAll(Path("log.txt"));
        EXPECT_EQ(status, 128 + signal) << log;
        EXPECT_TRUE(Contains(log, twice ? std::string("stopped at once by a second signal")
                                        : Numbered("stopped by signal ", signal, " after 3 of 6 frames")))
            << log;
        EXPECT_EQ(Names(folder + "-out"), (std::vector<std::string>{"f.1.pam", "f.2.pam", "f.3.pam"}))
            << "no frame after the signal, and no temporary file";
        for (int n : {1, 2, 3}) {
            EXPECT_EQ(Read(Numbered(out + "/f.", n, ".pam")).rgba, Single(Numbered(in + "/f.", n, ".pam"), {}).rgba);
        }
    }
}

}  // namespace
