// The "Change LUT" button pressed through EffectMain: the file dialog, the
// stored LUT text, the label, and every way the pick can fail.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ButtonTest.h"
#include "EffectTestLuts.h"
#include "LogLines.h"
#include "LutTextTestText.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutFile.h"
#include "lut_engine/LutFormats.h"
#include "lut_engine/LutText.h"
#include "panel_link/LutFolder.h"
#include "platform/ForegroundWindow.h"
#include "platform/TextConversion.h"

namespace {

using kv::platform::MessageIcon;
using kv::platform::Utf8FromWide;
using kvsim::FakeParams;

// An identity cube of n points per axis, after the given header lines.
std::string IdentityCube(int n, const std::string& header = "") {
    std::string text = header + "LUT_3D_SIZE " + std::to_string(n) + "\n";
    char line[64];
    for (int b = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r) {
                const double s = 1.0 / (n - 1);
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", r * s, g * s, b * s);
                text += line;
            }
        }
    }
    return text;
}

std::string Pointer(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

// The 8-bit LUT text in a stored value, checking the widening on the way.
std::string StoredText(PF_Handle handle) {
    const std::vector<unsigned char> bytes = kvsim::HandleBytes(handle);
    EXPECT_EQ(bytes.size() % 2, 0u);
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        EXPECT_EQ(bytes[i + 1], 0) << "high byte at unit " << i / 2;
        text += static_cast<char>(bytes[i]);
    }
    return text;
}

class ChangeLutTest : public kvtest::ButtonTest {
protected:
    // Presses "Change LUT" with the dialog answering `path` ("" cancels).
    PF_Err Pick(FakeParams& params, const std::wstring& path) {
        kv::platform::QueueOpenFileAnswer(path);
        return Press(params, 3);
    }

    // Checks the outcome of a refused pick: one warning box with `text`, the
    // log's lines after the dialog line, and nothing stored or relabelled.
    void ExpectRefused(FakeParams& params, PF_Handle before, const std::wstring& text,
                       const std::string& logLine) {
        const std::vector<kv::platform::ShownMessageBox> boxes = kv::platform::TakeMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].caption, L"Kromvale");
        EXPECT_EQ(boxes[0].icon, MessageIcon::Warning);
        EXPECT_EQ(boxes[0].owner, kv::platform::ForegroundWindow());
        const std::vector<std::string> lines = log_.Take();
        EXPECT_EQ(lines.size(), 3u);
        EXPECT_TRUE(kvtest::HasLinesInOrder(lines, {"USER_CHANGED_PARAM index 3", kvtest::StartsWith("LUT button: dialog in "),
                                                    logLine}));
        EXPECT_EQ(params.lut(), before);
        EXPECT_EQ(params.at(2).uu.change_flags & PF_ChangeFlag_CHANGED_VALUE, 0);
        EXPECT_EQ(host_.out().out_flags, 0);
        EXPECT_TRUE(host_.updateParamUICalls().empty());
    }
};

TEST_F(ChangeLutTest, PickedFileIsStoredNamedAndLabelled) {
    const std::string cube = IdentityCube(33, "TITLE \"night\"\n# Kromvale match 42\n");
    const std::wstring path = WriteScratchFile(L"night.grade.cube", cube);
    FakeParams params(nullptr, 100.0, nullptr);

    EXPECT_EQ(Pick(params, path), PF_Err_NONE);

    kv::Lut3D read;
    ASSERT_TRUE(kv::ReadCubeFile(cube, read));
    EXPECT_EQ(StoredText(params.lut()), kv::FormatLutText(read, 42, "night.grade"));
    kv::Lut3D stored;
    ASSERT_TRUE(kv::ParseLutText(StoredText(params.lut()), stored));
    EXPECT_EQ(stored.size, 33);
    EXPECT_EQ(stored.id, 42);
    EXPECT_EQ(stored.name, "night.grade");
    EXPECT_EQ(params.at(2).uu.change_flags, PF_ChangeFlag_CHANGED_VALUE);
    EXPECT_EQ(host_.out().out_flags, 0x420000);

    const std::vector<kvsim::UpdateParamUICall> labels = host_.updateParamUICalls();
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].index, 3);
    EXPECT_EQ(labels[0].label, "night.grade.cube");

    const void* owner = host_.in().effect_ref;  // the fake host's main window
    const std::string bytes = std::to_string(kvsim::HandleBytes(params.lut()).size());
    const std::vector<std::string> lines = log_.Take();
    EXPECT_TRUE(kvtest::HasLinesInOrder(
        lines, {"USER_CHANGED_PARAM index 3",
                "LUT button: dialog in \"" + Utf8FromWide(kv::GetLutFolder()) + "\" (owner " + Pointer(owner) + ")",
                "LUT button: loaded " + Utf8FromWide(path) + " (33^3, " + bytes + " bytes)"}));
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
    kvsim::DisposeHandle(params.lut());
}

