// Entry point of every test executable.
//
// Under Wine a crashing Windows program can exit with status 0, and mingw's
// GoogleTest does not catch access violations, so on Windows an unhandled
// exception filter reports the code and ends the process with status 3.
//
// On Linux ctest runs test cases as parallel processes, and many of them read
// back the module's effect.log: each process gets its own scratch data folder
// (XDG_DATA_HOME, also inherited by the programs a test starts), so one test
// never sees another's lines.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <cstdio>

namespace {
LONG WINAPI ReportCrashAndExit(EXCEPTION_POINTERS* info) {
    const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
    std::fprintf(stderr, "\nFATAL: unhandled exception 0x%08lx\n", static_cast<unsigned long>(code));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace
#else
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
std::string gScratchDataHome;

void RemoveScratchDataHome() {
    std::error_code ignored;
    std::filesystem::remove_all(gScratchDataHome, ignored);
}

void UseScratchDataHome() {
    char pattern[] = "/tmp/kv-test-data-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    gScratchDataHome = pattern;
    setenv("XDG_DATA_HOME", gScratchDataHome.c_str(), 1);
    std::atexit(RemoveScratchDataHome);
}
}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ReportCrashAndExit);
#else
    UseScratchDataHome();
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
