#include "panel_link/Log.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "LogTestSupport.h"
#include "panel_link/LutFolder.h"
#include "platform/FaultInjection.h"
#include "platform/TextConversion.h"

namespace {

using kv::platform::kPathSeparator;

using LogTest = UserDataFolderTest;

TEST_F(LogTest, UserDataPathJoinsTheKnownFolderAndKromvale) {
    const std::wstring folder = roaming() + kPathSeparator + L"Kromvale" + kPathSeparator;
    EXPECT_EQ(kv::GetUserDataPath(L"effect.log"), folder + L"effect.log");
    EXPECT_EQ(kv::GetUserDataPath(L""), folder);
    EXPECT_FALSE(kv::platform::PathExists(folder)) << "building a path touches nothing";
}

TEST_F(LogTest, FirstLineCreatesTheFolderAndLaterLinesAppend) {
    kv::LogPrintf("GlobalSetup build %d host=%c%c%c%c api=%d.%d", 12, 'P', 'r', 'M', 'r', 13, 29);
    kv::LogPrintf("%s", "");
    kv::LogPrintf("second %s", "line");
    const auto lines = ReadLogLines();
    std::vector<std::string> messages;
    for (const std::string& line : lines) messages.push_back(MessageOf(line));
    EXPECT_EQ(messages, (std::vector<std::string>{"GlobalSetup build 12 host=PrMr api=13.29", "", "second line"}));
    // An empty message leaves the timestamp and two blanks.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.size() == 21; }), 1);
}

TEST_F(LogTest, LongMessageIsCutTo1023Bytes) {
    std::string message;
    for (int i = 0; i < 2000; ++i) message.push_back(static_cast<char>('a' + i % 26));
    kv::LogPrintf("%s", message.c_str());
    const auto lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MessageOf(lines.front()), message.substr(0, 1023));
}

TEST_F(LogTest, NewlineInMessageSplitsTheEntryUnescaped) {
    kv::LogPrintf("first half\nsecond half");
    const auto lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 2u);
    // The second piece stands on a line of its own, with no timestamp.
    EXPECT_EQ(MessageOf(lines.front()), "first half");
    EXPECT_EQ(lines.back(), "second half");
}

TEST_F(LogTest, DeletedFileIsStartedAgain) {
    kv::LogPrintf("before");
    ASSERT_TRUE(std::filesystem::remove(std::filesystem::path(kv::GetUserDataPath(L"effect.log"))));
    kv::LogPrintf("after");
    const auto lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MessageOf(lines.front()), "after");
}

TEST_F(LogTest, MissingKnownFolderDropsLinesWithoutCreatingIt) {
    // Only the last level is ever created: with the roaming folder itself
    // gone, nothing can be written.
    using namespace kv::platform;
    static std::wstring gone;
    gone = roaming() + kPathSeparator + L"gone";
    const KnownFolderFn previous = SetKnownFolderOverride([](KnownFolder) { return gone; });
    const uint64_t dropped = kv::LogDroppedLineCount();
    kv::LogPrintf("lost");
    SetKnownFolderOverride(previous);
    EXPECT_EQ(kv::LogDroppedLineCount(), dropped + 1);
    EXPECT_FALSE(PathExists(gone));
}

#ifndef _WIN32
// The real Linux lookup, through XDG_DATA_HOME and then HOME: working out the
// data folder and the LUT folder creates nothing, and the log's retry makes
// only the last level, so a missing data home drops lines as a missing
// roaming folder does on Windows.
TEST_F(LogTest, LinuxLookupsCreateNoFolders) {
    using namespace kv::platform;
    const std::wstring xdg = roaming() + L"/gone/data";
    const std::wstring home = WideFromUtf8(std::getenv("HOME"));
    ASSERT_FALSE(PathExists(home));
    setenv("XDG_DATA_HOME", Utf8FromWide(xdg).c_str(), 1);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "XDG_DATA_HOME" : "HOME");
        EXPECT_EQ(kv::GetUserDataPath(L""), (round == 0 ? xdg : home + L"/.local/share") + L"/Kromvale/");
        EXPECT_EQ(kv::GetLutFolder(), home + L"/Documents/Kromvale LUTs");
        const uint64_t dropped = kv::LogDroppedLineCount();
        kv::LogPrintf("lost");
        EXPECT_EQ(kv::LogDroppedLineCount(), dropped + 1);
        EXPECT_FALSE(PathExists(roaming() + L"/gone"));
        EXPECT_FALSE(PathExists(home));
        unsetenv("XDG_DATA_HOME");
    }
}
#endif