TEST_F(ChangeLutTest, DialogSettingsAndOwner) {
    FakeParams params(nullptr, 100.0, nullptr);
    EXPECT_EQ(Pick(params, L""), PF_Err_NONE);
    std::vector<kv::platform::OpenFileDialogSettings> dialogs = kv::platform::TakeOpenFileDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    const kv::platform::OpenFileDialogSettings& d = dialogs[0];
    EXPECT_EQ(d.owner, host_.in().effect_ref);
    static const wchar_t kFilter[] =
        L"LUT files (*.cube;*.3dl;*.clf;*.cc;*.ccc;*.cdl;*.spi1d;*.spi3d)\0*.cube;*.3dl;*.clf;*.cc;*.ccc;*.cdl;*.spi1d;"
        L"*.spi3d\0Cube LUTs (*.cube)\0*.cube\0" L"3DL LUTs (*.3dl)\0*.3dl\0Common LUT Format (*.clf)\0*.clf\0"
        L"ASC CDL (*.cc;*.ccc;*.cdl)\0*.cc;*.ccc;*.cdl\0spi1d LUTs (*.spi1d)\0*.spi1d\0spi3d LUTs (*.spi3d)\0"
        L"*.spi3d\0All files\0*.*\0";
    EXPECT_EQ(d.filter, std::wstring(kFilter, sizeof kFilter / sizeof kFilter[0] - 1));
    EXPECT_EQ(d.filterIndex, 1u);
    EXPECT_EQ(d.fileBufferChars, 1040u);
    EXPECT_EQ(d.initialFolder, kv::GetLutFolder());
    EXPECT_EQ(d.title, L"Kromvale: choose a LUT");
    EXPECT_EQ(d.flags, 0x1808u);

    // A host that cannot name its main window: the foreground window owns it.
    PF_UtilCallbacks utils = *host_.in().utils;
    utils.get_platform_data = nullptr;
    host_.in().utils = &utils;
    Pick(params, L"");
    dialogs = kv::platform::TakeOpenFileDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].owner, kv::platform::ForegroundWindow());
}

// `count` lines of three values, each channel rising from 0 to `top`, with
// green and blue bent so that no two channels agree.
std::string RampLines(int count, double top) {
    std::string text;
    char line[96];
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / (count - 1);
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", top * t, top * t * t, top * std::sqrt(t));
        text += line;
    }
    return text;
}

// .3dl text: the input-positions line, then n^3 12-bit nodes (blue fastest)
// of a cube that swaps red and blue.
std::string SwapRedBlue3dl(int n, const std::string& mesh) {
    std::string text = "3DMESH\nMesh 1 12\n" + mesh + "\n";
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b) {
                const auto code = [n](int i) { return std::to_string(i * 4095 / (n - 1)); };
                text += code(b) + " " + code(g) + " " + code(r) + "\n";
            }
    return text;
}

