// The "Edit LUT" button: the request file for the panel, its JSON, and the
// box shown when the stored LUT has no match behind it.

#include "panel_link/EditRequest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ButtonTest.h"
#include "EffectTestLuts.h"
#include "platform/Clock.h"
#include "platform/FaultInjection.h"
#include "platform/ForegroundWindow.h"
#include "platform/TextConversion.h"

namespace {

using kvsim::FakeParams;

TEST(EditRequestRecord, OneLineOfJsonWithoutSpaces) {
    const std::string record = kv::EditRequestRecord(42, "night", INT64_C(1765432109876));
    EXPECT_EQ(record, "{\"id\":42,\"name\":\"night\",\"at\":1765432109876}\n");
    EXPECT_EQ(record.size(), 44u);
    EXPECT_EQ(kv::EditRequestRecord(INT32_MAX, "", INT64_MAX),
              "{\"id\":2147483647,\"name\":\"\",\"at\":9223372036854775807}\n");
}

TEST(EditRequestRecord, NameIsEscapedAndNeverCut) {
    EXPECT_EQ(kv::EditRequestRecord(1, "say \"hi\" \\o/", 5), "{\"id\":1,\"name\":\"say \\\"hi\\\" \\\\o/\",\"at\":5}\n");
    EXPECT_EQ(kv::EditRequestRecord(1, std::string("a\nb\tc\x01\x1F\x7F\0z", 10), 5),
              "{\"id\":1,\"name\":\"a\\u000ab\\u0009c\\u0001\\u001f\x7F\\u0000z\",\"at\":5}\n");
    EXPECT_EQ(kv::EditRequestRecord(1, "caf\xC3\xA9", 5), "{\"id\":1,\"name\":\"caf\xC3\xA9\",\"at\":5}\n");
    EXPECT_EQ(kv::EditRequestRecord(1, "bad\xFF", 5), "{\"id\":1,\"name\":\"bad\xEF\xBF\xBD\",\"at\":5}\n");
    const std::string longName(3000, 'n');
    const std::string record = kv::EditRequestRecord(9, longName, 5);
    EXPECT_EQ(record, "{\"id\":9,\"name\":\"" + longName + "\",\"at\":5}\n");
}

// A JSON reader other than our own must read back every name.
TEST(EditRequestRecord, ParsesAsJson) {
#ifdef _WIN32
    GTEST_SKIP() << "needs python3, which the Windows test run does not have";
#else
    if (std::system("python3 -c 'import json' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is missing";
    const std::vector<std::string> names = {
        "night", "say \"hi\" \\o/", std::string("ctl\x01\x02\n\r\t\0\x1F\x7F", 12), "caf\xC3\xA9 \xE6\xBC\xA2",
        "bad\xFF\xC3(", std::string(2000, 'x') + "\"\\",
    };
    ScratchFolder scratch;
    const std::wstring records = kvtest::JoinPath(scratch.wide(), L"records.json");
    std::string lines;
    for (size_t i = 0; i < names.size(); ++i) {
        lines += kv::EditRequestRecord(static_cast<int32_t>(i + 1), names[i], INT64_C(1765432109876) + i);
    }
    ASSERT_TRUE(kvtest::WriteFileBytes(records, lines));
    // Each line: the id, the time and the name's UTF-8 bytes in hex.
    const std::wstring out = kvtest::JoinPath(scratch.wide(), L"parsed.txt");
    const std::string command =
        "python3 -c 'import json,sys\n"
        "for line in open(sys.argv[1], \"rb\").read().split(b\"\\n\")[:-1]:\n"
        "    o = json.loads(line)\n"
        "    assert list(o) == [\"id\", \"name\", \"at\"], o\n"
        "    print(o[\"id\"], o[\"at\"], o[\"name\"].encode(\"utf-8\").hex())' " +
        kv::platform::Utf8FromWide(records) + " > " + kv::platform::Utf8FromWide(out);
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string expected;
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string valid = kv::platform::Utf8FromWide(kv::platform::WideFromUtf8(names[i]));
        std::string hex;
        for (const char c : valid) {
            hex += kHex[static_cast<unsigned char>(c) >> 4];
            hex += kHex[static_cast<unsigned char>(c) & 0xF];
        }
        expected += std::to_string(i + 1) + " " + std::to_string(INT64_C(1765432109876) + i) + " " + hex + "\n";
    }
    EXPECT_EQ(kvtest::ReadFileBytes(out), expected);
#endif
}

class EditLutTest : public kvtest::ButtonTest {
protected:
    void SetUp() override {
        ButtonTest::SetUp();
        kvtest::RemoveFile(RequestPath());
    }
    static std::wstring RequestPath() { return kv::GetUserDataPath(L"edit-request.json"); }
};

TEST_F(EditLutTest, WritesTheRequestAndLogsIt) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(7, "night \"cut\" \\ 2"));
    FakeParams params(nullptr, 100.0, lut);
    const int64_t before = kv::platform::WallClockMilliseconds();
    EXPECT_EQ(Press(params, 4), PF_Err_NONE);
    const int64_t after = kv::platform::WallClockMilliseconds();

