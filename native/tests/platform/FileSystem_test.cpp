#include "platform/DynamicLibrary.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScratchFolder.h"

namespace {

using namespace kv::platform;

std::string ReadAll(const std::wstring& path) { return ReadWholeFile(path).value_or(""); }

TEST(FileSystem, CreatesOneFolderLevelUnderAnAccentedName) {
    ScratchFolder scratch;
    // "Vidéo" spelled in UTF-8 and converted, as a panel-written path would be.
    const std::wstring folder = scratch.wide() + kPathSeparator + WideFromUtf8("Vid\xC3\xA9o");
    EXPECT_FALSE(PathExists(folder));
    EXPECT_TRUE(CreateOneFolder(folder));
    EXPECT_TRUE(PathExists(folder));
    EXPECT_FALSE(CreateOneFolder(folder)) << "an existing folder is reported as not created";

    const std::wstring deep = folder + kPathSeparator + L"a" + kPathSeparator + L"b";
    EXPECT_FALSE(CreateOneFolder(deep)) << "parents are never created";
    EXPECT_FALSE(PathExists(deep));
}

TEST(FileSystem, OpensByWidePathWhileAnotherHandleIsOpen) {
    ScratchFolder scratch;
    const std::wstring path = scratch.wide() + kPathSeparator + WideFromUtf8("\xC3\xA9t\xC3\xA9.txt");
    std::FILE* writer = OpenSharedFile(path, "wb");
    ASSERT_NE(writer, nullptr);
    std::fputs("one", writer);
    std::fflush(writer);
    std::FILE* appender = OpenSharedFile(path, "ab");
    ASSERT_NE(appender, nullptr) << "files are opened shared";
    std::fputs("two", appender);
    std::fclose(appender);
    std::fclose(writer);
    EXPECT_EQ(ReadAll(path), "onetwo");
    EXPECT_TRUE(PathExists(path));
    EXPECT_EQ(OpenSharedFile(scratch.wide() + kPathSeparator + L"missing.txt", "rb"), nullptr);
}

TEST(FileSystem, KnownFoldersAreAbsolutePaths) {
    const std::wstring roaming = KnownFolderPath(KnownFolder::RoamingAppData);
    const std::wstring documents = KnownFolderPath(KnownFolder::Documents);
    ASSERT_FALSE(roaming.empty());
    ASSERT_FALSE(documents.empty());
    EXPECT_NE(roaming.back(), kPathSeparator);
#ifdef _WIN32
    EXPECT_EQ(roaming.substr(1, 2), L":\\");
#else
    EXPECT_EQ(roaming.front(), L'/');
#endif
}

#ifndef _WIN32
TEST(FileSystem, LinuxKnownFoldersFollowTheEnvironment) {
    const char* savedHome = std::getenv("HOME");
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const std::string home = savedHome ? savedHome : "";
    const std::string xdg = savedXdg ? savedXdg : "";

    // A fresh home lacks the data folder and its parents: the lookup only
    // names them.
    char pattern[] = "/tmp/kv-known-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const std::wstring wroot = WideFromUtf8(root);
    setenv("HOME", (root + "/k\xC3\xA9").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data/xdg").c_str(), 1);
    EXPECT_EQ(KnownFolderPath(KnownFolder::RoamingAppData), wroot + L"/data/xdg");
    EXPECT_FALSE(PathExists(wroot + L"/data"));
    EXPECT_EQ(KnownFolderPath(KnownFolder::Documents), wroot + L"/k\u00E9/Documents");
    EXPECT_FALSE(PathExists(wroot + L"/k\u00E9/Documents")) << "documents are only looked up";
    setenv("XDG_DATA_HOME", "relative/xdg", 1);
    EXPECT_EQ(KnownFolderPath(KnownFolder::RoamingAppData), wroot + L"/k\u00E9/.local/share");
    EXPECT_FALSE(PathExists(wroot + L"/k\u00E9"));
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    EXPECT_EQ(KnownFolderPath(KnownFolder::RoamingAppData), L"");
    EXPECT_EQ(KnownFolderPath(KnownFolder::Documents), L"");

    if (savedHome) setenv("HOME", home.c_str(), 1);
    if (savedXdg) setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    std::filesystem::remove_all(root);
}
#endif

TEST(FileSystem, OverridesReplaceTheSystemUntilCleared) {
    const OpenFileFn previousOpen = SetOpenFileOverride([](const std::wstring&, const char*) -> std::FILE* {
        return nullptr;
    });
    const CreateFolderFn previousCreate = SetCreateFolderOverride([](const std::wstring&) { return false; });
    const KnownFolderFn previousFolder = SetKnownFolderOverride([](KnownFolder) { return std::wstring(); });
    const LoadLibraryFn previousLoad = SetLoadLibraryOverride([](const std::wstring&) -> void* { return nullptr; });

    ScratchFolder scratch;
    const std::wstring path = scratch.wide() + kPathSeparator + L"x.txt";
    EXPECT_EQ(OpenSharedFile(path, "wb"), nullptr);
    EXPECT_FALSE(CreateOneFolder(scratch.wide() + kPathSeparator + L"d"));
    EXPECT_EQ(KnownFolderPath(KnownFolder::RoamingAppData), L"");
    EXPECT_FALSE(PathExists(path));

    SetOpenFileOverride(previousOpen);
    SetCreateFolderOverride(previousCreate);
    SetKnownFolderOverride(previousFolder);
    SetLoadLibraryOverride(previousLoad);
    std::FILE* file = OpenSharedFile(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_TRUE(CreateOneFolder(scratch.wide() + kPathSeparator + L"d"));
}

TEST(DynamicLibrary, MissingLibraryOrSymbolGivesNull) {
    EXPECT_EQ(LoadDynamicLibrary(L"kv-no-such-library-4711.dll"), nullptr);
    EXPECT_EQ(FindLibrarySymbol(nullptr, "anything"), nullptr);
#ifdef _WIN32
    void* kernel = LoadDynamicLibrary(L"kernel32.dll");
    const char* present = "GetTickCount";
#else
    void* kernel = LoadDynamicLibrary(L"libc.so.6");
    const char* present = "getpid";
#endif
    ASSERT_NE(kernel, nullptr);
    EXPECT_NE(FindLibrarySymbol(kernel, present), nullptr);
    EXPECT_EQ(FindLibrarySymbol(kernel, "kv_no_such_symbol_4711"), nullptr);
}

}  // namespace