// Every kind of LUT that a file can hold, read by the reader its name picks,
// stored as that reader's LUT in its text form, and named in the log and on
// the button: the 1D stage's size only where there is one.
TEST_F(ChangeLutTest, EachKindOfFileIsStoredLoggedAndLabelled) {
    const struct {
        const wchar_t* leaf;
        std::string bytes;
        const char* magic;   // the stored form
        const char* tables;  // as the log line names them
        const char* label;
    } cases[] = {
        {L"wide.cube", IdentityCube(2, "DOMAIN_MIN -0.1 0 0\nDOMAIN_MAX 1 2 1.5\n"), "KVLUT4", "2^3", "wide.cube"},
        {L"range.cube", IdentityCube(3, "LUT_3D_INPUT_RANGE -1 3\n"), "KVLUT4", "3^3", "range.cube"},
        {L"log2video.cube",
         "LUT_1D_SIZE 6\nLUT_1D_INPUT_RANGE -0.125 16\nLUT_3D_SIZE 2\n" + RampLines(6, 1.0) + IdentityCube(2).substr(14),
         "KVLUT4", "6 + 2^3", "log2video.cube (6 + 2^3)"},
        {L"curve.cube", "TITLE \"curve\"\nLUT_1D_SIZE 5\n" + RampLines(5, 1.0), "KVLUT4", "5", "curve.cube (5)"},
        {L"curve-domain.cube", "DOMAIN_MIN -1 -1 -1\nDOMAIN_MAX 3 3 3\nLUT_1D_SIZE 4\n" + RampLines(4, 704.0),
         "KVLUT4", "4", "curve-domain.cube (4)"},
        {L"video.cube", IdentityCube(2, "LUT_IN_VIDEO_RANGE\nLUT_OUT_VIDEO_RANGE\n"), "KVLUT4",
         "2^3, video range in and out", "video.cube"},
        // a .3dl keeps its own name
        {L"swap.3dl", SwapRedBlue3dl(5, "0 256 512 767 1023"), "KVLUT3", "5^3", "swap.3dl"},
        {L"SHAPED.3DL", SwapRedBlue3dl(2, "0 64 256 1023"), "KVLUT4", "4 + 2^3", "SHAPED.3DL (4 + 2^3)"},
        // process lists: the kind and the step count
        {L"look.clf", kvtest::readDataFile("clf/log_exponent.clf"), "KVLUT5", "CLF, 5 steps",
         "look.clf (CLF, 5 steps)"},
        // a CDL collection: the first correction, named with the file's count
        {L"shots.ccc", kvtest::readDataFile("cdl/grades.ccc"), "KVLUT5",
         "CDL, 1 step, correction \"shot_020\", the first of 2", "shots.ccc (CDL, 1 step)"},
        {L"shaper.spi1d", kvtest::readDataFile("spi/shaper.spi1d"), "KVLUT5", "spi1d, 2 steps",
         "shaper.spi1d (spi1d, 2 steps)"},
        {L"shuffled.spi3d", kvtest::readDataFile("spi/shuffled.spi3d"), "KVLUT5", "spi3d, 1 step",
         "shuffled.spi3d (spi3d, 1 step)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8FromWide(c.leaf));
        const std::wstring path = WriteScratchFile(c.leaf, c.bytes);
        FakeParams params(nullptr, 100.0, nullptr);
        ASSERT_EQ(Pick(params, path), PF_Err_NONE);
        ASSERT_NE(params.lut(), nullptr) << log_.Take().back();

        kv::Lut3D read;
        std::string error;
        ASSERT_TRUE(kv::ReadLutFile(Utf8FromWide(path), c.bytes, read, &error)) << error;
        const std::string text = StoredText(params.lut());
        EXPECT_EQ(text, kv::FormatLutText(read, 0, kv::LutNameFromPath(Utf8FromWide(c.leaf))));
        EXPECT_EQ(text.substr(0, 6), c.magic);

        const std::vector<kvsim::UpdateParamUICall> labels = host_.updateParamUICalls();
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].label, c.label);
        const std::string bytes = std::to_string(kvsim::HandleBytes(params.lut()).size());
        EXPECT_TRUE(kvtest::HasLinesInOrder(
            log_.Take(), {"LUT button: loaded " + Utf8FromWide(path) + " (" + c.tables + ", " + bytes + " bytes)"}));
        EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
        kvsim::DisposeHandle(params.lut());
    }
}