    const std::string record = kvtest::ReadFileBytes(RequestPath());
    const std::string head = "{\"id\":7,\"name\":\"night \\\"cut\\\" \\\\ 2\",\"at\":";
    ASSERT_EQ(record.compare(0, head.size(), head), 0) << record;
    ASSERT_GE(record.size(), head.size() + 2);
    EXPECT_EQ(record.substr(record.size() - 2), "}\n");
    const int64_t at = std::stoll(record.substr(head.size()));
    EXPECT_GE(at, before);
    EXPECT_LE(at, after);

    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"USER_CHANGED_PARAM index 4",
                                                     "Edit LUT: requested match 7 (night \"cut\" \\ 2)"}));
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
    EXPECT_TRUE(kv::platform::TakeOpenFileDialogs().empty());
    EXPECT_EQ(params.lut(), lut);
    EXPECT_EQ(host_.out().out_flags, 0);
    kvsim::DisposeHandle(lut);
}

TEST_F(EditLutTest, ASecondPressReplacesTheFirst) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(42, "night"));
    FakeParams params(nullptr, 100.0, lut);
    Press(params, 4);
    const std::string first = kvtest::ReadFileBytes(RequestPath());
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    Press(params, 4);
    const std::string second = kvtest::ReadFileBytes(RequestPath());
    ASSERT_EQ(first.size(), 44u) << first;
    ASSERT_EQ(second.size(), 44u) << second;
    EXPECT_EQ(second.substr(0, 29), "{\"id\":42,\"name\":\"night\",\"at\":");
    const int64_t gap = std::stoll(second.substr(29)) - std::stoll(first.substr(29));
    EXPECT_GE(gap, 40);
    EXPECT_LT(gap, 60000);
    kvsim::DisposeHandle(lut);
}

std::FILE* RefuseRequestFile(const std::wstring& path, const char* mode) {
    const std::wstring leaf = L"edit-request.json";
    if (path.size() >= leaf.size() && path.compare(path.size() - leaf.size(), leaf.size(), leaf) == 0) {
        return nullptr;
    }
    return kv::platform::SystemOpenSharedFile(path, mode);
}

// A request file that cannot be written (the folder locked, the disk full):
// the press still answers 0, shows nothing and logs the request.
TEST_F(EditLutTest, UnwritableRequestFileIsNotAnError) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(12, "locked"));
    FakeParams params(nullptr, 100.0, lut);
    kv::platform::SetOpenFileOverride(&RefuseRequestFile);
    const PF_Err err = Press(params, 4);
    kv::platform::SetOpenFileOverride(nullptr);
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"USER_CHANGED_PARAM index 4",
                                                     "Edit LUT: requested match 12 (locked)"}));
    EXPECT_TRUE(kv::platform::TakeMessageBoxes().empty());
    EXPECT_EQ(kvtest::ReadFileBytes(RequestPath()), "<missing>");
    EXPECT_EQ(params.lut(), lut);
    kvsim::DisposeHandle(lut);
}

TEST_F(EditLutTest, NoMatchIdShowsTheInformationBoxAndWritesNothing) {
    const std::wstring kText =
        L"This LUT wasn't made in the Kromvale panel (or was made before Kromvale kept its matches), so there is "
        L"no match to open. Make one in the panel and press Apply.";
    const PF_Handle cases[] = {
        nullptr,
        kvsim::MakeHandle16("KVLUT0"),
        kvsim::MakeHandle16(kvtest::InvertRedText(0, "picked")),
        kvsim::MakeHandle16(kvtest::InvertRedText(-3, "negative")),
        kvsim::MakeHandle16(kvtest::PatternText(9)),
        kvsim::MakeHandle8("not LUT text"),
    };
    for (PF_Handle lut : cases) {
        FakeParams params(nullptr, 100.0, lut);
        EXPECT_EQ(Press(params, 4), PF_Err_NONE);
        const std::vector<kv::platform::ShownMessageBox> boxes = kv::platform::TakeMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kText);
        EXPECT_EQ(boxes[0].caption, L"Kromvale");
        EXPECT_EQ(boxes[0].icon, kv::platform::MessageIcon::Information);
        EXPECT_EQ(boxes[0].owner, kv::platform::ForegroundWindow());
        EXPECT_EQ(log_.Take(), (std::vector<std::string>{"USER_CHANGED_PARAM index 4", "Edit LUT: no match ID"}));
        EXPECT_EQ(kvtest::ReadFileBytes(RequestPath()), "<missing>");
        kvsim::DisposeHandle(lut);
    }
}

// A host record without a handle callback cannot show the stored LUT: the
// press answers as for no LUT rather than calling through a null pointer.
TEST_F(EditLutTest, HostWithoutHandleCallbacksHasNoLutToEdit) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(7, "night"));
    FakeParams params(nullptr, 100.0, lut);
    PF_UtilCallbacks* const full = host_.in().utils;
    for (int missing = 0; missing < 3; ++missing) {
        SCOPED_TRACE(missing);
        PF_UtilCallbacks utils = *full;
        if (missing == 0) utils.host_get_handle_size = nullptr;
        if (missing == 1) utils.host_lock_handle = nullptr;
        if (missing == 2) utils.host_unlock_handle = nullptr;
        host_.in().utils = &utils;
        EXPECT_EQ(Press(params, 4), PF_Err_NONE);
        host_.in().utils = full;
        EXPECT_EQ(kv::platform::TakeMessageBoxes().size(), 1u);
        EXPECT_EQ(log_.Take(), (std::vector<std::string>{"USER_CHANGED_PARAM index 4", "Edit LUT: no match ID"}));
        EXPECT_EQ(kvtest::ReadFileBytes(RequestPath()), "<missing>");
        EXPECT_EQ(kvsim::LockedHandleCount(), 0);
    }
    kvsim::DisposeHandle(lut);
}

}  // namespace
