#pragma once
// Points the per-user data folder at a scratch folder for one test: through
// HOME and XDG_DATA_HOME on Linux (the real lookup), through the known-folder
// override on Windows (the real folder belongs to the user).

#include <cstdlib>
#include <string>
#include <vector>

#include "../platform/ScratchFolder.h"
#include "panel_link/UserDataPath.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/TextConversion.h"

#include <gtest/gtest.h>

class UserDataFolderTest : public testing::Test {
protected:
    void SetUp() override {
        roaming_ = scratch_.wide() + kv::platform::kPathSeparator + L"roaming";
        ASSERT_TRUE(kv::platform::CreateOneFolder(roaming_));
#ifdef _WIN32
        gRoaming = roaming_;
        previous_ = kv::platform::SetKnownFolderOverride(
            [](kv::platform::KnownFolder) { return gRoaming; });
#else
        setenv("HOME", (scratch_.path() / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", kv::platform::Utf8FromWide(roaming_).c_str(), 1);
#endif
    }
    void TearDown() override {
#ifdef _WIN32
        kv::platform::SetKnownFolderOverride(previous_);
#endif
    }

    // The roaming folder's stand-in; "Kromvale" below it does not exist yet.
    const std::wstring& roaming() const { return roaming_; }

    static std::string ReadLog() { return kv::platform::ReadWholeFile(kv::GetUserDataPath(L"effect.log")).value_or(""); }

    // "<YYYY-mm-dd HH:MM:SS>  <message>" -> the message; a failed expectation
    // when the line does not start with a timestamp and two blanks.
    static std::string MessageOf(const std::string& line) {
        static const char kShape[] = "dddd-dd-dd dd:dd:dd  ";
        const size_t prefix = sizeof kShape - 1;
        bool shaped = line.size() >= prefix;
        for (size_t i = 0; shaped && i < prefix; ++i) {
            const char c = line[i];
            shaped = kShape[i] == 'd' ? (c >= '0' && c <= '9') : c == kShape[i];
        }
        EXPECT_TRUE(shaped) << line.substr(0, 40);
        return shaped ? line.substr(prefix) : std::string();
    }

    // The file's lines without their line ends (CR LF on Windows, LF on Linux).
    static std::vector<std::string> ReadLogLines() {
        const std::string bytes = ReadLog();
#ifdef _WIN32
        const std::string end = "\r\n";
#else
        const std::string end = "\n";
#endif
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t at; (at = bytes.find(end, start)) != std::string::npos; start = at + end.size()) {
            lines.push_back(bytes.substr(start, at - start));
        }
        EXPECT_EQ(start, bytes.size()) << "the file ends with a whole line";
        return lines;
    }

private:
#ifdef _WIN32
    static inline std::wstring gRoaming;
    kv::platform::KnownFolderFn previous_ = nullptr;
#endif
    ScratchFolder scratch_;
    std::wstring roaming_;
};