// A range that arithmetic cannot map (an infinite bound, or bounds so far
// apart that their distance overflows) is refused; every finite one is taken.
TEST_F(ChangeLutTest, OnlyAnInputRangeThatIsNotFiniteIsRefused) {
    const struct {
        const wchar_t* leaf;
        std::string bytes;
    } cases[] = {
        {L"inf-domain.cube", IdentityCube(2, "DOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 inf 1\n")},
        {L"inf-curve.cube", "LUT_1D_SIZE 2\nLUT_1D_INPUT_RANGE -INF 1\n" + RampLines(2, 1.0)},
        {L"inf-shaper.cube", "LUT_1D_SIZE 2\nLUT_1D_INPUT_RANGE 0 infinity\nLUT_3D_SIZE 2\n" + RampLines(2, 1.0) +
                                 IdentityCube(2).substr(14)},
        {L"overflow.cube", IdentityCube(2, "LUT_3D_INPUT_RANGE -3e38 3e38\n")},
    };
    PF_Handle old = kvsim::MakeHandle16(kvtest::InvertRedText(3, "kept"));
    FakeParams params(nullptr, 100.0, old);
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8FromWide(c.leaf));
        const std::wstring path = WriteScratchFile(c.leaf, c.bytes);
        EXPECT_EQ(Pick(params, path), PF_Err_NONE);
        ExpectRefused(params, old, L"Kromvale cannot use this LUT: its input range is not finite.",
                      "LUT button: " + Utf8FromWide(path) + " has an input range that is not finite");
    }
    // The widest range whose distance still fits.
    EXPECT_EQ(Pick(params, WriteScratchFile(L"huge.cube", IdentityCube(2, "LUT_3D_INPUT_RANGE -1e38 1e38\n"))),
              PF_Err_NONE);
    EXPECT_NE(params.lut(), old);
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
    kvsim::DisposeHandle(params.lut());  // the host disposed the replaced value
}

TEST_F(ChangeLutTest, UnreadableFilesShowThePathAndLogTheReason) {
    const struct {
        const wchar_t* leaf;
        std::string bytes;  // "<none>": the file is not there
        std::string reason;
    } cases[] = {
        {L"gone.cube", "<none>", ""},
        {L"empty.cube", "", ""},
        {L"one-d.cube", "LUT_1D_SIZE 4\n0 0 0\n", "wrong number of 1D table lines"},
        // A curve range without a curve: the file may mean the cube's range.
        {L"srgb.cube", IdentityCube(2, "LUT_1D_INPUT_RANGE -1 3\n"),
         "LUT_1D_INPUT_RANGE without a 1D table (other tools ignore it; give the 3D range as LUT_3D_INPUT_RANGE)"},
        {L"cube-named.3dl", IdentityCube(2), ".3dl file without a 3D table or a shaping mesh"},
        {L"short.cube", "LUT_3D_SIZE 2\n0 0 0\n", "wrong number of values"},
        {L"words.cube", "LUT_3D_SIZE 2\nzero one two\n", "malformed data line"},
        {L"notes.txt", "just some notes\n", "malformed data line"},
    };
    PF_Handle old = kvsim::MakeHandle16(kvtest::InvertRedText(3, "kept"));
    FakeParams params(nullptr, 100.0, old);
    const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
    for (const auto& c : cases) {
        const std::wstring path = c.bytes == "<none>" ? kvtest::JoinPath(scratch_.wide(), c.leaf)
                                                      : WriteScratchFile(c.leaf, c.bytes);
        EXPECT_EQ(Pick(params, path), PF_Err_NONE);
        ExpectRefused(params, old, L"Kromvale could not read this LUT:\n" + path,
                      "LUT button: could not read " + Utf8FromWide(path) + ": " + c.reason);
        EXPECT_EQ(kvsim::HandleBytes(old), oldBytes);
    }
    kvsim::DisposeHandle(old);
}

// A .cube file may hold up to 256 points per axis, LUT text only 129: such a
// file would be stored and then never render, so it is refused as unreadable.
TEST_F(ChangeLutTest, CubeTooLargeForLutTextIsRefused) {
    std::string cube = "LUT_3D_SIZE 130\n";
    for (int i = 0; i < 130 * 130 * 130; ++i) cube += "0 0 0\n";
    const std::wstring path = WriteScratchFile(L"huge.cube", cube);
    FakeParams params(nullptr, 100.0, nullptr);
    EXPECT_EQ(Pick(params, path), PF_Err_NONE);
    ExpectRefused(params, nullptr, L"Kromvale could not read this LUT:\n" + path,
                  "LUT button: could not read " + Utf8FromWide(path) + ": LUT_3D_SIZE out of range");
}

