// The batch's pieces that need no module: frame-number fields, which frames
// a folder or a sequence holds and where each goes, the refusal to write over
// an input, and the progress and summary texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/BatchProgress.h"
#include "host/FrameSequence.h"
#include "host/ProcessorBudget.h"
#include "host/TemporaryFile.h"

namespace {

namespace fs = std::filesystem;

class FrameFolder : public testing::Test {
protected:
    void SetUp() override {
        // Unique per process: other builds of the project may run these tests at once.
        std::string name = "kv_frames_";
        name += testing::UnitTest::GetInstance()->current_test_info()->name();
        name += '_';
        name += std::to_string(std::random_device{}());
        dir_ = fs::temp_directory_path() / name;
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Touch(const std::string& name) const {
        fs::create_directories(fs::path(Path(name)).parent_path());
        std::ofstream(Path(name)) << "x";
    }
    std::vector<kvtool::BatchFrame> Plan(const std::string& in, const std::string& out,
                                         std::optional<long> first = std::nullopt,
                                         std::optional<long> last = std::nullopt) {
        std::vector<kvtool::BatchFrame> frames;
        error_.clear();
        ok_ = kvtool::PlanBatch({in, out, first, last}, frames, error_);
        return frames;
    }

    fs::path dir_;
    bool ok_ = false;
    std::string error_;
};

TEST(FramePatterns, PrintfAndHashFieldsGiveTheirWidth) {
    std::optional<kvtool::FramePattern> p;
    std::string error;
    ASSERT_TRUE(kvtool::FindFramePattern("shots/a.%04d.png", p, error));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Format(7), "shots/a.0007.png");
    EXPECT_EQ(p->Format(12345), "shots/a.12345.png");
    ASSERT_TRUE(kvtool::FindFramePattern("b_###.exr", p, error));
    EXPECT_EQ(p->Format(42), "b_042.exr");
    ASSERT_TRUE(kvtool::FindFramePattern("c%d.pam", p, error));
    EXPECT_EQ(p->Format(0), "c0.pam");
    EXPECT_EQ(p->Format(300), "c300.pam");
    ASSERT_TRUE(kvtool::FindFramePattern("d.%4d.png", p, error));
    EXPECT_EQ(p->Format(7), "d.   7.png") << "printf pads %4d with spaces";
    EXPECT_EQ(p->Format(12345), "d.12345.png");
}

TEST(FramePatterns, PlainNamesFolderCharactersAndBadFields) {
    std::optional<kvtool::FramePattern> p;
    std::string error;
    ASSERT_TRUE(kvtool::FindFramePattern("take#1/50%/frame.png", p, error));
    EXPECT_FALSE(p) << "'#' and '%' in folder names are plain";
    ASSERT_TRUE(kvtool::FindFramePattern("100%.png", p, error));
    EXPECT_FALSE(p);
    EXPECT_FALSE(kvtool::FindFramePattern("a.%04d.%04d.png", p, error));
    EXPECT_EQ(error, "more than one frame-number field in a.%04d.%04d.png");
    EXPECT_FALSE(kvtool::FindFramePattern("a.##########.png", p, error));
    EXPECT_FALSE(kvtool::FindFramePattern("a.%012d.png", p, error));
}

TEST_F(FrameFolder, ASequenceHoldsOnlyNamesThatPrintBackFromTheirNumber) {
    for (const char* name : {"f.0009.png", "f.0010.png", "f.0001.png", "f.12345.png", "f.9.png", "f.00010.png",
                             "f.0002.exr", "g.0003.png", "f.-001.png", "f.0x01.png"}) {
        Touch(name);
    }
    fs::create_directories(dir_ / "f.0004.png");  // a folder is no frame
    const auto frames = Plan(Path("f.%04d.png"), Path("out/g.%04d.pam"));
    ASSERT_TRUE(ok_) << error_;
    std::vector<long> numbers;
    for (const auto& f : frames) numbers.push_back(*f.number);
    EXPECT_EQ(numbers, (std::vector<long>{1, 9, 10, 12345}));
    EXPECT_EQ(frames[1].input, Path("f.0009.png"));
    EXPECT_EQ(frames[1].output, Path("out/g.0009.pam"));
    EXPECT_FALSE(frames[1].missing);
}

TEST_F(FrameFolder, AnExistingFileIsOnePictureWhateverItsNameHolds) {
    for (const char* name : {"grade #2.png", "shot.%04d.png", "f.   7.png", "f.  12.png", "f.0007.png"}) Touch(name);
    const struct {
        std::string in;
        bool batch;
    } cases[] = {
        {Path("grade #2.png"), false},
        {Path("shot.%04d.png"), false},
        {Path("take.%04d.png"), true},
        {Path("grade #3.png"), true},
        {dir_.string(), true},
    };
    for (const auto& c : cases) EXPECT_EQ(kvtool::IsBatchInput(c.in), c.batch) << c.in;
    // "%4d" finds the frames printf names, and only those.
    const auto frames = Plan(Path("f.%4d.png"), Path("out/g.%04d.pam"));
    ASSERT_TRUE(ok_) << error_;
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].input, Path("f.   7.png"));
    EXPECT_EQ(frames[1].output, Path("out/g.0012.pam"));
}

