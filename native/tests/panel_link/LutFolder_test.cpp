// Where the "Change LUT" dialog opens: the folder the panel names in
// "lut-folder.txt", else the documents folder's "Kromvale LUTs".

#include "panel_link/LutFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PanelFiles.h"
#include "ScratchFolder.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"

namespace {

using kv::platform::Utf8FromWide;
using kvtest::JoinPath;

class LutFolderTest : public ::testing::Test {
protected:
    void TearDown() override { kvtest::RemoveFile(kv::GetUserDataPath(L"lut-folder.txt")); }

    static std::wstring DefaultFolder() {
        return JoinPath(kv::platform::KnownFolderPath(kv::platform::KnownFolder::Documents), L"Kromvale LUTs");
    }
    static std::wstring FolderFor(const std::string& fileBytes) {
        EXPECT_TRUE(kvtest::WriteUserFile(L"lut-folder.txt", fileBytes));
        return kv::GetLutFolder();
    }

    ScratchFolder scratch_;
};

TEST_F(LutFolderTest, TrailingLineEndsAndSpacesAreDropped) {
    const std::string folder = Utf8FromWide(scratch_.wide());
    for (const char* tail : {"", "\r\n", "\n", " ", "\r\n \n\r  \n\n"}) {
        EXPECT_EQ(FolderFor(folder + tail), scratch_.wide()) << "tail of " << std::string(tail).size() << " bytes";
    }
}

TEST_F(LutFolderTest, NoUsablePathGivesTheDocumentsFolder) {
    const std::string folder = Utf8FromWide(scratch_.wide());
    EXPECT_EQ(kv::GetLutFolder(), DefaultFolder()) << "no file";
    EXPECT_EQ(FolderFor(""), DefaultFolder()) << "empty file";
    EXPECT_EQ(FolderFor(" \r\n\n  \r"), DefaultFolder()) << "blanks and line ends only";
    EXPECT_EQ(FolderFor(folder + "-missing"), DefaultFolder()) << "a folder that does not exist";
    // Only trailing bytes are trimmed: a byte-order mark, a leading blank or
    // tab, or a trailing tab stay part of a path that then does not exist.
    for (const std::string& kept : {"\xEF\xBB\xBF" + folder, " " + folder, "\t" + folder, folder + "\t"}) {
        EXPECT_EQ(FolderFor(kept), DefaultFolder()) << kept;
    }
}

// A byte-order mark or leading blanks are kept, so such a path is used when
// it names something; relative paths resolve against the current folder.
TEST_F(LutFolderTest, LeadingMarkOrBlanksAreKeptWhenThePathExists) {
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(scratch_.path());
    std::vector<std::wstring> leaves = {L"\uFEFFLUTs", L" LUTs", L"  \uFEFF LUTs"};
#ifndef _WIN32
    leaves.push_back(L"\tLUTs");  // Windows names cannot hold a tab
#endif
    for (const std::wstring& leaf : leaves) {
        ASSERT_TRUE(kv::platform::CreateOneFolder(leaf)) << Utf8FromWide(leaf);
    }
    ASSERT_FALSE(kv::platform::PathExists(L"LUTs")) << "a reader that strips the start must not find it";
    for (const std::wstring& leaf : leaves) {
        EXPECT_EQ(FolderFor(Utf8FromWide(leaf) + "\r\n"), leaf) << Utf8FromWide(leaf);
    }
    std::filesystem::current_path(saved);
}

TEST_F(LutFolderTest, AFileIsAcceptedLikeAFolder) {
    const std::wstring file = JoinPath(scratch_.wide(), L"grade.cube");
    ASSERT_TRUE(kvtest::WriteFileBytes(file, "LUT_3D_SIZE 2\n"));
    EXPECT_EQ(FolderFor(Utf8FromWide(file) + "\n"), file);
}

TEST_F(LutFolderTest, OnlyTheFirst2047BytesAreRead) {
    const std::string folder = Utf8FromWide(scratch_.wide());
    // The folder padded to 2047 bytes with separators, which name the same
    // folder and are not trimmed: a reader that takes fewer bytes returns a
    // shorter path, one that takes more spoils it with the byte past them.
    const std::string separated =
        folder + std::string(2047 - folder.size(), static_cast<char>(kv::platform::kPathSeparator));
    EXPECT_EQ(FolderFor(separated + "x"), kv::platform::WideFromUtf8(separated));
    // The folder, spaces up to byte 2047, then more text: the part read is the
    // folder with trailing spaces, and the rest would have spoilt it.
    const std::string padded = folder + std::string(2047 - folder.size(), ' ');
    EXPECT_EQ(FolderFor(padded + "more text past the limit"), scratch_.wide());
    EXPECT_EQ(FolderFor(padded), scratch_.wide()) << "exactly 2047 bytes";
}

TEST_F(LutFolderTest, NonAsciiPathComesBackAsWideText) {
    const std::wstring accented = JoinPath(scratch_.wide(), L"Caf\u00E9 LUTs \u6F22\u5B57");
    ASSERT_TRUE(kv::platform::CreateOneFolder(accented));
    EXPECT_EQ(FolderFor(Utf8FromWide(accented) + "\r\n"), accented);
    // Bytes that are not UTF-8 name no folder.
    EXPECT_EQ(FolderFor(Utf8FromWide(scratch_.wide()) + "\xFF"), DefaultFolder());
}

TEST_F(LutFolderTest, TheDefaultIsNeitherCheckedNorCreated) {
    using namespace kv::platform;
    const KnownFolderFn previous = SetKnownFolderOverride([](KnownFolder which) -> std::wstring {
        return which == KnownFolder::Documents ? L"Z:\\no\\such\\documents" : SystemKnownFolderPath(which);
    });
    EXPECT_EQ(kv::GetLutFolder(), JoinPath(L"Z:\\no\\such\\documents", L"Kromvale LUTs"));
    EXPECT_FALSE(PathExists(L"Z:\\no\\such\\documents"));
    SetKnownFolderOverride([](KnownFolder which) -> std::wstring {
        return which == KnownFolder::Documents ? std::wstring() : SystemKnownFolderPath(which);
    });
    EXPECT_EQ(kv::GetLutFolder(), L"") << "no documents folder";
    // The panel's folder does not need the documents folder.
    EXPECT_EQ(FolderFor(Utf8FromWide(scratch_.wide())), scratch_.wide());
    SetKnownFolderOverride(previous);
}

}  // namespace