// A file larger than any LUT we take is refused by its size, unread: this
// runs on the host's user-interface thread. (Sparse: it costs no disk.)
TEST_F(ChangeLutTest, FileLargerThanAnyLutIsRefusedUnread) {
    const std::wstring path = WriteScratchFile(L"enormous.cube", IdentityCube(2));
    std::filesystem::resize_file(std::filesystem::path(path), kv::kMaxLutFileBytes + 1);
    FakeParams params(nullptr, 100.0, nullptr);
    EXPECT_EQ(Pick(params, path), PF_Err_NONE);
    ExpectRefused(params, nullptr, L"Kromvale could not read this LUT:\n" + path,
                  "LUT button: could not read " + Utf8FromWide(path) + ": LUT file larger than 256 MiB");
}

TEST_F(ChangeLutTest, CancelAndNoHandleChangeNothing) {
    FakeParams params(nullptr, 100.0, nullptr);
    EXPECT_EQ(Pick(params, L""), PF_Err_NONE);
    std::vector<std::string> lines = log_.Take();
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_TRUE(kvtest::HasLinesInOrder(lines, {"USER_CHANGED_PARAM index 3", "LUT button: cancelled"}));

    host_.SetFailNewHandle(true);
    EXPECT_EQ(Pick(params, WriteScratchFile(L"fine.cube", IdentityCube(2))), PF_Err_OUT_OF_MEMORY);
    host_.SetFailNewHandle(false);
    EXPECT_EQ(log_.Take().size(), 2u) << "nothing past the dialog line";
    EXPECT_EQ(params.lut(), nullptr);
    EXPECT_EQ(host_.out().out_flags, 0);
    EXPECT_TRUE(host_.updateParamUICalls().empty());
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
}

TEST_F(ChangeLutTest, MatchMarkerFollowedByLettersStoresNoId) {
    // The first marker counts, even when a later one carries a number.
    const std::wstring path =
        WriteScratchFile(L"lettered.cube", IdentityCube(2, "# Kromvale match abc\n# Kromvale match 42\n"));
    FakeParams params(nullptr, 100.0, nullptr);
    EXPECT_EQ(Pick(params, path), PF_Err_NONE);
    kv::Lut3D stored;
    ASSERT_TRUE(kv::ParseLutText(StoredText(params.lut()), stored));
    EXPECT_EQ(stored.id, 0);
    EXPECT_EQ(stored.name, "lettered");
    kvsim::DisposeHandle(params.lut());
}

TEST_F(ChangeLutTest, CancelLeavesValueAndFlagsAsTheHostSetThem) {
    PF_Handle old = kvsim::MakeHandle16(kvtest::InvertRedText(5, "kept"));
    FakeParams params(nullptr, 100.0, old);
    const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
    kv::platform::QueueOpenFileAnswer(L"");
    PF_UserChangedParamExtra extra{3};
    host_.ResetOutData();
    host_.out().out_flags = PF_OutFlag_NON_PARAM_VARY;
    params.at(2).uu.change_flags = PF_ChangeFlag_SET_TO_CONSTANT;
    EXPECT_EQ(host_.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, &extra), PF_Err_NONE);
    EXPECT_EQ(params.lut(), old);
    EXPECT_EQ(kvsim::HandleBytes(old), oldBytes);
    EXPECT_EQ(params.at(2).uu.change_flags, PF_ChangeFlag_SET_TO_CONSTANT);
    EXPECT_EQ(host_.out().out_flags, PF_OutFlag_NON_PARAM_VARY);
    EXPECT_TRUE(host_.updateParamUICalls().empty());
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    kvsim::DisposeHandle(old);
}