TEST_F(FrameFolder, ARangeListsItsGapsAsMissingAndAnOutputFolderKeepsTheNames) {
    for (const char* name : {"s.01.pam", "s.02.pam", "s.04.pam", "s.07.pam"}) Touch(name);
    const auto frames = Plan(Path("s.##.pam"), Path("graded"), 2, 5);
    ASSERT_TRUE(ok_) << error_;
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].output, (dir_ / "graded" / "s.02.pam").string());
    EXPECT_FALSE(frames[0].missing);
    EXPECT_TRUE(frames[1].missing);  // 3
    EXPECT_FALSE(frames[2].missing);  // 4
    EXPECT_TRUE(frames[3].missing);  // 5
}

TEST_F(FrameFolder, AFolderTakesItsPicturesInNameOrderAndIgnoresOtherFiles) {
    for (const char* name : {"b.png", "a.PNG", "c.exr", "notes.txt", "d.pam", "sub/e.png"}) Touch(name);
    const auto frames = Plan(dir_.string(), Path("out"));
    ASSERT_TRUE(ok_) << error_;
    std::vector<std::string> inputs;
    for (const auto& f : frames) inputs.push_back(fs::path(f.input).filename().string());
    EXPECT_EQ(inputs, (std::vector<std::string>{"a.PNG", "b.png", "c.exr", "d.pam"}));
    EXPECT_EQ(frames[2].output, (dir_ / "out" / "c.exr").string());
}

TEST_F(FrameFolder, NothingToRenderOrNowhereToWriteIsRefused) {
    Touch("notes.txt");
    Touch("f.0001.png");
    Plan(dir_.string() + "/empty-folder-that-is-not-there", Path("out"));
    EXPECT_FALSE(ok_);
    fs::create_directories(dir_ / "empty");
    Plan(Path("empty"), Path("out"));
    EXPECT_FALSE(ok_);
    EXPECT_EQ(error_, "no .png, .pam or .exr pictures in " + Path("empty"));
    Plan(Path("x.%04d.png"), Path("out"));
    EXPECT_EQ(error_, "no frames match " + Path("x.%04d.png"));
    Plan(dir_.string(), Path("out.%04d.pam"));
    EXPECT_EQ(error_, "a folder of pictures goes to an output folder, not to a numbered pattern");
    Plan(dir_.string(), Path("out"), 1, 3);
    EXPECT_EQ(error_, "--frames needs a numbered sequence as --in, not a folder");
    Plan(Path("f.%04d.png"), Path("out.%04d.tif"));
    EXPECT_EQ(error_, "--out must end in .png, .pam or .exr");
    Plan(Path("f.%04d.png"), Path("notes.txt"));
    EXPECT_EQ(error_, "--out " + Path("notes.txt") + " is a file: give a folder or a pattern such as out.%04d.png");
}

TEST_F(FrameFolder, AnOutputOnAnyInputIsRefusedHoweverItIsSpelt) {
    for (const char* name : {"f.0001.pam", "f.0002.pam", "g.0002.pam"}) Touch(name);
    // The same folder, the same names.
    Plan(dir_.string(), dir_.string());
    EXPECT_FALSE(ok_);
    EXPECT_EQ(error_.rfind("refusing to overwrite the input ", 0), 0u) << error_;
    Plan(Path("f.%04d.pam"), Path("sub/../f.####.pam"));
    EXPECT_FALSE(ok_) << "a path through .. names the same file";
    Plan(Path("f.%04d.pam"), Path("./"));
    EXPECT_FALSE(ok_);
#ifndef _WIN32
    fs::create_directory_symlink(dir_, dir_ / "link");
    Plan(Path("f.%04d.pam"), Path("link"));
    EXPECT_FALSE(ok_) << "a link to the input folder is the input folder";
#endif
    fs::create_hard_link(Path("f.0002.pam"), Path("h.0002.pam"));
    Plan(Path("f.%04d.pam"), Path("h.%04d.pam"));
    EXPECT_FALSE(ok_) << "a hard link is the input under another name";
    // Beside the inputs under other names is fine, and so is replacing a
    // file that this batch does not read.
    Plan(Path("f.%04d.pam"), Path("graded.%04d.pam"));
    EXPECT_TRUE(ok_) << error_;
    Plan(Path("g.%04d.pam"), Path("f.%04d.pam"));
    EXPECT_TRUE(ok_) << error_;
}