std::atomic<int> gCreateCalls{0};

TEST_F(LogTest, UnopenableLogTriesOneFolderCreationThenDropsTheLine) {
    using namespace kv::platform;
    const OpenFileFn previousOpen = SetOpenFileOverride(
        [](const std::wstring&, const char*) -> std::FILE* { return nullptr; });
    const CreateFolderFn previousCreate = SetCreateFolderOverride([](const std::wstring& path) {
        gCreateCalls.fetch_add(1);
        return SystemCreateOneFolder(path);
    });
    const int createsBefore = gCreateCalls.load();
    const uint64_t dropped = kv::LogDroppedLineCount();
    kv::LogPrintf("not written");
    kv::LogPrintf("nor this");
    SetOpenFileOverride(previousOpen);
    SetCreateFolderOverride(previousCreate);

    EXPECT_EQ(gCreateCalls.load() - createsBefore, 2) << "one folder creation per line";
    EXPECT_EQ(kv::LogDroppedLineCount(), dropped + 2);
    EXPECT_TRUE(PathExists(kv::GetUserDataPath(L""))) << "the folder was created";
    kv::LogPrintf("written again");
    const auto lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MessageOf(lines.front()), "written again");
}

TEST_F(LogTest, FolderThatCannotBeCreatedDropsTheLine) {
    using namespace kv::platform;
    const CreateFolderFn previous = SetCreateFolderOverride([](const std::wstring&) { return false; });
    const uint64_t dropped = kv::LogDroppedLineCount();
    kv::LogPrintf("lost");
    SetCreateFolderOverride(previous);
    EXPECT_EQ(kv::LogDroppedLineCount(), dropped + 1);
    EXPECT_FALSE(PathExists(kv::GetUserDataPath(L"")));
}

#ifndef _WIN32
// On Windows the module's C runtime keeps its own locale, apart from the
// host's; on Linux the process locale is shared and must not leak in.
TEST_F(LogTest, NumbersIgnoreACommaDecimalLocale) {
    const char* chosen = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            chosen = name;
            break;
        }
    }
    if (!chosen) GTEST_SKIP() << "no locale with a comma decimal point is installed";
    kv::LogPrintf("amount %.2f", 0.5);
    std::setlocale(LC_NUMERIC, "C");
    const auto lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MessageOf(lines.front()), "amount 0.50");
}
#endif

#ifdef _WIN32
// Under Wine (KV_WINEPREFIX is set by scripts/wine-env.sh) the real roaming
// folder belongs to a scratch prefix, so the log may be written there.
TEST(LogInRoamingFolder, WritesCrLfLinesUnderAppDataRoaming) {
    if (std::getenv("KV_WINEPREFIX") == nullptr) GTEST_SKIP() << "only in a scratch Wine prefix";
    const std::wstring path = kv::GetUserDataPath(L"effect.log");
    EXPECT_NE(path.find(L"\\AppData\\Roaming\\Kromvale\\effect.log"), std::wstring::npos);
    kv::LogPrintf("Wine check \xC3\xA9");
    const std::string bytes = kv::platform::ReadWholeFile(path).value_or("");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_NE(bytes.find("  Wine check \xC3\xA9\r\n"), std::string::npos);
}
#endif

}  // namespace