TEST_F(ChangeLutTest, MissingHostRecordsAnswer512BeforeTheDialog) {
    PF_Handle old = kvsim::MakeHandle16(kvtest::InvertRedText(6, "kept"));
    FakeParams params(nullptr, 100.0, old);
    const std::vector<unsigned char> oldBytes = kvsim::HandleBytes(old);
    const std::wstring path = WriteScratchFile(L"fine.cube", IdentityCube(2));
    PF_InData noUtils = host_.in();
    noUtils.utils = nullptr;
    PF_ParamDef* noLut[6] = {&params.at(0), &params.at(1), nullptr, &params.at(3), &params.at(4), nullptr};
    const struct {
        const char* what;
        PF_InData* in;
        PF_OutData* out;
        PF_ParamDef** list;
    } cases[] = {
        {"no input record", nullptr, &host_.out(), params.list()},
        {"no utility callbacks", &noUtils, &host_.out(), params.list()},
        {"no output record", &host_.in(), nullptr, params.list()},
        {"no parameter list", &host_.in(), &host_.out(), nullptr},
        {"no LUT parameter", &host_.in(), &host_.out(), noLut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kv::platform::ClearDialogScript();
        kv::platform::QueueOpenFileAnswer(path);
        host_.ResetOutData();
        PF_UserChangedParamExtra extra{3};
        EXPECT_EQ(EffectMain(PF_Cmd_USER_CHANGED_PARAM, c.in, c.out, c.list, nullptr, &extra),
                  PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_TRUE(kv::platform::TakeOpenFileDialogs().empty());
        EXPECT_EQ(params.lut(), old);
        EXPECT_EQ(kvsim::HandleBytes(old), oldBytes);
        EXPECT_EQ(host_.out().out_flags, 0);
    }
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
    kvsim::DisposeHandle(old);
}

// With no value yet, a new handle that cannot be locked is given back.
TEST_F(ChangeLutTest, ANewHandleThatCannotBeLockedIsDisposed) {
    FakeParams params(nullptr, 100.0, nullptr);
    const long handles = kvsim::LiveHandleCount();
    host_.SetFailLockHandle(true);
    EXPECT_EQ(Pick(params, WriteScratchFile(L"fine.cube", IdentityCube(2))), PF_Err_OUT_OF_MEMORY);
    host_.SetFailLockHandle(false);
    EXPECT_EQ(params.lut(), nullptr);
    EXPECT_EQ(kvsim::LiveHandleCount(), handles);
    EXPECT_EQ(params.at(2).uu.change_flags & PF_ChangeFlag_CHANGED_VALUE, 0);
    EXPECT_EQ(host_.out().out_flags, 0);
    EXPECT_TRUE(host_.updateParamUICalls().empty());
}

// A host whose records lack the handle-size callback can still take a new
// value; the label that follows then reads it as no LUT instead of crashing.
TEST_F(ChangeLutTest, LabelAfterStoringCopesWithoutTheHandleSizeCallback) {
    PF_UtilCallbacks utils = *host_.in().utils;
    utils.host_get_handle_size = nullptr;
    host_.in().utils = &utils;
    FakeParams params(nullptr, 100.0, nullptr);
    EXPECT_EQ(Pick(params, WriteScratchFile(L"sized.cube", IdentityCube(2))), PF_Err_NONE);
    ASSERT_NE(params.lut(), nullptr);
    const std::vector<kvsim::UpdateParamUICall> labels = host_.updateParamUICalls();
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].label, "Choose a LUT");
    EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    kvsim::DisposeHandle(params.lut());
}

TEST_F(ChangeLutTest, OtherPressesNeverOpenTheDialog) {
    FakeParams params(nullptr, 100.0, nullptr);
    for (PF_ParamIndex index : {0, 1, 2, 4, 5, -1}) EXPECT_EQ(Press(params, index), PF_Err_NONE);
    EXPECT_TRUE(kv::platform::TakeOpenFileDialogs().empty());
    EXPECT_EQ(host_.Call(PF_Cmd_USER_CHANGED_PARAM, params.list(), nullptr, nullptr), PF_Err_NONE);
    const std::vector<std::string> lines = log_.Take();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "USER_CHANGED_PARAM index -1");
    kv::platform::TakeMessageBoxes();  // the Edit LUT press's box
}

}  // namespace