// A stopping batch holds commits: a whole file is then removed rather than
// renamed, and once released the same steps commit again.
TEST_F(FrameFolder, HeldCommitsRenameNothingAndLeaveNoTemporaryFile) {
    for (const bool held : {true, false}) {
        SCOPED_TRACE(held ? "held" : "released");
        kvtool::HoldCommits(held);
        std::string error;
        {
            kvtool::TemporaryFile file(Path("frame.pam"));
            ASSERT_TRUE(file.Create(error)) << error;
            std::fputs("whole", file.stream());
            EXPECT_EQ(file.Commit(error), !held) << error;
        }
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, held ? std::vector<std::string>{} : std::vector<std::string>{"frame.pam"});
    }
}

// Frames times bands never exceed the processors: threads taking shares of
// every size never hold more than the budget at once, and a share larger
// than the budget is cut to it rather than waiting for ever.
TEST(ProcessorBudgets, SharesNeverExceedTheProcessorsAndEveryRequestIsServed) {
    kvtool::ProcessorBudget budget(4);
    std::atomic<int> inUse{0};
    std::atomic<int> most{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (unsigned i = 0; i < 200; ++i) {
                const unsigned wanted = (t + i) % 7;  // 0 to 6: below 1 and above the budget included
                const unsigned taken = budget.Acquire(wanted);
                const int now = inUse += static_cast<int>(taken);
                for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
                }
                EXPECT_EQ(taken, std::clamp(wanted, 1u, 4u));
                inUse -= static_cast<int>(taken);
                budget.Release(taken);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_LE(most.load(), 4);
    EXPECT_GE(most.load(), 2);
}

TEST(BatchProgressText, BarCountsRateAndTimeLeft) {
    EXPECT_EQ(kvtool::ProgressBarText(0, 100, 0.0, 10), "[..........]   0/100 frames");
    EXPECT_EQ(kvtool::ProgressBarText(35, 100, 7.0, 10), "[###.......]  35/100 frames  5.0 frames/s  ETA 0:13");
    EXPECT_EQ(kvtool::ProgressBarText(1, 10000, 1.0, 4), "[....]     1/10000 frames  1.0 frames/s  ETA 2:46:39");
    EXPECT_EQ(kvtool::ProgressBarText(100, 100, 20.0, 10), "[##########] 100/100 frames  5.0 frames/s");
}

TEST(BatchProgressText, PlainLinesAtEachTenthAtTheEndAndAfterQuiet) {
    std::vector<std::size_t> due;
    for (std::size_t done = 1; done <= 25; ++done) {
        if (kvtool::ProgressLineDue(done, 25, 0.0)) due.push_back(done);
    }
    EXPECT_EQ(due, (std::vector<std::size_t>{3, 5, 8, 10, 13, 15, 18, 20, 23, 25}));
    due.clear();
    for (std::size_t done = 1; done <= 3; ++done) {
        if (kvtool::ProgressLineDue(done, 3, 0.0)) due.push_back(done);
    }
    EXPECT_EQ(due, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_FALSE(kvtool::ProgressLineDue(101, 1000, 4.9));
    EXPECT_TRUE(kvtool::ProgressLineDue(101, 1000, 5.0));
    EXPECT_EQ(kvtool::ProgressLineText(3, 25, 1.31), "progress: 3/25 frames (12%), 1.3 s");
}

TEST(BatchProgressText, SummaryGivesFramesSecondsAndMegapixelsPerSecond) {
    EXPECT_EQ(kvtool::SummaryText(100, 0, 0, 41.2, 100.0 * 1920 * 1080),
              "summary: 100 frames, 0 skipped, 0 failed, 41.20 s, 5.03 Mpixel/s");
    EXPECT_EQ(kvtool::SummaryText(0, 3, 1, 0.0, 0.0), "summary: 0 frames, 3 skipped, 1 failed, 0.00 s, 0.00 Mpixel/s");
}

TEST(BatchProgressText, APipeGetsWholeLinesAndATerminalOneRedrawnBar) {
    std::ostringstream plain;
    {
        kvtool::BatchProgress progress(plain, 2, false);
        progress.FrameDone();
        progress.Message("kromvale-host: skipped x.png: not a PNG picture");
        progress.FrameDone();
        progress.Finish();
    }
    EXPECT_EQ(plain.str().find('\r'), std::string::npos);
    EXPECT_NE(plain.str().find("progress: 1/2 frames (50%)"), std::string::npos) << plain.str();
    EXPECT_NE(plain.str().find("kromvale-host: skipped x.png: not a PNG picture\n"), std::string::npos);
    EXPECT_NE(plain.str().find("progress: 2/2 frames (100%)"), std::string::npos);

    std::ostringstream terminal;
    {
        kvtool::BatchProgress progress(terminal, 2, true);
        progress.FrameDone();
        progress.Message("note");
        progress.FrameDone();
        progress.Finish();
    }
    const std::string t = terminal.str();
    EXPECT_EQ(t.rfind("\r[", 0), 0u);
    EXPECT_NE(t.find("note\n"), std::string::npos);
    EXPECT_NE(t.find("2/2 frames"), std::string::npos);
    EXPECT_EQ(t.back(), '\n');
    EXPECT_EQ(t.find("progress:"), std::string::npos);
}

}  // namespace
